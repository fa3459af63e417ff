#pragma once

#include <QPointer>
#include <QString>

class DataSet;

// The named data connections of all live windows: a report reaches its rows only through
// these names, which are unique across the program.
namespace data_connections {

// Registers `data` under `name` for as long as `owner` lives.
void add(const QString &name, DataSet &data, QObject *owner);
DataSet *find(const QString &name);

} // namespace data_connections

#include "printing/data_connections.h"

#include "data/dataset.h"

#include <QHash>
#include <stdexcept>

namespace data_connections {

namespace {

struct Entry {
    QPointer<QObject> owner;
    DataSet *data;
};

QHash<QString, Entry> &registry()
{
    static QHash<QString, Entry> entries;
    return entries;
}

} // namespace

void add(const QString &name, DataSet &data, QObject *owner)
{
    auto found = registry().constFind(name);
    if (found != registry().constEnd() && found->owner && found->owner != owner)
        throw std::logic_error("data connection name used twice: " + name.toStdString());
    registry().insert(name, {owner, &data});
}

DataSet *find(const QString &name)
{
    const auto found = registry().constFind(name);
    return found != registry().constEnd() && found->owner ? found->data : nullptr;
}

} // namespace data_connections

#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

class Connection;

// A whole database copied into a new file under a data key, as a backup and the conversion to
// the key file both make it: every page through the engine's own encryption, never a plain copy.
namespace database_copy {

// Per table of the schema `schema` ("main", or an attached one), its number of rows.
QMap<QString, qint64> rowCounts(Connection &connection, const QString &schema = QStringLiteral("main"));

// Makes `path` an empty file of the owner's alone and attaches it to `connection` as `alias`.
void attachEmpty(Connection &connection, const QString &path, const QString &alias, const QByteArray &engineKey);

// Fills the attached copy with the main database and its version, which it returns. Run it in
// the transaction whose moment the copy is to hold.
int exportInto(Connection &connection, const QString &alias);

// Opens the copy and refuses it unless it holds `counts` rows and `version` and is whole.
void verify(const QString &path, const QByteArray &engineKey, const QMap<QString, qint64> &counts, int version);

} // namespace database_copy

#pragma once

#include "data/keys/secret_bytes.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <functional>

class Connection;

// A whole database copied into a new file under a data key, as a backup, the conversion to
// the key file and a new data key all make it: every page through the engine's own
// encryption, never a plain copy.
namespace database_copy {

// How far a long copy has come: the share done, 0 to 1.
using Progress = std::function<void(double)>;

// Per table of the schema `schema` ("main", or an attached one), its number of rows.
QMap<QString, qint64> rowCounts(Connection &connection, const QString &schema = QStringLiteral("main"));

// Makes `path` an empty file of the owner's alone and attaches it to `connection` as `alias`.
void attachEmpty(Connection &connection, const QString &path, const QString &alias, const SecretBytes &engineKey);

// Fills the attached copy with the main database and its version, which it returns. Run it in
// the transaction whose moment the copy is to hold.
int exportInto(Connection &connection, const QString &alias, const Progress &progress = {});

// Opens the copy and refuses it unless it holds `counts` rows and `version` and is whole.
void verify(const QString &path, const SecretBytes &engineKey, const QMap<QString, qint64> &counts, int version,
            const Progress &progress = {});

} // namespace database_copy

#pragma once

#include "data/backup.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <functional>

class Connection;

// A whole practice copied between the two engines: a one-machine file moved onto a server, and
// a server's practice written out as a file a single machine can fall back to. Either copy is
// made in one transaction and proved before it is committed, by figures both engines compute
// the same way.
namespace practice_copy {

// How far the work has come: the share done, 0 to 1.
using Progress = std::function<void(double)>;

// What a practice holds, table by table: its rows, a checksum over them (read in the order of
// the table's key, each value written out by the type the table declares, so that the file
// and the server agree on the same rows), and for a table that numbers its rows the last
// number given (a number once given is never given again, on either engine).
struct Summary {
    QMap<QString, qint64> rowCounts;
    QMap<QString, QByteArray> checksums;
    QMap<QString, qint64> counters;
    bool operator==(const Summary &) const = default;
};

Summary summarize(Connection &connection);

// Copies every row and counter of `source` into `target`, whose tables are there and empty,
// each inside a transaction the caller holds; refuses, naming the first table that differs,
// unless the target then summarizes as the source. Returns the source's summary.
Summary copyVerified(Connection &source, Connection &target, const Progress &progress = {});

// Moves the practice file `file` (opened with its access password) into the empty server
// database `uri` (as the role whose password is `rolePassword`): the server database is made a
// practice and filled in one transaction, committed only once it is proved, so that whatever
// happens it is left either empty or complete. Refused while the program has the file's folder
// open. The file is brought to the current version first, as the program would.
Summary migrate(const QString &file, const QString &filePassword, const QString &uri, const QString &rolePassword,
                const Progress &progress = {});

// A verified file at `destination`, with its key file under `accessPassword`, holding the
// server practice `uri` as one moment: the same pair of files a one-machine practice has.
BackupResult backupServer(const QString &uri, const QString &rolePassword, const QString &destination,
                          const QString &accessPassword, const Progress &progress = {});

} // namespace practice_copy

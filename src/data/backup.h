#pragma once

#include <QDateTime>
#include <QMap>
#include <QString>

// A consistent copy of an open or closed data.mdb with its key file (X.mdb beside X.key),
// encrypted under the same data key and proved by opening it and comparing the rows of every
// table with the source. `password` opens the source's key file. A folder of the old layout is
// copied as it is (X.mdb alone, read with its own password), for the program to convert.
struct BackupResult {
    QString path;
    QMap<QString, qint64> rowCounts;
};

BackupResult backupDatabase(const QString &sourcePath, const QString &destinationPath, const QString &password);

// Removes what a backup killed half-way left beside the backups of `sourcePath` (partial
// copies and their journals); leaves a backup being made right now alone.
void removeUnfinishedBackups(const QString &sourcePath);

// The name a backup made now gets in the "backup" folder beside the data file.
QString backupPathFor(const QString &sourcePath, const QDateTime &when);

#include "data/backup.h"

#include "data/connection.h"
#include "data/database_copy.h"
#include "data/db_error.h"
#include "data/keys/key_file.h"
#include "data/keys/private_files.h"
#include "data/old_layout.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStorageInfo>
#include <QUuid>

namespace {

// Backups of one folder are made one at a time: the lock also tells a cleaner that no copy
// is being written there now. A lock left by a killed program is taken over.
QString lockPathIn(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral(".backup-lock"));
}

// What a backup killed half-way leaves: its partial copy, the copy's journal, and a key file
// written before the copy was moved into place (it would refuse the next backup of that name).
void removePartialCopies(const QString &folder)
{
    QDir dir(folder);
    for (const QString &name : dir.entryList({QStringLiteral("*.part-*")}, QDir::Files | QDir::Hidden))
        dir.remove(name);
    for (const QFileInfo &key : dir.entryInfoList({QStringLiteral("*.key")}, QDir::Files))
        if (!QFileInfo::exists(dir.filePath(key.completeBaseName() + QStringLiteral(".mdb"))))
            dir.remove(key.fileName());
}

// Taking the lock fails for another backup at work, or because nothing can be written there.
DbError lockRefused(const QLockFile &lock, const QString &folder)
{
    if (lock.error() == QLockFile::LockFailedError)
        return DbError(DbError::Kind::FileInUse, QStringLiteral("Another backup is being made in '%1'").arg(folder));
    if (QStorageInfo(folder).bytesAvailable() < 64 * 1024)
        return DbError(DbError::Kind::DiskFull, QStringLiteral("The disk is full; no backup was made in '%1'").arg(folder));
    return DbError(DbError::Kind::Other, QStringLiteral("Could not write in the folder '%1'").arg(folder));
}

QString backupFolderOf(const QString &sourcePath)
{
    return QFileInfo(backupPathFor(sourcePath, QDateTime::currentDateTime())).absolutePath();
}

// The source as one moment, in `partial` under `engineKey`, proved by the rows of every table.
QMap<QString, qint64> copyProved(Connection &source, const QString &partial, const SecretBytes &engineKey)
{
    database_copy::attachEmpty(source, partial, QStringLiteral("copy"), engineKey);
    QMap<QString, qint64> rowCounts;
    int version = 0;
    {
        // One reading transaction: the copy is of one moment, and a writer elsewhere only
        // waits to commit until the copy is made.
        Transaction snapshot(source, Transaction::Kind::Read);
        rowCounts = database_copy::rowCounts(source);
        version = database_copy::exportInto(source, QStringLiteral("copy"));
        snapshot.commit();
    }
    source.execute(QStringLiteral("DETACH DATABASE copy"));
    database_copy::verify(partial, engineKey, rowCounts, version);
    return rowCounts;
}

} // namespace

void removeUnfinishedBackups(const QString &sourcePath)
{
    const QString folder = backupFolderOf(sourcePath);
    if (!QFileInfo(folder).isDir())
        return;
    QLockFile lock(lockPathIn(folder));
    if (lock.tryLock(0))
        removePartialCopies(folder);
}

QString backupPathFor(const QString &sourcePath, const QDateTime &when)
{
    const QFileInfo source(sourcePath);
    return source.absoluteDir().filePath(QStringLiteral("backup/") + source.completeBaseName() +
                                         when.toString(QStringLiteral("-yyyy-MM-dd-HHmmss.")) + source.suffix());
}

BackupResult backupDatabase(const QString &sourcePath, const QString &destinationPath, const QString &password)
{
    const QString destinationKey = keyFilePathFor(destinationPath);
    refuseExisting({destinationPath, destinationKey});
    makePrivateFolder(QFileInfo(destinationPath).absolutePath());

    const QString folder = QFileInfo(destinationPath).absolutePath();
    QLockFile lock(lockPathIn(folder));
    if (!lock.tryLock(Connection::DefaultBusyTimeout))
        throw lockRefused(lock, folder);
    removePartialCopies(folder);

    const QString partial = destinationPath + QStringLiteral(".part-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    BackupResult result;
    bool keyCopied = false;
    try {
        if (old_layout::isOldLayout(sourcePath)) {
            // An old folder's copy keeps its layout, as a restored copy the program converts at
            // its start after the login: made by reading alone, it makes no key, and the old
            // password, plain in every copy of the old file, could protect no key made here.
            Connection source = old_layout::openForReading(sourcePath, password);
            result.rowCounts = copyProved(source, partial, old_layout::engineKey());
            refuseExisting({destinationPath});
            moveDataFileIntoPlace(partial, destinationPath);
            result.path = destinationPath;
            return result;
        }
        Connection source = Connection::openFileForReading(sourcePath, password);
        // The copy stays under the same data key and takes the key file with it.
        const SecretBytes engineKey = engineKeyFor(unlockDataKey(sourcePath, password));
        result.rowCounts = copyProved(source, partial, engineKey);

        QFile sourceKey(keyFilePathFor(sourcePath));
        if (!sourceKey.open(QIODevice::ReadOnly))
            throw DbError(DbError::Kind::Other, QStringLiteral("Could not read the file '%1'").arg(sourceKey.fileName()));
        writePrivateFile(destinationKey, sourceKey.readAll(), Replace::No);
        keyCopied = true;
        if (!(engineKeyFor(unlockDataKey(destinationPath, password)) == engineKey))
            throw DbError(DbError::Kind::Other, QStringLiteral("The key file of the copy does not open it"));
        refuseExisting({destinationPath});
        moveDataFileIntoPlace(partial, destinationPath);
    } catch (...) {
        removeWithEngineFiles(partial);
        if (keyCopied)
            QFile::remove(destinationKey);
        throw;
    }
    result.path = destinationPath;
    return result;
}

#include "backup.h"

#include "connection.h"
#include "db_error.h"
#include "key_file.h"
#include "private_files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QUuid>

namespace {

QMap<QString, qint64> countRows(Connection &connection)
{
    QMap<QString, qint64> counts;
    QStringList tables;
    {
        Statement list(connection, QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"));
        while (list.step())
            tables << list.value(0).toString();
    }
    for (const QString &table : tables)
        counts[table] = connection.scalar(QStringLiteral("SELECT count(*) FROM [%1]").arg(table)).toLongLong();
    return counts;
}

// Backups of one folder are made one at a time: the lock also tells a cleaner that no copy
// is being written there now. A lock left by a killed program is taken over.
QString lockPathIn(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral(".backup-lock"));
}

// What a backup killed half-way leaves: its partial copy and the copy's journal.
void removePartialCopies(const QString &folder)
{
    QDir dir(folder);
    for (const QString &name : dir.entryList({QStringLiteral("*.part-*")}, QDir::Files | QDir::Hidden))
        dir.remove(name);
}

QString backupFolderOf(const QString &sourcePath)
{
    return QFileInfo(backupPathFor(sourcePath, QDateTime::currentDateTime())).absolutePath();
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
    for (const QString &file : {destinationPath, destinationKey})
        if (QFileInfo::exists(file))
            throw DbError(DbError::Kind::Other, QStringLiteral("The file '%1' exists already; it was left as it is").arg(file));
    makePrivateFolder(QFileInfo(destinationPath).absolutePath());

    const QString folder = QFileInfo(destinationPath).absolutePath();
    QLockFile lock(lockPathIn(folder));
    if (!lock.tryLock(Connection::DefaultBusyTimeout))
        throw DbError(DbError::Kind::FileInUse, QStringLiteral("Another backup is being made in '%1'").arg(folder));
    removePartialCopies(folder);

    const QString partial = destinationPath + QStringLiteral(".part-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    BackupResult result;
    bool keyCopied = false;
    try {
        Connection source = Connection::openFileForReading(sourcePath, password);
        // The copy stays under the same data key and takes the key file with it.
        const QByteArray engineKey = engineKeyFor(unlockDataKey(sourcePath, password));
        int version = 0;
        // The connection never creates files, so the attached copy starts as an empty file.
        {
            PrivateFileMode privately;
            if (QFile empty(partial); !empty.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                throw DbError(DbError::Kind::Other, QStringLiteral("Could not write the file '%1'").arg(partial));
        }
        // The export writes every page through the engine's own encryption: never a plain copy.
        source.execute(QStringLiteral("ATTACH DATABASE ? AS copy KEY ?"), {partial, QString::fromLatin1(engineKey)});
        {
            // One reading transaction: the copy is of one moment, and a writer elsewhere only
            // waits to commit until the copy is made.
            Transaction snapshot(source, Transaction::Kind::Read);
            source.execute(QStringLiteral("PRAGMA copy.cipher_page_size = 4096"));
            result.rowCounts = countRows(source);
            version = source.scalar(QStringLiteral("PRAGMA main.user_version")).toInt();
            source.execute(QStringLiteral("SELECT sqlcipher_export('copy')"));
            source.execute(QStringLiteral("PRAGMA copy.user_version = %1").arg(version));
            snapshot.commit();
        }
        source.execute(QStringLiteral("DETACH DATABASE copy"));

        Connection copy = Connection::openWithKey(partial, engineKey);
        const auto copied = countRows(copy);
        if (copied != result.rowCounts || copy.scalar(QStringLiteral("PRAGMA user_version")).toInt() != version)
            throw DbError(DbError::Kind::Other, QStringLiteral("The copy does not hold the same rows as the database"));
        const QString check = copy.scalar(QStringLiteral("PRAGMA integrity_check")).toString();
        if (check != QLatin1String("ok"))
            throw DbError(DbError::Kind::Other, QStringLiteral("The copy is damaged: %1").arg(check));
        copy.close();

        QFile sourceKey(keyFilePathFor(sourcePath));
        if (!sourceKey.open(QIODevice::ReadOnly))
            throw DbError(DbError::Kind::Other, QStringLiteral("Could not read the file '%1'").arg(sourceKey.fileName()));
        writePrivateFile(destinationKey, sourceKey.readAll(), Replace::No);
        keyCopied = true;
        if (engineKeyFor(unlockDataKey(destinationPath, password)) != engineKey)
            throw DbError(DbError::Kind::Other, QStringLiteral("The key file of the copy does not open it"));
        if (QFileInfo::exists(destinationPath))
            throw DbError(DbError::Kind::Other, QStringLiteral("The file '%1' exists already; it was left as it is").arg(destinationPath));
        durableRename(partial, destinationPath);
    } catch (...) {
        QFile::remove(partial);
        QFile::remove(partial + QStringLiteral("-journal"));
        if (keyCopied)
            QFile::remove(destinationKey);
        throw;
    }
    result.path = destinationPath;
    return result;
}

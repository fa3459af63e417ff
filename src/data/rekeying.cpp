#include "data/rekeying.h"

#include "data/connection.h"
#include "data/db_error.h"
#include "data/folder_in_use.h"
#include "data/keys/key_file.h"
#include "data/keys/private_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

namespace rekeying {

namespace {

// The new file is named by its key's id, which the new key file names too: whichever of the
// two key files stands tells which file is the data.
QString rekeyingFile(const QString &dataFile, const QByteArray &dataKeyId)
{
    const QFileInfo data(dataFile);
    return data.dir().filePath(data.completeBaseName() + QStringLiteral("-rekeying-") +
                               QString::fromLatin1(dataKeyId.toHex()) + QLatin1Char('.') + data.suffix());
}

void removeCopy(const QString &path)
{
    removeWithEngineFiles(path);
}

// One re-keying at a time, and none settled while one is at work; a killed one's lock is taken over.
QString lockPathFor(const QString &dataFile)
{
    const QFileInfo data(dataFile);
    return data.dir().filePath(QLatin1Char('.') + data.fileName() + QStringLiteral("-rekeying-lock"));
}

void settleLocked(const QString &dataFile)
{
    const QFileInfo data(dataFile);
    const QStringList copies = data.dir().entryList(
        {data.completeBaseName() + QStringLiteral("-rekeying-*.") + data.suffix()}, QDir::Files);
    if (copies.isEmpty())
        return;
    const QByteArray standing = KeyFile::load(keyFilePathFor(dataFile)).dataKeyId();
    for (const QString &name : copies) {
        const QString copy = data.dir().filePath(name);
        if (!standing.isEmpty() && copy == rekeyingFile(dataFile, standing)) {
            moveDataFileIntoPlace(copy, dataFile); // the key file had been replaced: the new file is the data
        } else {
            removeCopy(copy);
        }
    }
}

} // namespace

void settleInterrupted(const QString &dataFile)
{
    QLockFile lock(lockPathFor(dataFile));
    if (lock.tryLock(0))
        settleLocked(dataFile);
}

SecretBytes changeDataKey(const QString &dataFile, const QString &secret, const QString &newPassword,
                          const database_copy::Progress &progress)
{
    const auto report = [&progress](double from, double to) -> database_copy::Progress {
        if (!progress)
            return {};
        return [&progress, from, to](double done) { progress(from + (to - from) * done); };
    };
    const SoleUse soleUse(dataFile); // the connections of a running program would stay with the old file
    QLockFile lock(lockPathFor(dataFile));
    if (!lock.tryLock(0))
        throw DbError(DbError::Kind::FileInUse, QStringLiteral("The data key of '%1' is being changed already").arg(dataFile));
    settleLocked(dataFile);
    const QString keyPath = keyFilePathFor(dataFile);
    const SecretBytes oldKey = unlockDataKey(dataFile, secret);
    const KeyFile oldKeyFile = KeyFile::load(keyPath);
    SecretBytes newKey = newDataKey();
    const SecretBytes newEngineKey = engineKeyFor(newKey);
    const QString copy = rekeyingFile(dataFile, dataKeyIdOf(newKey));
    try {
        Connection old = Connection::openWithKey(dataFile, engineKeyFor(oldKey));
        database_copy::attachEmpty(old, copy, QStringLiteral("rekeyed"), newEngineKey);
        // Writers elsewhere wait: the new file is of one moment.
        Transaction snapshot(old);
        const auto rows = database_copy::rowCounts(old);
        const int version = database_copy::exportInto(old, QStringLiteral("rekeyed"), report(0, 0.6));
        snapshot.commit();
        old.execute(QStringLiteral("DETACH DATABASE rekeyed"));
        database_copy::verify(copy, newEngineKey, rows, version, report(0.6, 0.95));
    } catch (...) {
        removeCopy(copy);
        throw;
    }
    try {
        oldKeyFile.withNewDataKey(newKey, newPassword).save(keyPath, true); // from here on the new key stands
    } catch (...) {
        removeCopy(copy);
        throw;
    }
    moveDataFileIntoPlace(copy, dataFile);
    rememberUnlocked(dataFile, newPassword, newKey);
    if (progress)
        progress(1);
    return newKey;
}

} // namespace rekeying

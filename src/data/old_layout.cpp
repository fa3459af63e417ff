#include "data/old_layout.h"

#include "data/connection.h"
#include "data/database_copy.h"
#include "data/db_error.h"
#include "data/keys/key_file.h"
#include "data/keys/private_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace old_layout {

namespace {

// Where the converted file is built, beside data.mdb.
QString convertingFile(const QString &dataFile)
{
    const QFileInfo data(dataFile);
    return data.dir().filePath(data.completeBaseName() + QStringLiteral("-converting.") + data.suffix());
}

void removeTraces(const QString &dataFile)
{
    const QString converting = convertingFile(dataFile);
    removeWithEngineFiles(converting);
    const QFileInfo key(keyFilePathFor(dataFile));
    for (const QString &partial : key.dir().entryList({key.fileName() + QStringLiteral(".part-*")}, QDir::Files))
        QFile::remove(key.dir().filePath(partial));
}

} // namespace

SecretBytes engineKey()
{
    return SecretBytes::copyOf(QByteArrayLiteral("KT40273QZL"));
}

Connection open(const QString &dataFile)
{
    return Connection::openWithKey(dataFile, engineKey());
}

bool isOldLayout(const QString &dataFile)
{
    return QFileInfo::exists(dataFile) && !QFileInfo::exists(keyFilePathFor(dataFile));
}

namespace {

QString storedPasswordOn(Connection &connection)
{
    return connection.scalar(QStringLiteral("SELECT * FROM SECURITY")).toString().trimmed();
}

} // namespace

QString storedPassword(const QString &dataFile)
{
    Connection connection = open(dataFile);
    return storedPasswordOn(connection);
}

Connection openForReading(const QString &dataFile, const QString &password)
{
    Connection connection = Connection::openWithKeyForReading(dataFile, engineKey());
    if (storedPasswordOn(connection) != password.trimmed())
        throw DbError(DbError::Kind::WrongPassword, QStringLiteral("Not a valid password for '%1'").arg(dataFile));
    return connection;
}

void settleInterruptedConversion(const QString &dataFile)
{
    const QString converting = convertingFile(dataFile);
    // The key file is written only after the new file was proved: from then on the new
    // layout stands and only the move of the new file over the old one may be left to do.
    if (QFileInfo::exists(keyFilePathFor(dataFile))) {
        if (QFileInfo::exists(converting)) {
            moveDataFileIntoPlace(converting, dataFile);
            removeTraces(dataFile);
        }
        return;
    }
    if (QFileInfo::exists(dataFile))
        removeTraces(dataFile); // a conversion cut short before its key file: the old layout stands
}

void convert(const QString &dataFile, const QString &password)
{
    settleInterruptedConversion(dataFile);
    if (!isOldLayout(dataFile))
        return;
    const QString converting = convertingFile(dataFile);
    const SecretBytes dataKey = newDataKey();
    try {
        Connection old = open(dataFile);
        database_copy::attachEmpty(old, converting, QStringLiteral("converted"), engineKeyFor(dataKey));
        {
            // Writers elsewhere wait: the new file is of one moment.
            Transaction snapshot(old);
            const auto rows = database_copy::rowCounts(old);
            const int version = database_copy::exportInto(old, QStringLiteral("converted"));
            old.execute(QStringLiteral("UPDATE converted.SECURITY SET [PASSWORD]=?"), {StoredPasswordMarker});
            snapshot.commit();
            old.execute(QStringLiteral("DETACH DATABASE converted"));
            database_copy::verify(converting, engineKeyFor(dataKey), rows, version);
        }
    } catch (...) {
        removeTraces(dataFile);
        throw;
    }
    writeNewKeyFile(dataFile, dataKey, password, passwordStateFor(password, KeyFile::PasswordState::FromOldLayout)); // from here on the new layout stands
    moveDataFileIntoPlace(converting, dataFile);
    rememberUnlocked(dataFile, password, dataKey);
}

} // namespace old_layout

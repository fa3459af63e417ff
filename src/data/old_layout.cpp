#include "old_layout.h"

#include "connection.h"
#include "db_error.h"
#include "key_file.h"
#include "private_files.h"

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
    QFile::remove(converting);
    QFile::remove(converting + QStringLiteral("-journal"));
    const QFileInfo key(keyFilePathFor(dataFile));
    for (const QString &partial : key.dir().entryList({key.fileName() + QStringLiteral(".part-*")}, QDir::Files))
        QFile::remove(key.dir().filePath(partial));
}

qint64 rowsIn(Connection &connection, const QString &schemaName)
{
    qint64 rows = 0;
    QStringList tables;
    {
        Statement list(connection, QStringLiteral("SELECT name FROM %1.sqlite_master WHERE type='table'").arg(schemaName));
        while (list.step())
            tables << list.value(0).toString();
    }
    for (const QString &table : tables)
        rows += connection.scalar(QStringLiteral("SELECT count(*) FROM %1.[%2]").arg(schemaName, table)).toLongLong();
    return rows;
}

} // namespace

QByteArray engineKey()
{
    return QByteArrayLiteral("KT40273QZL");
}

Connection open(const QString &dataFile)
{
    return Connection::openWithKey(dataFile, engineKey());
}

bool isOldLayout(const QString &dataFile)
{
    return QFileInfo::exists(dataFile) && !QFileInfo::exists(keyFilePathFor(dataFile));
}

QString storedPassword(const QString &dataFile)
{
    Connection connection = open(dataFile);
    return connection.scalar(QStringLiteral("SELECT * FROM SECURITY")).toString().trimmed();
}

void settleInterruptedConversion(const QString &dataFile)
{
    const QString converting = convertingFile(dataFile);
    // The key file is written only after the new file was proved: from then on the new
    // layout stands and only the move of the new file over the old one may be left to do.
    if (QFileInfo::exists(keyFilePathFor(dataFile))) {
        if (QFileInfo::exists(converting)) {
            durableRename(converting, dataFile);
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
    const QByteArray dataKey = newDataKey();
    try {
        Connection old = open(dataFile);
        {
            PrivateFileMode privately;
            if (QFile empty(converting); !empty.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                throw DbError(DbError::Kind::Other, QStringLiteral("Could not write the file '%1'").arg(converting));
        }
        old.execute(QStringLiteral("ATTACH DATABASE ? AS converted KEY ?"), {converting, QString::fromLatin1(engineKeyFor(dataKey))});
        old.execute(QStringLiteral("PRAGMA converted.cipher_page_size = 4096"));
        {
            // Writers elsewhere wait: the new file is of one moment.
            Transaction snapshot(old);
            const qint64 rows = rowsIn(old, QStringLiteral("main"));
            const int version = old.scalar(QStringLiteral("PRAGMA main.user_version")).toInt();
            old.execute(QStringLiteral("SELECT sqlcipher_export('converted')"));
            old.execute(QStringLiteral("PRAGMA converted.user_version = %1").arg(version));
            old.execute(QStringLiteral("UPDATE converted.SECURITY SET [PASSWORD]=?"), {StoredPasswordMarker});
            snapshot.commit();
            old.execute(QStringLiteral("DETACH DATABASE converted"));

            Connection converted = Connection::openWithKey(converting, engineKeyFor(dataKey));
            if (rowsIn(converted, QStringLiteral("main")) != rows ||
                converted.scalar(QStringLiteral("PRAGMA user_version")).toInt() != version ||
                converted.scalar(QStringLiteral("PRAGMA integrity_check")).toString() != QLatin1String("ok"))
                throw DbError(DbError::Kind::Other, QStringLiteral("The converted file does not hold the same rows"));
        }
    } catch (...) {
        removeTraces(dataFile);
        throw;
    }
    writeNewKeyFile(dataFile, dataKey, password); // from here on the new layout stands
    durableRename(converting, dataFile);
}

} // namespace old_layout

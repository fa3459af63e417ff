#include "data/database_copy.h"

#include "data/connection.h"
#include "data/db_error.h"
#include "data/keys/private_files.h"

#include <QFile>

namespace database_copy {

QMap<QString, qint64> rowCounts(Connection &connection, const QString &schema)
{
    QMap<QString, qint64> counts;
    QStringList tables;
    {
        Statement list(connection, QStringLiteral("SELECT name FROM %1.sqlite_master WHERE type='table'").arg(schema));
        while (list.step())
            tables << list.value(0).toString();
    }
    for (const QString &table : tables)
        counts[table] = connection.scalar(QStringLiteral("SELECT count(*) FROM %1.[%2]").arg(schema, table)).toLongLong();
    return counts;
}

void attachEmpty(Connection &connection, const QString &path, const QString &alias, const QByteArray &engineKey)
{
    // The connection never creates files, so the attached copy starts as an empty file.
    {
        PrivateFileMode privately;
        if (QFile empty(path); !empty.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw DbError(DbError::Kind::Other, QStringLiteral("Could not write the file '%1'").arg(path));
    }
    connection.execute(QStringLiteral("ATTACH DATABASE ? AS %1 KEY ?").arg(alias), {path, QString::fromLatin1(engineKey)});
    connection.execute(QStringLiteral("PRAGMA %1.cipher_page_size = 4096").arg(alias));
}

int exportInto(Connection &connection, const QString &alias)
{
    const int version = connection.scalar(QStringLiteral("PRAGMA main.user_version")).toInt();
    connection.execute(QStringLiteral("SELECT sqlcipher_export('%1')").arg(alias));
    connection.execute(QStringLiteral("PRAGMA %1.user_version = %2").arg(alias).arg(version));
    return version;
}

void verify(const QString &path, const QByteArray &engineKey, const QMap<QString, qint64> &counts, int version)
{
    Connection copy = Connection::openWithKey(path, engineKey);
    if (rowCounts(copy) != counts || copy.scalar(QStringLiteral("PRAGMA user_version")).toInt() != version)
        throw DbError(DbError::Kind::Other, QStringLiteral("The copy '%1' does not hold the same rows as the database").arg(path));
    const QString check = copy.scalar(QStringLiteral("PRAGMA integrity_check")).toString();
    if (check != QLatin1String("ok"))
        throw DbError(DbError::Kind::Other, QStringLiteral("The copy '%1' is damaged: %2").arg(path, check));
}

} // namespace database_copy

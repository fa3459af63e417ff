#include "data/database_copy.h"

#include "data/connection.h"
#include "data/db_error.h"
#include "data/keys/private_files.h"

#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace database_copy {

namespace {

// The copy is as far as its file has grown against the size of the source.
struct ExportWatch {
    QString target;
    double sourceBytes;
    const Progress *progress;
};

int reportExport(void *context)
{
    const auto *watch = static_cast<const ExportWatch *>(context);
    (*watch->progress)(qMin(0.99, double(QFileInfo(watch->target).size()) / watch->sourceBytes));
    return 0;
}

} // namespace

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

void attachEmpty(Connection &connection, const QString &path, const QString &alias, const SecretBytes &engineKey)
{
    // The connection never creates files, so the attached copy starts as an empty file.
    {
        PrivateFileMode privately;
        if (QFile empty(path); !empty.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw DbError(DbError::Kind::Other, QStringLiteral("Could not write the file '%1'").arg(path));
    }
    QString key = QString::fromLatin1(engineKey.constData(), engineKey.size());
    try {
        connection.execute(QStringLiteral("ATTACH DATABASE ? AS %1 KEY ?").arg(alias), {path, key});
    } catch (...) {
        wipe(key);
        throw;
    }
    wipe(key);
    connection.execute(QStringLiteral("PRAGMA %1.cipher_page_size = 4096").arg(alias));
}

int exportInto(Connection &connection, const QString &alias, const Progress &progress)
{
    const int version = connection.scalar(QStringLiteral("PRAGMA main.user_version")).toInt();
    ExportWatch watch{{}, double(qMax<qint64>(1, QFileInfo(connection.filePath()).size())), &progress};
    {
        Statement files(connection, QStringLiteral("PRAGMA database_list"));
        while (files.step())
            if (files.value(1).toString() == alias)
                watch.target = files.value(2).toString();
    }
    if (progress)
        sqlite3_progress_handler(connection.handle(), 50000, reportExport, &watch);
    try {
        connection.execute(QStringLiteral("SELECT sqlcipher_export('%1')").arg(alias));
    } catch (...) {
        sqlite3_progress_handler(connection.handle(), 0, nullptr, nullptr);
        throw;
    }
    sqlite3_progress_handler(connection.handle(), 0, nullptr, nullptr);
    connection.execute(QStringLiteral("PRAGMA %1.user_version = %2").arg(alias).arg(version));
    if (progress)
        progress(1);
    return version;
}

void verify(const QString &path, const SecretBytes &engineKey, const QMap<QString, qint64> &counts, int version,
            const Progress &progress)
{
    // Only read: the copy keeps the rollback journal it was written with, and no log of its
    // own is ever left beside it to be moved away with it.
    Connection copy = Connection::openWithKeyForReading(path, engineKey);
    if (rowCounts(copy) != counts || copy.scalar(QStringLiteral("PRAGMA user_version")).toInt() != version)
        throw DbError(DbError::Kind::Other, QStringLiteral("The copy '%1' does not hold the same rows as the database").arg(path));
    if (progress)
        progress(0.3);
    const QString check = copy.scalar(QStringLiteral("PRAGMA integrity_check")).toString();
    if (check != QLatin1String("ok"))
        throw DbError(DbError::Kind::Other, QStringLiteral("The copy '%1' is damaged: %2").arg(path, check));
    if (progress)
        progress(1);
}

} // namespace database_copy

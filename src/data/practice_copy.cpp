#include "data/practice_copy.h"

#include "data/connection.h"
#include "data/db_error.h"
#include "data/folder_in_use.h"
#include "data/jet_dialect.h"
#include "data/keys/key_file.h"
#include "data/keys/private_files.h"
#include "data/schema.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <memory>

namespace practice_copy {

namespace {

using schema::Table;
using schema::Type;

// The values one statement takes: the file's engine is built for at most 999; libpq refuses the
// description of a statement with much more than 7,000 of them as a broken connection.
int valuesPerInsert(jet::Engine engine)
{
    return engine == jet::Engine::Postgres ? 4000 : 999;
}

QString columnList(const Table &table)
{
    QStringList names;
    for (const schema::Column &column : table.columns)
        names << QLatin1Char('[') + column.name + QLatin1Char(']');
    return names.join(QLatin1Char(','));
}

// The rows in the order of the table's key: the file's rowid, the server's hidden key, which
// both follow the order the rows were added in.
Statement readRows(Connection &connection, const Table &table)
{
    return Statement(connection, jet::translate(QStringLiteral("SELECT %1 FROM [%2] ORDER BY rowid")
                                                    .arg(columnList(table), table.name),
                                                connection.engine()));
}

// One value as both engines give it back for the declared type: the file may keep 10 as an
// integer in an amount column where the server keeps the decimal 10, both read as the
// amount 10.
QByteArray canonical(const QVariant &value, Type type)
{
    switch (type) {
    case Type::AutoNumber:
    case Type::Integer:
    case Type::YesNo: return QByteArray::number(value.toLongLong());
    case Type::Double: return QByteArray::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case Type::Date:
    case Type::Text:
    case Type::LongText: break;
    }
    return value.toString().toUtf8();
}

const schema::Column *numbering(const Table &table)
{
    for (const schema::Column &column : table.columns)
        if (column.type == Type::AutoNumber)
            return &column;
    return nullptr;
}

// The server's sequence behind a table's number, named by the catalogue.
QString sequenceOf(Connection &server, const Table &table, const schema::Column &column)
{
    Statement name(server, QStringLiteral("SELECT pg_get_serial_sequence(?, ?)"));
    name.bind({table.name.toLower(), column.name.toLower()});
    if (!name.step() || name.value(0).isNull())
        throw DbError(DbError::Kind::MissingObject, QStringLiteral("no numbering for %1.%2").arg(table.name, column.name));
    return name.value(0).toString();
}

// The last number the engine gave, or one taken by hand beyond it.
qint64 lastNumber(Connection &connection, const Table &table, const schema::Column &column)
{
    qint64 given = 0;
    if (connection.engine() == jet::Engine::Postgres) {
        Statement sequence(connection, QStringLiteral("SELECT CASE WHEN is_called THEN last_value ELSE last_value - 1 "
                                                      "END FROM %1")
                                           .arg(sequenceOf(connection, table, column)));
        if (sequence.step())
            given = sequence.value(0).toLongLong();
    } else {
        Statement sequence(connection, QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ?"));
        sequence.bind({table.name});
        if (sequence.step())
            given = sequence.value(0).toLongLong();
    }
    const QVariant highest =
        connection.scalar(QStringLiteral("SELECT MAX([%1]) FROM [%2]").arg(column.name, table.name));
    return qMax(given, highest.toLongLong());
}

void setLastNumber(Connection &connection, const Table &table, const schema::Column &column, qint64 last)
{
    if (connection.engine() == jet::Engine::Postgres) {
        Statement sequence(connection, QStringLiteral("SELECT setval(?, ?, ?)"));
        sequence.bind({sequenceOf(connection, table, column), qMax<qint64>(1, last), last > 0});
        sequence.step();
        return;
    }
    Statement forget(connection, QStringLiteral("DELETE FROM sqlite_sequence WHERE name = ?"));
    forget.bind({table.name});
    forget.step();
    if (last > 0) {
        Statement keep(connection, QStringLiteral("INSERT INTO sqlite_sequence(name, seq) VALUES(?, ?)"));
        keep.bind({table.name, last});
        keep.step();
    }
}

// The rows of one table written in batches of many rows a statement: a server is a round
// trip away, and a statement a row would spend most of the time waiting for the answers.
class TableWriter {
public:
    TableWriter(Connection &target, const Table &table)
        : m_target(target), m_table(table), m_columns(int(table.columns.size())),
          m_perStatement(qMax(1, valuesPerInsert(target.engine()) / m_columns))
    {
    }

    void add(const Statement &row)
    {
        for (int c = 0; c < m_columns; ++c)
            m_values << row.value(c);
        if (m_values.size() == m_perStatement * m_columns)
            flush();
    }

    void flush()
    {
        const int rows = int(m_values.size()) / m_columns;
        if (rows == 0)
            return;
        std::unique_ptr<Statement> once;
        Statement *insert = nullptr;
        if (rows == m_perStatement) {
            if (!m_full)
                m_full = prepare(rows);
            insert = m_full.get();
        } else {
            once = prepare(rows);
            insert = once.get();
        }
        insert->bind(m_values);
        insert->step();
        insert->reset();
        m_values.clear();
    }

private:
    std::unique_ptr<Statement> prepare(int rows) const
    {
        const QString row = QLatin1Char('(') + QStringList(m_columns, QStringLiteral("?")).join(QLatin1Char(',')) +
                            QLatin1Char(')');
        const QString insert = QStringLiteral("INSERT INTO [%1](%2) VALUES %3")
                                   .arg(m_table.name, columnList(m_table), QStringList(rows, row).join(QLatin1Char(',')));
        return std::make_unique<Statement>(m_target, jet::translate(insert, m_target.engine()));
    }

    Connection &m_target;
    const Table &m_table;
    const int m_columns;
    const int m_perStatement;
    QVariantList m_values;
    std::unique_ptr<Statement> m_full;
};

void refuseUnlessSame(const Summary &source, const Summary &copy)
{
    if (source == copy)
        return;
    for (const Table &table : schema::tables()) {
        const QString &name = table.name;
        if (source.rowCounts.value(name) != copy.rowCounts.value(name))
            throw DbError(DbError::Kind::Other, QStringLiteral("The copy holds %1 rows of %2 where the practice holds "
                                                               "%3; nothing was kept")
                                                    .arg(copy.rowCounts.value(name))
                                                    .arg(name)
                                                    .arg(source.rowCounts.value(name)));
        if (source.checksums.value(name) != copy.checksums.value(name))
            throw DbError(DbError::Kind::Other,
                          QStringLiteral("The rows of %1 differ in the copy; nothing was kept").arg(name));
    }
    throw DbError(DbError::Kind::Other, QStringLiteral("The numbering of the copy differs; nothing was kept"));
}

// Shares of the work: the copy itself, then the proof.
Progress part(const Progress &progress, double from, double to)
{
    if (!progress)
        return {};
    return [progress, from, to](double done) { progress(from + (to - from) * done); };
}

} // namespace

Summary summarize(Connection &connection)
{
    Summary summary;
    for (const Table &table : schema::tables()) {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        qint64 rows = 0;
        Statement read = readRows(connection, table);
        while (read.step()) {
            ++rows;
            for (int c = 0; c < int(table.columns.size()); ++c) {
                const QVariant value = read.value(c);
                // A length before each value: no two different rows write out the same bytes.
                if (value.isNull()) {
                    hash.addData(QByteArrayView("N"));
                } else {
                    const QByteArray text = canonical(value, table.columns[size_t(c)].type);
                    hash.addData(QByteArray::number(text.size()) + ':' + text);
                }
            }
        }
        summary.rowCounts.insert(table.name, rows);
        summary.checksums.insert(table.name, hash.result());
        if (const schema::Column *number = numbering(table))
            summary.counters.insert(table.name, lastNumber(connection, table, *number));
    }
    return summary;
}

Summary copyVerified(Connection &source, Connection &target, const Progress &progress)
{
    const Summary expected = summarize(source);
    qint64 total = 0;
    for (const qint64 rows : expected.rowCounts)
        total += rows;
    const Progress copying = part(progress, 0, 0.8);
    qint64 copied = 0;
    for (const Table &table : schema::tables()) {
        TableWriter writer(target, table);
        Statement read = readRows(source, table);
        while (read.step()) {
            writer.add(read);
            if (copying && ++copied % 1000 == 0)
                copying(double(copied) / double(qMax<qint64>(1, total)));
        }
        writer.flush();
        if (const schema::Column *number = numbering(table))
            setLastNumber(target, table, *number, expected.counters.value(table.name));
    }
    if (progress)
        progress(0.8);
    refuseUnlessSame(expected, summarize(target));
    if (progress)
        progress(1);
    return expected;
}

Summary migrate(const QString &file, const QString &filePassword, const QString &uri, const QString &rolePassword,
                const Progress &progress)
{
    // What the program stored meanwhile would stay behind in the file.
    SoleUse soleUse(file);
    Connection source = Connection::openFile(file, filePassword);
    schema::upgrade(source);
    schema::verify(source);
    Connection target = Connection::openFile(uri, rolePassword);
    Transaction reading(source, Transaction::Kind::Read);
    Transaction writing(target);
    schema::createTables(target);
    const Summary copied = copyVerified(source, target, progress);
    writing.commit();
    reading.commit();
    return copied;
}

BackupResult backupServer(const QString &uri, const QString &rolePassword, const QString &destination,
                          const QString &accessPassword, const Progress &progress)
{
    Connection source = Connection::openFile(uri, rolePassword);
    {
        Statement version(source, schema::versionQuery(source.engine()));
        if (!version.step() || schema::acceptedVersion(version.value(0).toInt()) != schema::Version)
            throw DbError(DbError::Kind::Other, QStringLiteral("The server's practice is of an earlier version; start "
                                                               "the program on it once, then make the backup"));
    }
    makePrivateFolder(QFileInfo(destination).absolutePath());
    // One moment of the server: seats that store meanwhile are not waited for.
    Transaction snapshot(source, Transaction::Kind::Read);
    Summary copied;
    schema::createDatabase(destination, accessPassword, [&](Connection &copy) {
        Transaction writing(copy);
        schema::createTables(copy);
        copied = copyVerified(source, copy, part(progress, 0, 0.9));
        writing.commit();
    });
    snapshot.commit();
    // Proved once more as a single machine opens it: through its key file, with the password.
    try {
        Connection reopened = Connection::openFile(destination, accessPassword);
        refuseUnlessSame(copied, summarize(reopened));
        const QString check = reopened.scalar(QStringLiteral("PRAGMA integrity_check")).toString();
        if (check != QLatin1String("ok"))
            throw DbError(DbError::Kind::Other, QStringLiteral("The copy '%1' is damaged: %2").arg(destination, check));
    } catch (...) {
        removeWithEngineFiles(destination);
        QFile::remove(keyFilePathFor(destination));
        throw;
    }
    if (progress)
        progress(1);
    return {destination, copied.rowCounts};
}

} // namespace practice_copy

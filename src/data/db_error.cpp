#include "data/db_error.h"

#include <QFileInfo>
#include <sqlite3.h>

DbError::DbError(Kind kind, const QString &text) : std::runtime_error(text.toStdString()), m_kind(kind), m_text(text)
{
}

DbError DbError::refused(Rule rule, const QString &table, const QString &column, const QString &text)
{
    DbError error(Kind::Constraint, text);
    error.m_rule = rule;
    error.m_table = table;
    error.m_column = column;
    return error;
}

namespace {

// Constraint names in the schema read "required:TABLE.COLUMN", "length:TABLE.COLUMN" and so on;
// the engine's own refusals name "TABLE.COLUMN" after the colon.
DbError constraintError(const QString &message)
{
    using Rule = DbError::Rule;
    const QString name = message.section(QLatin1String(": "), 1).trimmed();
    const QString rule = name.section(QLatin1Char(':'), 0, 0);
    const QString qualified = name.contains(QLatin1Char(':')) ? name.section(QLatin1Char(':'), 1) : name;
    const QString table = qualified.section(QLatin1Char('.'), 0, 0);
    const QString column = qualified.section(QLatin1Char('.'), 1, 1).section(QLatin1Char(','), 0, 0);
    const auto refuse = [&](Rule kind, const QString &text) { return DbError::refused(kind, table, column, text); };
    if (message.startsWith(QLatin1String("NOT NULL constraint failed")) || rule == QLatin1String("required"))
        return refuse(Rule::Required, QStringLiteral("The field '%1' cannot be empty: a value is required").arg(qualified));
    if (message.startsWith(QLatin1String("UNIQUE constraint failed")))
        return refuse(Rule::Unique, QStringLiteral("The changes were not made because they would create a duplicate "
                                                   "value in the field '%1'")
                                        .arg(name));
    if (message.startsWith(QLatin1String("FOREIGN KEY constraint failed")))
        return DbError::refused(Rule::ForeignKey, {}, {},
                                QStringLiteral("The row refers to a child that is not in the register"));
    if (rule == QLatin1String("length"))
        return refuse(Rule::Length, QStringLiteral("The text is too long for the field '%1'").arg(qualified));
    if (rule == QLatin1String("date"))
        return refuse(Rule::Date, QStringLiteral("The field '%1' holds a value that is not a date").arg(qualified));
    if (rule == QLatin1String("number"))
        return refuse(Rule::Number, QStringLiteral("The field '%1' holds a value that is not a number").arg(qualified));
    if (rule == QLatin1String("yesno"))
        return refuse(Rule::YesNo, QStringLiteral("The field '%1' holds a value that is not yes or no").arg(qualified));
    return DbError::refused(Rule::None, {}, {}, message);
}

} // namespace

DbError DbError::serverGone(const QString &server, const QString &detail)
{
    DbError error(Kind::ServerGone, QStringLiteral("The server %1 cannot be reached: %2").arg(server, detail));
    error.m_server = server;
    return error;
}

DbError DbError::refusedByEngine(const QString &message)
{
    return constraintError(message);
}

DbError DbError::fromEngine(sqlite3 *db, int code, const QString &file)
{
    const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(code));
    const QString where = file.isEmpty() ? QStringLiteral("the database") : QStringLiteral("'%1'").arg(file);
    switch (code & 0xFF) {
    case SQLITE_NOTADB:
        return {Kind::WrongPassword, QStringLiteral("Not a valid password for %1, or the file is not a database").arg(where)};
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return {Kind::FileInUse, QStringLiteral("The database %1 is in use by another program; try again").arg(where)};
    case SQLITE_CANTOPEN:
        // A file that is there but cannot get its journal beside it lies in a read-only folder.
        if (!file.isEmpty() && QFileInfo(file).isFile() && !QFileInfo(QFileInfo(file).absolutePath()).isWritable())
            return {Kind::ReadOnly, QStringLiteral("The folder of the database %1 is read-only").arg(where)};
        return {Kind::FileNotFound, QStringLiteral("Could not open the file %1").arg(where)};
    case SQLITE_CONSTRAINT:
        return constraintError(message);
    case SQLITE_READONLY:
        return {Kind::ReadOnly, QStringLiteral("The database %1 is read-only").arg(where)};
    case SQLITE_FULL:
        return {Kind::DiskFull, QStringLiteral("The disk is full; nothing was stored")};
    default:
        break;
    }
    if (message.startsWith(QLatin1String("no such table")) || message.startsWith(QLatin1String("no such column")))
        return {Kind::MissingObject, message};
    if (message.contains(QLatin1String("syntax error")) || message.contains(QLatin1String("unrecognized token")) ||
        message.startsWith(QLatin1String("incomplete input")))
        return {Kind::Syntax, QStringLiteral("Syntax error in the statement: %1").arg(message)};
    return {Kind::Other, message};
}

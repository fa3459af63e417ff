#include "data/jet_dialect.h"

#include "data/db_error.h"

#include <QDate>

#include <vector>

namespace jet {

namespace {

enum class TokenKind { Space, Word, Number, SingleQuoted, DoubleQuoted, Bracketed, DateLiteral, Other };

struct Token {
    TokenKind kind;
    QStringView text;
};

std::vector<Token> tokenize(QStringView sql)
{
    std::vector<Token> tokens;
    qsizetype i = 0;
    const qsizetype n = sql.size();
    // Reads up to the closing quote; a doubled quote stands for itself.
    const auto quoted = [&](QChar quote) {
        qsizetype j = i + 1;
        while (j < n) {
            if (sql[j] == quote) {
                if (j + 1 < n && sql[j + 1] == quote) {
                    j += 2;
                    continue;
                }
                return j + 1;
            }
            ++j;
        }
        throw DbError(DbError::Kind::Syntax,
                      QStringLiteral("Syntax error in the statement: a text is not closed: %1").arg(sql.mid(i)));
    };
    while (i < n) {
        const QChar c = sql[i];
        qsizetype end = i + 1;
        TokenKind kind = TokenKind::Other;
        if (c.isSpace()) {
            while (end < n && sql[end].isSpace())
                ++end;
            kind = TokenKind::Space;
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            while (end < n && (sql[end].isLetterOrNumber() || sql[end] == QLatin1Char('_')))
                ++end;
            kind = TokenKind::Word;
        } else if (c.isDigit()) {
            while (end < n && (sql[end].isLetterOrNumber() || sql[end] == QLatin1Char('.') || sql[end] == QLatin1Char('_')))
                ++end;
            kind = TokenKind::Number;
        } else if (c == QLatin1Char('\'')) {
            end = quoted(c);
            kind = TokenKind::SingleQuoted;
        } else if (c == QLatin1Char('"')) {
            end = quoted(c);
            kind = TokenKind::DoubleQuoted;
        } else if (c == QLatin1Char('[')) {
            end = sql.indexOf(QLatin1Char(']'), i);
            if (end < 0)
                throw DbError(DbError::Kind::Syntax,
                              QStringLiteral("Syntax error in the statement: a bracketed name is not closed"));
            ++end;
            kind = TokenKind::Bracketed;
        } else if (c == QLatin1Char('#')) {
            end = sql.indexOf(QLatin1Char('#'), i + 1);
            if (end < 0)
                throw DbError(DbError::Kind::Syntax,
                              QStringLiteral("Syntax error in date in query expression '%1'").arg(sql.mid(i)));
            ++end;
            kind = TokenKind::DateLiteral;
        }
        tokens.push_back({kind, sql.mid(i, end - i)});
        i = end;
    }
    return tokens;
}

QString dateLiteral(QStringView literal)
{
    const QStringView inside = literal.mid(1, literal.size() - 2).trimmed();
    const auto parts = inside.split(QLatin1Char('/'));
    bool ok[3] = {false, false, false};
    QDate date;
    if (parts.size() == 3) {
        const int month = parts[0].trimmed().toInt(&ok[0]);
        const int day = parts[1].trimmed().toInt(&ok[1]);
        const int year = parts[2].trimmed().toInt(&ok[2]);
        if (ok[0] && ok[1] && ok[2])
            date = QDate(year, month, day);
    } else {
        date = QDate::fromString(inside.toString(), Qt::ISODate);
    }
    if (!date.isValid())
        throw DbError(DbError::Kind::Syntax,
                      QStringLiteral("Syntax error in date in query expression '%1'").arg(literal));
    return QLatin1Char('\'') + date.toString(Qt::ISODate) + QLatin1Char('\'');
}

QString singleQuoted(QStringView doubleQuoted)
{
    QString inner = doubleQuoted.mid(1, doubleQuoted.size() - 2).toString();
    inner.replace(QLatin1String("\"\""), QLatin1String("\""));
    inner.replace(QLatin1String("'"), QLatin1String("''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

bool isWord(const Token &t, const char *word)
{
    return t.kind == TokenKind::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

} // namespace

QString translate(const QString &jetSql, Engine engine)
{
    Q_UNUSED(engine); // the server's rewrites come with its engine
    const auto tokens = tokenize(jetSql);
    QString out;
    out.reserve(jetSql.size() + 16);
    for (size_t k = 0; k < tokens.size(); ++k) {
        const Token &t = tokens[k];
        switch (t.kind) {
        case TokenKind::DateLiteral: out += dateLiteral(t.text); break;
        case TokenKind::DoubleQuoted: out += singleQuoted(t.text); break;
        case TokenKind::Word:
            if (isWord(t, "TRUE"))
                out += QLatin1Char('1');
            else if (isWord(t, "FALSE"))
                out += QLatin1Char('0');
            else
                out += t.text;
            break;
        default: out += t.text; break;
        }
    }
    return out;
}

QString quoted(const QString &text)
{
    QString inner = text;
    inner.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

QString withRowId(const QString &engineSql)
{
    const auto tokens = tokenize(engineSql);
    static const char *const refused[] = {"GROUP", "UNION", "DISTINCT", "JOIN", "INTERSECT", "EXCEPT",
                                          "SUM",   "COUNT", "AVG",      "TOTAL", "GROUP_CONCAT"};
    qsizetype selectEnd = -1, pos = 0;
    int fromCount = 0;
    for (size_t k = 0; k < tokens.size(); ++k) {
        const Token &t = tokens[k];
        if (selectEnd < 0 && t.kind != TokenKind::Space) {
            if (!isWord(t, "SELECT"))
                return {};
            selectEnd = pos + t.text.size();
        }
        if (isWord(t, "FROM"))
            ++fromCount;
        for (const char *word : refused)
            if (isWord(t, word))
                return {};
        // MIN( and MAX( are aggregates; [MIN] and a column MIN are not.
        if ((isWord(t, "MIN") || isWord(t, "MAX")) && k + 1 < tokens.size() && tokens[k + 1].text == QLatin1String("("))
            return {};
        pos += t.text.size();
    }
    if (selectEnd < 0 || fromCount != 1)
        return {};
    return engineSql.left(selectEnd) + QStringLiteral(" rowid,") + engineSql.mid(selectEnd);
}

} // namespace jet

#include "data/jet_dialect.h"

#include "data/db_error.h"

#include <QDate>

#include <algorithm>
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

namespace {

// The server's names for the functions the file's connections carry under Jet's names: format
// is a built-in there, and DAY, MONTH and YEAR are words of its grammar.
QString serverFunctionName(const Token &t)
{
    static const char *const renamed[][2] = {{"FORMAT", "velmora_format"}, {"DAY", "velmora_day"}, {"MONTH", "velmora_month"}, {"YEAR", "velmora_year"}, {"last_insert_rowid", "lastval"}};
    for (const auto &names : renamed)
        if (isWord(t, names[0]))
            return QLatin1String(names[1]);
    return {};
}

// A [NAME] as the server knows it: every name of the practice is made in small letters there
// (the server folds unquoted names so), quoted because some begin with a digit or are words of
// its grammar ([5HNOSOS], [0800-0830], [LAST], [MONTH]).
QString serverName(QStringView bracketed)
{
    QString name = bracketed.mid(1, bracketed.size() - 2).toString().toLower();
    name.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + name + QLatin1Char('"');
}

// The statement token by token, rewritten in place; LIKE then wraps the pieces around it.
class ServerStatement {
public:
    explicit ServerStatement(const std::vector<Token> &tokens) : m_tokens(tokens), m_pieces(tokens.size()) {}

    QString text()
    {
        int parameter = 0;
        for (size_t k = 0; k < m_tokens.size(); ++k) {
            const Token &t = m_tokens[k];
            QString &piece = m_pieces[k];
            switch (t.kind) {
            case TokenKind::DateLiteral: piece = dateLiteral(t.text); break;
            case TokenKind::DoubleQuoted: piece = singleQuoted(t.text); break;
            case TokenKind::Bracketed: piece = serverName(t.text); break;
            case TokenKind::Word: piece = word(k); break;
            case TokenKind::Other:
                if (t.text == QLatin1String("?")) {
                    // ?N names the Nth value; a bare ? the next one.
                    if (k + 1 < m_tokens.size() && m_tokens[k + 1].kind == TokenKind::Number) {
                        piece = QLatin1Char('$') + m_tokens[k + 1].text.toString();
                        ++k;
                    } else {
                        piece = QLatin1Char('$') + QString::number(++parameter);
                    }
                    break;
                }
                piece = t.text.toString();
                break;
            default: piece = t.text.toString(); break;
            }
        }
        for (size_t k = 0; k < m_tokens.size(); ++k) {
            if (isWord(m_tokens[k], "LIKE"))
                foldAround(k);
            else if (isWord(m_tokens[k], "ORDER") && next(qsizetype(k)) >= 0 &&
                     isWord(m_tokens[size_t(next(qsizetype(k)))], "BY"))
                nullsSmallest(size_t(next(qsizetype(k))) + 1);
        }
        QString out;
        for (const QString &piece : m_pieces)
            out += piece;
        return out;
    }

private:
    QString word(size_t k) const
    {
        const Token &t = m_tokens[k];
        if (isWord(t, "TRUE"))
            return QStringLiteral("1");
        if (isWord(t, "FALSE"))
            return QStringLiteral("0");
        if (isWord(t, "rowid"))
            return QLatin1String(ServerRowColumn);
        const qsizetype before = previous(qsizetype(k));
        if (isWord(t, GreekCollation) && before >= 0 && isWord(m_tokens[size_t(before)], "COLLATE"))
            return QLatin1String(ServerGreekCollation);
        const qsizetype after = next(qsizetype(k));
        if (after >= 0 && m_tokens[size_t(after)].text == QLatin1String("(")) {
            const QString renamed = serverFunctionName(t);
            if (!renamed.isEmpty())
                return renamed;
        }
        return t.text.toString();
    }

    qsizetype previous(qsizetype k) const
    {
        while (--k >= 0)
            if (m_tokens[size_t(k)].kind != TokenKind::Space)
                return k;
        return -1;
    }
    qsizetype next(qsizetype k) const
    {
        while (++k < qsizetype(m_tokens.size()))
            if (m_tokens[size_t(k)].kind != TokenKind::Space)
                return k;
        return -1;
    }
    bool isText(qsizetype k, const char *text) const { return k >= 0 && m_tokens[size_t(k)].text == QLatin1String(text); }

    // The first token of the operand that ends at `last`: a name (perhaps qualified), a value,
    // or a parenthesised expression with the function it belongs to.
    qsizetype operandStart(qsizetype last) const
    {
        if (last < 0)
            return -1;
        qsizetype first = last;
        if (isText(last, ")")) {
            int depth = 0;
            for (; first >= 0; --first) {
                if (isText(first, ")"))
                    ++depth;
                else if (isText(first, "(") && --depth == 0)
                    break;
            }
            if (first < 0)
                return -1;
            const qsizetype function = previous(first);
            if (function >= 0 && m_tokens[size_t(function)].kind == TokenKind::Word)
                first = function;
            return first;
        }
        while (isText(previous(first), ".") && previous(previous(first)) >= 0)
            first = previous(previous(first));
        return first;
    }
    qsizetype operandEnd(qsizetype first) const
    {
        if (first < 0)
            return -1;
        const Token &t = m_tokens[size_t(first)];
        if (t.text == QLatin1String("?"))
            return first + 1 < qsizetype(m_tokens.size()) && m_tokens[size_t(first + 1)].kind == TokenKind::Number
                       ? first + 1
                       : first;
        qsizetype last = first;
        while (isText(next(last), ".") && next(next(last)) >= 0)
            last = next(next(last));
        return last;
    }

    // LIKE there is exact and knows \ as an escape; here it ignores case and accents, Greek
    // and Latin alike, and every character of the pattern stands for itself but % and _.
    void foldAround(size_t like)
    {
        qsizetype leftEnd = previous(qsizetype(like));
        if (leftEnd >= 0 && isWord(m_tokens[size_t(leftEnd)], "NOT"))
            leftEnd = previous(leftEnd);
        const qsizetype leftStart = operandStart(leftEnd);
        const qsizetype rightStart = next(qsizetype(like));
        const qsizetype rightEnd = operandEnd(rightStart);
        if (leftStart < 0 || rightEnd < 0)
            throw DbError(DbError::Kind::Syntax, QStringLiteral("Syntax error in the statement: LIKE lacks an operand"));
        m_pieces[size_t(leftStart)].prepend(QLatin1String(ServerFoldFunction) + QLatin1Char('('));
        m_pieces[size_t(leftEnd)].append(QLatin1Char(')'));
        const QString separator = rightStart == qsizetype(like) + 1 ? QStringLiteral(" ") : QString();
        m_pieces[size_t(rightStart)].prepend(separator + QLatin1String(ServerFoldFunction) + QLatin1Char('('));
        m_pieces[size_t(rightEnd)].append(QLatin1Char(')'));
        const qsizetype after = next(rightEnd);
        if (after < 0 || !isWord(m_tokens[size_t(after)], "ESCAPE"))
            m_pieces[size_t(rightEnd)].append(QLatin1String(" ESCAPE ''"));
    }

    // The file sorts a NULL below every value, the server above: each sort key of the ORDER BY
    // that starts at `first` says where its NULLs go.
    void nullsSmallest(size_t first)
    {
        static const char *const clauseEnds[] = {"LIMIT", "OFFSET", "UNION", "EXCEPT", "INTERSECT", "FETCH", "FOR"};
        qsizetype keyEnd = -1;
        const auto endKey = [&] {
            if (keyEnd >= 0)
                m_pieces[size_t(keyEnd)] += isWord(m_tokens[size_t(keyEnd)], "DESC") ? QLatin1String(" NULLS LAST")
                                                                                     : QLatin1String(" NULLS FIRST");
            keyEnd = -1;
        };
        int depth = 0;
        for (size_t k = first; k < m_tokens.size(); ++k) {
            const Token &t = m_tokens[k];
            if (t.kind == TokenKind::Space)
                continue;
            if (t.text == QLatin1String("(")) {
                ++depth;
            } else if (t.text == QLatin1String(")") && depth-- == 0) {
                break;
            } else if (depth == 0 && t.text == QLatin1String(",")) {
                endKey();
                continue;
            } else if (depth == 0 && (t.text == QLatin1String(";") ||
                                      std::any_of(std::begin(clauseEnds), std::end(clauseEnds),
                                                  [&](const char *word) { return isWord(t, word); }))) {
                break;
            }
            keyEnd = qsizetype(k);
        }
        endKey();
    }

    const std::vector<Token> &m_tokens;
    std::vector<QString> m_pieces;
};

QString fileStatement(const std::vector<Token> &tokens, qsizetype size)
{
    QString out;
    out.reserve(size + 16);
    for (const Token &t : tokens) {
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

} // namespace

QString translate(const QString &jetSql, Engine engine)
{
    const auto tokens = tokenize(jetSql);
    if (engine == Engine::Postgres)
        return ServerStatement(tokens).text();
    return fileStatement(tokens, jetSql.size());
}

QString quoted(const QString &text)
{
    QString inner = text;
    inner.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

QString withRowId(const QString &engineSql, Engine engine)
{
    const auto tokens = tokenize(engineSql);
    // clang-format off
    static const char *const refused[] = {"GROUP", "UNION", "DISTINCT", "JOIN", "INTERSECT", "EXCEPT",
                                          "SUM",   "COUNT", "AVG",      "TOTAL", "GROUP_CONCAT"};
    // clang-format on
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
    const QString rowId = QLatin1Char(' ') + QLatin1String(engine == Engine::Postgres ? ServerRowColumn : "rowid") + QLatin1Char(',');
    return engineSql.left(selectEnd) + rowId + engineSql.mid(selectEnd);
}

} // namespace jet

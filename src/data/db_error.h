#pragma once

#include <QString>
#include <stdexcept>

struct sqlite3;

// Every failure of the data layer, as data: what went wrong, and for a refused row the rule,
// table and column, so that the windows can say it in the person's words. The text is the
// engine's account in English, for the command-line tool and the logs.
class DbError : public std::runtime_error {
public:
    enum class Kind {
        FileNotFound,
        WrongPassword, // or not a database at all: the engine cannot tell the two apart
        FileInUse,
        ReadOnly,
        DiskFull,
        NewerVersion,
        Syntax,
        MissingObject,
        Constraint,
        ChangedElsewhere, // the row was changed by another window or program since it was read
        DeletedElsewhere, // the row was deleted by another window or program since it was read
        DamagedKeyFile,   // unreadable, or asking more of a derivation than a key file may
        ServerGone,       // the practice's server cannot be reached (network, restart)
        ServerUntrusted,  // the server's certificate is not the practice's, or it offers no TLS
        Other
    };
    // Which rule of the schema refused a row (Kind::Constraint).
    enum class Rule {
        None,
        Required,
        Unique,
        ForeignKey,
        Length,
        Date,
        Number,
        YesNo,
    };

    DbError(Kind kind, const QString &text);
    // A row refused by `rule` on `table`.`column` (either may be empty where the engine names none).
    static DbError refused(Rule rule, const QString &table, const QString &column, const QString &text);

    Kind kind() const { return m_kind; }
    QString text() const { return m_text; }
    Rule rule() const { return m_rule; }
    QString table() const { return m_table; }
    QString column() const { return m_column; }

    // The engine's last error on `db`, in words a user can act on. `file` names the database.
    static DbError fromEngine(sqlite3 *db, int code, const QString &file = {});
    // A refused row in the file engine's words ("UNIQUE constraint failed: TABLE.COLUMN",
    // "CHECK constraint failed: length:TABLE.COLUMN"), which a server's refusals are put in too.
    static DbError refusedByEngine(const QString &message);
    // The practice's server `server` (as the seat names it) did not answer.
    static DbError serverGone(const QString &server, const QString &detail);
    QString server() const { return m_server; }

private:
    Kind m_kind;
    QString m_text;
    Rule m_rule = Rule::None;
    QString m_table;
    QString m_column;
    QString m_server;
};

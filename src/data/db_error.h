#pragma once

#include <QString>
#include <stdexcept>

struct sqlite3;

// Every failure of the data layer: the text is meant to be shown to the user as it stands.
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
        ChangedElsewhere, // the row was changed or deleted by another window or program
        DamagedKeyFile,   // unreadable, or asking more of a derivation than a key file may
        Other
    };

    DbError(Kind kind, const QString &text);

    Kind kind() const { return m_kind; }
    QString text() const { return m_text; }

    // The engine's last error on `db`, in words a user can act on. `file` names the database.
    static DbError fromEngine(sqlite3 *db, int code, const QString &file = {});

private:
    Kind m_kind;
    QString m_text;
};

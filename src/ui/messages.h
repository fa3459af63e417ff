#pragma once

#include <QString>
#include <functional>

class DbError;
class QWidget;

// The program's message boxes. Tests answer them through a responder instead of a person;
// without one they are shown and wait.
namespace messages {

enum class Kind { Plain, Confirm, ConfirmDelete, ConfirmWeighty, Error };

struct Request {
    Kind kind;
    QString caption;
    QString text;
};

// A plain message: no icon, the application title, "OK".
void plain(QWidget *parent, const QString &text);
// "Confirm", question icon, "&Yes" / "&No". True on Yes.
bool confirm(QWidget *parent, const QString &question);
// A question whose "yes" cannot be undone: "&Ναι" / "Ό&χι", with "Όχι" the default answer.
bool confirmWeighty(QWidget *parent, const QString &question);
// "Delete record?" with "OK" / "Cancel". True on OK.
bool confirmDelete(QWidget *parent);
// The error box: stop icon, the application title, "OK"; the text ends with a full stop
// unless its last character already sorts at or before ".".
void error(QWidget *parent, const QString &text);
QString withFullStop(const QString &text);

// Why a data file could not be used, in words the person can act on (one Greek sentence).
QString reason(const DbError &error);
// Why the practice's server could not be used, for its seat: no server at the address, a
// certificate that is not the practice's, a refused role or password, a database that is not a
// practice or is of a newer program. Anything else as reason() says it.
QString serverProblem(const DbError &error);
// A server practice's seat keeps no data file: backups are the server's (velmora-db backup).
extern const QString ServerBackupNote;
// The seat's password is its role's on the server: velmora-db changes it there.
extern const QString ServerPasswordNote;

// A data error in the person's words for the error box: a refused row names the field by
// `caption` (its column where none is given), a row changed elsewhere says so; anything else is
// the error's own text.
QString inWords(const DbError &error, const QString &caption = {});

// Answers instead of the person: returns true for Yes / OK. Cleared with an empty function.
using Responder = std::function<bool(const Request &)>;
void setResponder(Responder responder);

} // namespace messages

// velmora-db: the practice's administration tool for data.mdb.
//   velmora-db create DIR              a new data.mdb and data.key in DIR, under the factory-default password
//   velmora-db create URI              the practice's tables in an empty server database
//   velmora-db sql FILE "STATEMENT"    runs one statement; rows tab-separated under a header (FILE may be a URI)
//   velmora-db backup FILE DEST        a verified, encrypted copy with its key file, even while the program runs
//   velmora-db backup URI DEST         the server's practice as such a pair of files, under a new access password
//   velmora-db migrate FILE URI        the practice file moved into an empty server database, in one transaction
//   velmora-db password URI            a new password for the seat's role on the server
//   (on a folder of the old layout these two only read, with the folder's own password; the rest refuse)
//   velmora-db password FILE [--new-key]  changes the access password (the current one or the recovery key opens);
//                                         with --new-key data.mdb moves under a new data key
//   velmora-db recovery FILE           a new recovery key in place of the old one
//   velmora-db key FILE                prints the data key, for another tool that opens the file
//   velmora-db due FILE [--on DATE]    the vaccine doses every child still needs, by the schedule in force
// The access password comes from VELMORA_PASSWORD, else from the terminal, else it is the factory default.
// On a URI that is the role's password; `migrate` takes the role's from VELMORA_SERVER_PASSWORD
// (else the terminal, else none: libpq's own PGPASSWORD or ~/.pgpass).
#include "data/backup.h"
#include "data/connection.h"
#include "data/dataset.h"
#include "data/folder_in_use.h"
#include "data/db_error.h"
#include "data/postgres/postgres_engine.h"
#include "data/global.h"
#include "data/jet_dialect.h"
#include "data/keys/key_file.h"
#include "data/leftovers.h"
#include "data/rekeying.h"
#include "data/old_layout.h"
#include "data/practice_copy.h"
#include "data/keys/private_files.h"
#include "data/schema.h"
#include "data/vaccine_records.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTextStream>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sodium.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {

int usage()
{
    QTextStream(stderr) << "usage:\n"
                           "  velmora-db create DIR | URI\n"
                           "  velmora-db sql FILE | URI \"STATEMENT\"\n"
                           "  velmora-db backup FILE | URI DEST\n"
                           "  velmora-db migrate FILE URI\n"
                           "  velmora-db password FILE [--new-key] | URI\n"
                           "  velmora-db recovery FILE\n"
                           "  velmora-db key FILE\n"
                           "  velmora-db due FILE [--on YYYY-MM-DD]\n"
                           "The access password is read from VELMORA_PASSWORD, else asked on the terminal.\n";
    return 2;
}

// Asked on the terminal without echo; nullopt when there is no terminal to ask on.
std::optional<QString> askOnTerminal(const char *prompt)
{
    const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (tty < 0)
        return std::nullopt;
    termios saved{};
    const bool isTerminal = ::tcgetattr(tty, &saved) == 0;
    if (isTerminal) {
        termios silent = saved;
        silent.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(tty, TCSAFLUSH, &silent);
    }
    (void)!::write(tty, prompt, strlen(prompt));
    QByteArray line;
    char c = 0;
    while (::read(tty, &c, 1) == 1 && c != '\n')
        line += c;
    (void)!::write(tty, "\n", 1);
    if (isTerminal)
        ::tcsetattr(tty, TCSAFLUSH, &saved);
    ::close(tty);
    QString typed = QString::fromUtf8(line);
    wipe(line);
    return typed;
}

QString accessPassword()
{
    if (qEnvironmentVariableIsSet("VELMORA_PASSWORD"))
        return qEnvironmentVariable("VELMORA_PASSWORD");
    const QString typed = askOnTerminal("Access password or recovery key (Enter: the factory default): ")
                              .value_or(FactoryDefaultPassword);
    return typed.trimmed().isEmpty() ? FactoryDefaultPassword : typed;
}

// The server role's password where the access password opens a file: VELMORA_SERVER_PASSWORD,
// else asked, else none.
QString serverPassword()
{
    if (qEnvironmentVariableIsSet("VELMORA_SERVER_PASSWORD"))
        return qEnvironmentVariable("VELMORA_SERVER_PASSWORD");
    return askOnTerminal("Password of the server's role (Enter: none): ").value_or(QString());
}

void endProgress()
{
    QTextStream err(stderr);
    err << Qt::endl;
}

// Long work shows how far it has come, in steps of ten per cent, on stderr.
std::function<void(double)> percentOnStderr()
{
    return [shown = -1](double done) mutable {
        if (const int percent = int(done * 100); percent / 10 != shown / 10) {
            shown = percent;
            QTextStream(stderr) << "\r" << percent << "%" << Qt::flush;
        }
    };
}

// The new password: VELMORA_NEW_PASSWORD, else asked twice; the rules of the password windows.
QString newPassword()
{
    QString password;
    if (qEnvironmentVariableIsSet("VELMORA_NEW_PASSWORD")) {
        password = qEnvironmentVariable("VELMORA_NEW_PASSWORD").trimmed();
    } else {
        auto first = askOnTerminal("New access password: ");
        auto second = askOnTerminal("New access password again: ");
        const auto forget = qScopeGuard([&] {
            if (first)
                wipe(*first);
            if (second)
                wipe(*second);
        });
        if (!first || !second)
            throw DbError(DbError::Kind::Other, QStringLiteral("Give the new password in VELMORA_NEW_PASSWORD"));
        if (first->trimmed() != second->trimmed())
            throw DbError(DbError::Kind::Other, QStringLiteral("The two passwords differ; nothing was changed"));
        password = first->trimmed();
    }
    switch (newPasswordFault(password)) {
    case NewPasswordFault::Unacceptable:
        throw DbError(DbError::Kind::Other,
                      QStringLiteral("The new password is empty or holds a character that passwords may not hold "
                                     "(punctuation such as . , - ' ; only letters, digits, blanks and / are allowed)"));
    case NewPasswordFault::TooShort:
        throw DbError(DbError::Kind::Other, QStringLiteral("The new password is too short: at least %1 characters; "
                                                           "nothing was changed")
                                                .arg(MinimumPasswordLength));
    case NewPasswordFault::FactoryDefault:
        throw DbError(DbError::Kind::Other, QStringLiteral("The factory default cannot be the new password: everyone "
                                                           "knows it; nothing was changed"));
    case NewPasswordFault::None: break;
    }
    return password;
}

QString convertedAtNextStart(const QString &file)
{
    return QStringLiteral("'%1' has the layout of an earlier version, without its key file; the program converts "
                          "it at its next start (after the login)")
        .arg(file);
}

// The folder as the program leaves it: work cut short is finished or undone first. An old
// folder is only read here (`sql`, `backup`), with its own password: it changes once, when the
// program converts it and the practice sets a new password.
bool settledIsOldLayout(const QString &file)
{
    if (postgres::isServerUri(file))
        return false; // a server keeps its own house
    removeLeftovers(file);
    return old_layout::isOldLayout(file);
}

QString settled(const QString &file)
{
    if (settledIsOldLayout(file))
        throw DbError(DbError::Kind::Other, convertedAtNextStart(file));
    return file;
}

int runStatement(const QString &file, const QString &statement)
{
    QTextStream out(stdout);
    const bool oldLayout = settledIsOldLayout(file);
    Connection connection = oldLayout ? old_layout::openForReading(file, accessPassword())
                                      : Connection::openFile(file, accessPassword());
    DataSet rows(connection);
    rows.setSql(statement);
    // A statement that returns columns is read as a result; anything else reports its changes.
    bool returnsRows = false;
    {
        Statement probe(connection, jet::translate(statement, connection.engine()));
        returnsRows = probe.columnCount() > 0;
        // Whatever returns no rows changes something.
        if (oldLayout && !returnsRows)
            throw DbError(DbError::Kind::ReadOnly,
                          convertedAtNextStart(file) + QStringLiteral("; until then it is only read here"));
    }
    if (!returnsRows) {
        out << connection.execute(statement) << Qt::endl;
        return 0;
    }
    rows.open();
    QStringList header;
    for (int c = 0; c < rows.fieldCount(); ++c)
        header << rows.field(c).name;
    out << header.join(QLatin1Char('\t')) << '\n';
    for (int r = 0; r < rows.recordCount(); ++r) {
        QStringList line;
        for (int c = 0; c < rows.fieldCount(); ++c)
            line << displayText(rows.value(r, c)).replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        out << line.join(QLatin1Char('\t')) << '\n';
    }
    return 0;
}

// One line per child and open series, tab-separated under a header, dates as ISO.
int listDue(const QString &file, const QDate &on)
{
    Connection connection = Connection::openFile(settled(file), accessPassword());
    schema::upgrade(connection);
    QTextStream out(stdout);
    out << "ID\tSURNAME\tNAME\tSERIES\tDOSE\tSTATE\tEARLIEST\tDUE\tOVERDUE\tLATEST\n";
    for (const vaccine_records::DueLine &line : vaccine_records::dueList(connection, on)) {
        const clinical::SeriesStatus &s = line.status;
        out << line.childId << '\t' << line.surname << '\t' << line.name << '\t' << s.series << '\t' << s.nextDose
            << '\t' << clinical::stateCode(s.state) << '\t' << s.earliest.toString(Qt::ISODate) << '\t'
            << s.due.toString(Qt::ISODate) << '\t' << s.overdue.toString(Qt::ISODate) << '\t'
            << s.latest.toString(Qt::ISODate) << '\n';
    }
    return 0;
}

// The key file and data.mdb belong together: proved by opening the file, before and after a change.
void proveOpens(const QString &file, const QString &secret)
{
    Connection::openFile(file, secret).scalar(QStringLiteral("SELECT count(*) FROM SECURITY"));
}

// Printed once; it counts only once it was written out whole.
void showRecoveryKey(const QString &file, const QString &recovery)
{
    QTextStream out(stdout);
    out << "Recovery key (shown once; keep it in a safe place): " << recovery << Qt::endl;
    if (out.status() != QTextStream::Ok)
        throw DbError(DbError::Kind::Other, QStringLiteral("The recovery key could not be shown; the previous one stands"));
    confirmRecoveryKey(file);
}

int changeAccessPassword(const QString &file, bool newKey)
{
    // Refused before anything is asked while the program has the folder open.
    std::optional<SoleUse> soleUse;
    if (newKey)
        soleUse.emplace(file);
    QString current = accessPassword();
    proveOpens(file, current); // a wrong one is refused before anything is asked
    QString password = newPassword();
    if (newKey) {
        rekeying::changeDataKey(file, current, password, percentOnStderr());
        endProgress();
    } else {
        changePassword(file, current, password);
    }
    proveOpens(file, password);
    QTextStream(stdout) << (newKey ? "The access password was changed and data.mdb moved under a new data key."
                                   : "The access password was changed.")
                        << Qt::endl;
    // A practice that never had a recovery key gets one now.
    if (!hasRecoveryKey(file))
        showRecoveryKey(file, addPendingRecoveryKey(file, password));
    wipe(current);
    wipe(password);
    return 0;
}

// A seat's role on the server: the current password opens the connection, the new one is
// proved by opening another.
int changeRolePassword(const QString &uri)
{
    QString current = accessPassword();
    Connection connection = Connection::openFile(uri, current);
    QString password = newPassword();
    static_cast<postgres::Session &>(connection.session()).setRolePassword(password);
    Connection::openFile(uri, password);
    QTextStream(stdout) << "The password of the server's role was changed." << Qt::endl;
    wipe(current);
    wipe(password);
    return 0;
}

// Where the copy went, and the rows of each table it holds.
void printCopy(const QString &where, const QMap<QString, qint64> &rowCounts)
{
    QTextStream out(stdout);
    out << where << Qt::endl;
    for (auto it = rowCounts.cbegin(); it != rowCounts.cend(); ++it)
        out << it.key() << '\t' << it.value() << '\n';
}

void printBackup(const BackupResult &result)
{
    printCopy(result.path, result.rowCounts);
}

int newRecovery(const QString &file)
{
    QString secret = accessPassword();
    proveOpens(file, secret);
    showRecoveryKey(file, addPendingRecoveryKey(file, secret));
    wipe(secret);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // A password and the data key pass through this process: no core dump may carry them to the disk.
    ::prctl(PR_SET_DUMPABLE, 0);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage();
    try {
        const QString verb = args[0];
        if (verb == QLatin1String("create") && args.size() == 2 && postgres::isServerUri(args[1])) {
            Connection connection = Connection::openFile(args[1], accessPassword());
            schema::createServerPractice(connection);
            QTextStream(stdout) << args[1] << Qt::endl;
            return 0;
        }
        if (verb == QLatin1String("create") && args.size() == 2) {
            const QString path = QDir(args[1]).filePath(DataFileName);
            makePrivateFolder(args[1]);
            schema::createDatabase(path, FactoryDefaultPassword);
            QTextStream(stdout) << path << Qt::endl;
            return 0;
        }
        if (verb == QLatin1String("sql") && args.size() == 3)
            return runStatement(args[1], args[2]);
        if (verb == QLatin1String("backup") && args.size() == 3 && postgres::isServerUri(args[1])) {
            QString rolePassword = accessPassword();
            QString password = newPassword();
            printBackup(practice_copy::backupServer(args[1], rolePassword, args[2], password, percentOnStderr()));
            endProgress();
            wipe(rolePassword);
            wipe(password);
            return 0;
        }
        if (verb == QLatin1String("backup") && args.size() == 3) {
            removeLeftovers(args[1]);
            printBackup(backupDatabase(args[1], args[2], accessPassword()));
            return 0;
        }
        if (verb == QLatin1String("migrate") && args.size() == 3 && !postgres::isServerUri(args[1]) &&
            postgres::isServerUri(args[2])) {
            QString filePassword = accessPassword();
            QString rolePassword = serverPassword();
            const practice_copy::Summary moved = practice_copy::migrate(settled(args[1]), filePassword, args[2],
                                                                        rolePassword, percentOnStderr());
            endProgress();
            wipe(filePassword);
            wipe(rolePassword);
            printCopy(args[2], moved.rowCounts);
            return 0;
        }
        if (verb == QLatin1String("password") && args.size() == 2 && postgres::isServerUri(args[1]))
            return changeRolePassword(args[1]);
        if (verb == QLatin1String("password") &&
            (args.size() == 2 || (args.size() == 3 && args[2] == QLatin1String("--new-key"))))
            return changeAccessPassword(settled(args[1]), args.size() == 3);
        if (verb == QLatin1String("recovery") && args.size() == 2)
            return newRecovery(settled(args[1]));
        if (verb == QLatin1String("key") && args.size() == 2) {
            const SecretBytes dataKey = unlockDataKey(settled(args[1]), accessPassword());
            // Written from locked memory: no ordinary copy of the key is left behind.
            SecretBytes hex(dataKey.size() * 2 + 1);
            sodium_bin2hex(hex.data(), size_t(hex.size()), dataKey.bytes(), size_t(dataKey.size()));
            hex.data()[hex.size() - 1] = '\n';
            return std::fwrite(hex.constData(), 1, size_t(hex.size()), stdout) == size_t(hex.size()) ? 0 : 1;
        }
        if (verb == QLatin1String("due") && (args.size() == 2 || (args.size() == 4 && args[2] == QLatin1String("--on")))) {
            const QDate on = args.size() == 4 ? QDate::fromString(args[3], Qt::ISODate) : QDate::currentDate();
            if (!on.isValid()) {
                QTextStream(stderr) << "Not a date (YYYY-MM-DD): " << args[3] << Qt::endl;
                return 2;
            }
            return listDue(args[1], on);
        }
        return usage();
    } catch (const DbError &error) {
        QTextStream(stderr) << error.text() << Qt::endl;
        return 1;
    } catch (const clinical::ScheduleError &error) {
        QTextStream(stderr) << error.text << Qt::endl;
        return 1;
    }
}

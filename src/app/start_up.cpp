#include "app/start_up.h"

#include "app/main_window.h"
#include "app/recovery_key_window.h"
#include "data/dataset.h"
#include "data/db_error.h"
#include "data/global.h"
#include "data/keys/key_file.h"
#include "data/leftovers.h"
#include "data/old_layout.h"
#include "data/postgres/server_conf.h"
#include "data/schema.h"
#include "office/reminder_display_window.h"
#include "ui/messages.h"
#include "ui/password_windows.h"

#include <QDir>

StartUp::StartUp(MainWindow &window) : m_window(window) {}

bool StartUp::run()
{
    try {
        ReceiptNumberingSet = false;
        m_today = QDate::currentDate();
        m_window.showStartingDay(m_today);
        AppDirectory = QDir::currentPath();
        m_window.showSplash();
        messages::plain(nullptr, StartupInformation);
        DbConnectionString = connectionStringOn(practiceDataSource(AppDirectory), DbPassword);
        AccessGranted = false;
        if (!(onServer() ? logInToServer() : logIn()))
            return false;
        checkDataFile();
        checkTodaysReminders();
        m_window.showMaximized();
        m_window.activateWindow(); // the login window has gone: the keyboard is the main window's now
        m_window.checkReceiptNumbering();
        return true;
    } catch (const DbError &error) {
        fail(ServerConf::existsIn(AppDirectory) ? messages::serverProblem(error) : messages::reason(error));
    } catch (const std::exception &error) {
        fail(QString::fromLocal8Bit(error.what()));
    }
    return false;
}

// The access password, and what the key file asks for around it: the practice's own password in
// place of a public one, an old folder converted, a recovery key that was never confirmed.
bool StartUp::logIn()
{
    const QString dataFile = accessedDataFile();
    m_folderInUse.emplace(dataFile);
    removeLeftovers(dataFile);
    // An old folder still at the factory default needs no login check to be converted.
    if (old_layout::isOldLayout(dataFile) && old_layout::storedPassword(dataFile) == FactoryDefaultPassword)
        old_layout::convert(dataFile, FactoryDefaultPassword);
    // The key file tells a practice still at the factory default: no derivation before the login's.
    if (!old_layout::isOldLayout(dataFile) && passwordStateOf(dataFile) == KeyFile::PasswordState::FactoryDefault) {
        checkDataFile(); // a damaged file is told before a password is asked for
        setOwnPassword(FactoryDefaultPassword);
    }
    LoginWindow(&m_window).exec();
    if (!AccessGranted)
        return false;
    if (old_layout::isOldLayout(dataFile)) {
        QString password = accessSecret();
        old_layout::convert(dataFile, password);
        useAccessSecret(openSession(dataFile, password));
        wipe(password);
    }
    // The old password lies in every copy of the old file: the practice sets its own now.
    if (KeyFile::load(keyFilePathFor(dataFile)).passwordState() == KeyFile::PasswordState::FromOldLayout)
        setOwnPassword(accessSecret());
    ensureRecoveryKey(&m_window);
    return true;
}

// A server's seat: the password is the seat's role password, checked by the server itself.
bool StartUp::logInToServer()
{
    LoginWindow(&m_window).exec();
    if (AccessGranted)
        m_window.showServerPractice();
    return AccessGranted;
}

// Opens the data with the connection string in force: data of an older version is brought up
// to date, data that lacks a table or column is refused.
void StartUp::checkDataFile()
{
    m_connection.reconnect(DbConnectionString);
    schema::upgrade(m_connection);
    schema::verify(m_connection);
    m_connection.close();
}

// The practice's own password in place of a public one, with a new data key and recovery key.
void StartUp::setOwnPassword(const QString &openingSecret)
{
    SetPasswordWindow setPassword(openingSecret, SetPasswordWindow::Purpose::FirstPassword, &m_window);
    setPassword.exec();
    if (const QString recoveryKey = setPassword.newRecoveryKey(); !recoveryKey.isEmpty())
        showRecoveryKey(recoveryKey, &m_window);
}

// The program cannot go on: one message with the reason and the file, and a failure status,
// so that neither the person nor a script takes the end for a normal one.
void StartUp::fail(const QString &reason)
{
    m_connection.close();
    m_window.hide();
    messages::plain(nullptr, QStringLiteral("Το πρόγραμμα δεν μπορεί να ξεκινήσει.\n%1\n%2").arg(reason, practiceName()));
    m_exitStatus = 1;
}

void StartUp::checkTodaysReminders()
{
    const QString today =
        QStringLiteral(" from YPENTHIMISEIS WHERE DAY(HMEROMHNIA)=? AND MONTH(HMEROMHNIA)=? AND YEAR(HMEROMHNIA)=?");
    const QVariantList values{m_today.day(), m_today.month(), m_today.year()};
    if (countRows(DbConnectionString, QStringLiteral("SELECT HMEROMHNIA") + today, values) != 1)
        return;
    ReminderDisplayWindow display(&m_window);
    display.setQuery(QStringLiteral("SELECT *") + today, values);
    display.exec();
}

// Where the data lies, as the person knows it: the data file, or the server and database.
QString StartUp::practiceName() const
{
    if (ServerConf::existsIn(AppDirectory)) {
        try {
            return ServerConf::load(AppDirectory).displayName();
        } catch (const DbError &) {
            // The file itself was the fault: its path says where to look.
        }
        return QDir::toNativeSeparators(QDir(AppDirectory).filePath(ServerConf::FileName));
    }
    return QDir::toNativeSeparators(QDir(AppDirectory).filePath(DataFileName));
}

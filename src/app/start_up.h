#pragma once

#include "data/connection.h"
#include "data/folder_in_use.h"

#include <QDate>
#include <optional>

class MainWindow;

// What happens before the main window shows: the splash window, the information message, the
// practice's data and its access password, today's reminder and the receipt numbering; at its
// end the main window maximised. Any failure ends the program with one message that says why.
// Lives as long as the run: it holds the practice folder for it.
class StartUp {
public:
    explicit StartUp(MainWindow &window);
    StartUp(const StartUp &) = delete;
    StartUp &operator=(const StartUp &) = delete;

    // False when the program must end (no access, or any error).
    bool run();
    // What the program ends with when run() returned false: 0 when the person left the login,
    // 1 when start-up failed.
    int exitStatus() const { return m_exitStatus; }

private:
    bool logIn();
    bool logInToServer();
    QString practiceName() const;
    void checkDataFile();
    void checkTodaysReminders();
    void setOwnPassword(const QString &openingSecret);
    void fail(const QString &reason);

    MainWindow &m_window;
    Connection m_connection;
    // Held from the start to the end of the run: no other program moves data.mdb from under it.
    std::optional<FolderInUse> m_folderInUse;
    QDate m_today;
    int m_exitStatus = 0;
};

inline const QString StartupInformation = QStringLiteral(
    "Important Information\r\rPlease read carefully\r\r1) If you see rubbish (unreadable characters) instead "
    "of Greek characters you must reconfigure your Windows operating system to support Greek system characters."
    "\r\r2) The recommended screen resolution is 1024 x 768 or higher. Lower resolution may cause application "
    "forms seem incorrect.");

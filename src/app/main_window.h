#pragma once

#include "data/connection.h"
#include "data/folder_in_use.h"

#include <QDate>
#include <QHash>
#include <QMainWindow>
#include <functional>
#include <optional>

class QAction;
class QCalendarWidget;
class QLabel;
class QMenu;
class QWidget;

// TForm3: the hub. Its start-up sequence asks for the access password; afterwards its menu
// and buttons open every other window modally.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);

    // Runs the start-up sequence; false when the program must end (no access, or any error).
    bool startUp();
    // What the program ends with when start-up returned false: 0 when the person left the
    // login, 1 when start-up failed.
    int exitStatus() const { return m_exitStatus; }
    void checkTodaysReminders();
    void checkReceiptNumbering();

    // How long the splash window stays, at start and at exit.
    void setSplashMilliseconds(int milliseconds) { m_splashMilliseconds = milliseconds; }
    // A window that a menu item or button opens, by its name ("TForm17").
    void setOpener(const QString &windowName, std::function<void()> open);
    // Opens a window by its name, as its menu item does.
    void open(const QString &windowName);

protected:
    void closeEvent(QCloseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenu();
    QWidget *buildButtonsPanel();
    QWidget *buildRightPanel(QWidget *central);
    QWidget *buildBottomPanel(QWidget *central);
    void buildStatusBar();
    QAction *addItem(QMenu *menu, const QString &caption, const QString &objectName, std::function<void()> action);
    void showSplash();
    void startCalculator();
    void openReceiptNumbering();
    void setOwnPassword(const QString &openingSecret);
    void changePassword();
    void makeNewRecoveryKey();
    void ensureRecoveryKey();
    void showRecoveryKey(const QString &recoveryKey);
    QString sessionSecret() const;
    void makeBackup();
    void tick();
    int countRows(const QString &jetSql, const QVariantList &values = {});
    QString dataFilePath() const;
    void checkDataFile();
    void failStartUp(const QString &reason);

    Connection m_connection;
    // Held from the start to the end of the run: no other program moves data.mdb from under it.
    std::optional<FolderInUse> m_folderInUse;
    QDate m_today;
    int m_splashMilliseconds = 3000;
    bool m_leaving = false;
    int m_exitStatus = 0;
    QHash<QString, std::function<void()>> m_openers;
    QAction *m_numberingItem = nullptr;
    QCalendarWidget *m_calendar = nullptr;
    QWidget *m_buttonsPanel = nullptr;
    QLabel *m_clockText = nullptr;
    QLabel *m_notice = nullptr;
};

inline const QString StartupInformation = QStringLiteral(
    "Important Information\r\rPlease read carefully\r\r1) If you see rubbish (unreadable characters) instead "
    "of Greek characters you must reconfigure your Windows operating system to support Greek system characters."
    "\r\r2) The recommended screen resolution is 1024 x 768 or higher. Lower resolution may cause application "
    "forms seem incorrect.");

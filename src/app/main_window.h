#pragma once

#include <QDate>
#include <QHash>
#include <QMainWindow>
#include <functional>

class QAction;
class QCalendarWidget;
class QLabel;
class QMenu;
class QWidget;

// TForm3: the hub. Once the start-up (app/start_up.h) has let the person in, its menu and
// buttons open every other window modally.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);

    void showStartingDay(const QDate &today);
    // Hides «Καθορισμός αρίθμησης των αποδείξεων» for the run once the counter holds its row.
    void checkReceiptNumbering();
    void showSplash();
    void showServerPractice();

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
    void startCalculator();
    void openReceiptNumbering();
    void changePassword();
    void makeNewRecoveryKey();
    void makeBackup();
    void tick();

    int m_splashMilliseconds = 3000;
    bool m_leaving = false;
    QHash<QString, std::function<void()>> m_openers;
    QAction *m_numberingItem = nullptr;
    QCalendarWidget *m_calendar = nullptr;
    QWidget *m_buttonsPanel = nullptr;
    QLabel *m_clockText = nullptr;
    QLabel *m_notice = nullptr;
};

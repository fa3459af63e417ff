#include "app/main_window.h"

#include "ui/captions.h"
#include "ui/guarded.h"
#include "app/about_window.h"
#include "app/analog_clock.h"
#include "data/backup.h"
#include "data/dataset.h"
#include "data/db_error.h"
#include "data/global.h"
#include "ui/look.h"
#include "ui/messages.h"
#include "ui/password_windows.h"
#include "app/recovery_key_window.h"
#include "app/server_connection_window.h"
#include "data/regional.h"
#include "app/splash_window.h"

#include <QAction>
#include <QCalendarWidget>
#include <QCoreApplication>
#include <QStyle>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The buttons panel, top to bottom: object name, caption, the window it opens.
struct PanelButton {
    const char *name;
    const char *caption;
    const char *window;
};
const PanelButton PanelButtons[] = {
    {"Button2", "Εύρ&εση παιδιού", "TForm17"},
    {"Button1", "&Καταχώρηση νέου παιδιού", "TForm16"},
    {"Button9", "Αποδείξεις που εκ&δόθηκαν", "TForm71"},
    {"Button6", "Λειτουργικά έξοδα (&Αναλυτική έρευνα)", "TForm14"},
    {"Button7", "Λειτουργικά έξοδα (Κατά &μήνα)", "TForm15"},
    {"Button8", "Δίαιτε&ς", "TForm1"},
    {"Button5", "Υπενθ&υμίσεις", "TForm11"},
    {"Button12", "Βιβλίο σημει&ώσεων", "TForm6"},
    {"Button4", "Χρήσιμα &τηλέφωνα", "TForm10"},
    {"Button3", "&Ιατροί άλλων ειδικοτήτων", "TForm2"},
    {"Button10", "Αριθμομη&χανή", "Calculator"},
    {"Button11", "Ημε&ρολογιακά", "TForm8"},
    {"Button13", "Ρα&ντεβού", "TForm1a"},
};

const QString Notice = QStringLiteral("Velmora 2.0.0 · Πρόγραμμα διαχείρισης παιδιατρικού ιατρείου");

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TForm3"));
    setWindowTitle(QStringLiteral("Velmora created by Torvane"));
    resize(968, 724);

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("Background"));
    look::paint(central);
    setCentralWidget(central);

    auto *banner = new QLabel(central);
    banner->setObjectName(QStringLiteral("Image1"));
    banner->setPixmap(practicePicture(QStringLiteral("banner.jpg")));
    QWidget *rightPanel = buildRightPanel(central);
    QWidget *bottomPanel = buildBottomPanel(central);

    // The banner keeps its place from the top left while the window grows.
    auto *grid = new QGridLayout(central);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setRowMinimumHeight(0, 214);
    grid->setColumnMinimumWidth(0, 70);
    grid->addWidget(banner, 1, 1, Qt::AlignLeft | Qt::AlignTop);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(2, 1);
    grid->addWidget(rightPanel, 0, 3, 3, 1);
    grid->addWidget(bottomPanel, 3, 0, 1, 4);

    buildStatusBar();
    for (QWidget *w : {static_cast<QWidget *>(banner), rightPanel, bottomPanel, static_cast<QWidget *>(statusBar()), central})
        w->installEventFilter(this);

    buildMenu();
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &MainWindow::tick);
    timer->start(1000);
    tick();
}

// The buttons panel, hidden until its toggle shows it.
QWidget *MainWindow::buildRightPanel(QWidget *central)
{
    auto *rightPanel = new QWidget(central);
    rightPanel->setObjectName(QStringLiteral("Panel2"));

    auto *toggle = new QPushButton(rightPanel);
    toggle->setObjectName(QStringLiteral("BitBtn1"));
    toggle->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    toggle->setFixedHeight(25);
    toggle->setAccessibleName(QStringLiteral("Κουμπιά"));
    m_buttonsPanel = buildButtonsPanel();
    m_buttonsPanel->setParent(rightPanel);
    m_buttonsPanel->hide();
    // 207 wide as laid out, wider where the font needs it for the longest caption.
    rightPanel->setFixedWidth(qMax(207, m_buttonsPanel->sizeHint().width()));
    connect(toggle, &QPushButton::clicked, this, [this] { m_buttonsPanel->setVisible(!m_buttonsPanel->isVisible()); });
    auto *rightLayout = new QVBoxLayout(rightPanel);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    rightLayout->addWidget(toggle);
    rightLayout->addWidget(m_buttonsPanel);
    rightLayout->addStretch();
    return rightPanel;
}

// The month calendar and the clock.
QWidget *MainWindow::buildBottomPanel(QWidget *central)
{
    auto *bottomPanel = new QWidget(central);
    bottomPanel->setObjectName(QStringLiteral("Panel1"));
    bottomPanel->setFixedHeight(159);
    m_calendar = new QCalendarWidget(bottomPanel);
    look::nameCalendarButtons(m_calendar);
    m_calendar->setObjectName(QStringLiteral("MonthCalendar1"));
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
    m_calendar->setSelectionMode(QCalendarWidget::NoSelection);
    m_calendar->setFixedWidth(qMax(200, m_calendar->sizeHint().width()));
    auto *clock = new AnalogClock(bottomPanel);
    auto *bottomLayout = new QHBoxLayout(bottomPanel);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    bottomLayout->addWidget(m_calendar);
    bottomLayout->addStretch();
    bottomLayout->addWidget(clock);
    return bottomPanel;
}

// The time of day and the program's notice.
void MainWindow::buildStatusBar()
{
    m_clockText = new QLabel(this);
    m_clockText->setObjectName(QStringLiteral("StatusPanel1"));
    m_notice = new QLabel(this);
    m_notice->setObjectName(QStringLiteral("StatusPanel2"));
    statusBar()->addWidget(m_clockText);
    statusBar()->addWidget(m_notice, 1);
}

QWidget *MainWindow::buildButtonsPanel()
{
    auto *panel = new QWidget;
    panel->setObjectName(QStringLiteral("Panel3"));
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const PanelButton &b : PanelButtons) {
        auto *button = new QPushButton(QString::fromUtf8(b.caption), panel);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setFocusPolicy(Qt::ClickFocus); // not reached with Tab
        button->setMinimumHeight(25);
        const QString window = QString::fromLatin1(b.window);
        connect(button, &QPushButton::clicked, this, [this, window] { open(window); });
        layout->addWidget(button);
    }
    return panel;
}

QAction *MainWindow::addItem(QMenu *menu, const QString &caption, const QString &objectName, std::function<void()> action)
{
    QAction *item = menu->addAction(caption);
    item->setObjectName(objectName);
    connect(item, &QAction::triggered, this, [this, action = std::move(action)] { runGuarded(this, action); });
    return item;
}

void MainWindow::buildMenu()
{
    const auto opens = [this](const char *window) { return [this, window] { open(QString::fromLatin1(window)); }; };
    QMenu *options = menuBar()->addMenu(QStringLiteral("Ε&πιλογές"));
    options->setObjectName(QStringLiteral("Options"));
    addItem(options, QStringLiteral("Εύρ&εση παιδιού"), "FindChild", opens("TForm17"));
    addItem(options, QStringLiteral("Καταχώρηση νέου &παιδιού"), "NewChild", opens("TForm16"));
    QMenu *vaccines = options->addMenu(QStringLiteral("Εμβολ&ιασμοί"));
    vaccines->setObjectName(QStringLiteral("Vaccines"));
    addItem(vaccines, QStringLiteral("Εμβόλια που &οφείλονται"), "DueVaccines", opens("DueVaccines"));
    addItem(vaccines, QStringLiteral("&Πρόγραμμα εμβολιασμών"), "VaccineSchedule", opens("VaccineSchedule"));
    options->addSeparator();
    addItem(options, QStringLiteral("Δί&αιτες"), "Diets", opens("TForm1"));
    addItem(options, QStringLiteral("Εκτύπωση ιατρικής συντα&γής"), "Prescription", opens("Prescription"));
    addItem(options, QStringLiteral("Εκτύπω&ση πιστοποιητικού ασθενείας"), "SickNote", opens("SickNote"));
    options->addSeparator();
    QMenu *expenses = options->addMenu(QStringLiteral("Λειτουργικά έξ&οδα"));
    addItem(expenses, QStringLiteral("Επε&ξεργασία"), "ExpenseLedger", opens("TForm13"));
    addItem(expenses, QStringLiteral("Αναλυτική έ&ρευνα"), "ExpensesByDate", opens("TForm14"));
    addItem(expenses, QStringLiteral("Κατά &μήνα"), "ExpensesByMonth", opens("TForm15"));
    addItem(options, QStringLiteral("Εισπρά&ξεις σε διάστημα δυο ημερομηνιών"), "IncomeBetweenDates", opens("TForm59"));
    addItem(options, QStringLiteral("Αποδείξεις που εκ&δόθηκαν"), "IssuedReceipts", opens("TForm71"));
    options->addSeparator();
    addItem(options, QStringLiteral("Βιβλίο ση&μειώσεων"), "Notes", opens("TForm6"));
    addItem(options, captions::RemindersItem, "Reminders", opens("TForm11"));
    addItem(options, QStringLiteral("Χρήσιμα &τηλέφωνα"), "Phones", opens("TForm10"));
    addItem(options, QStringLiteral("Ιατροί άλλων ειδικοτήτ&ων"), "Doctors", opens("TForm2"));
    options->addSeparator();
    addItem(options, QStringLiteral("Ημε&ρολογιακά"), "CalendarUtilities", opens("TForm8"));
    addItem(options, QStringLiteral("Αριθμομη&χανή"), "Calculator", [this] { startCalculator(); });
    addItem(options, QStringLiteral("Ρα&ντεβού"), "Appointments", opens("TForm1a"));
    options->addSeparator();
    QMenu *settings = options->addMenu(QStringLiteral("Ρυ&θμίσεις"));
    m_numberingItem = addItem(settings, QStringLiteral("Καθορισμός αρίθμησης των αποδείξεων"), "ReceiptNumbering",
                              [this] { openReceiptNumbering(); });
    addItem(settings, QStringLiteral("Διαμόρφωση των στοιχείων που θα εμφανίζονται στις αποδείξεις και άλλα έντυπα"),
            "Letterhead", opens("TForm73"));
    addItem(options, QStringLiteral("Αλλαγή του &κωδικού πρόσβασης"), "ChangePassword", [this] { changePassword(); });
    addItem(options, QStringLiteral("Νέο κ&λειδί ανάκτησης"), "NewRecoveryKey", [this] { makeNewRecoveryKey(); });
    addItem(options, QStringLiteral("Σύνδεσ&η με διακομιστή"), "ServerConnection",
            [this] { ServerConnectionWindow(this).exec(); });
    options->addSeparator();
    addItem(options, QStringLiteral("Backup"), "Backup", [this] { makeBackup(); });

    QAction *about = menuBar()->addAction(QStringLiteral("A&bout Velmora"));
    about->setObjectName(QStringLiteral("About"));
    connect(about, &QAction::triggered, this, [this] { AboutWindow(this).exec(); });
    QAction *exit = menuBar()->addAction(QStringLiteral("Έ&ξοδος"));
    exit->setObjectName(QStringLiteral("Exit"));
    connect(exit, &QAction::triggered, this, &QWidget::close);
}

void MainWindow::setOpener(const QString &windowName, std::function<void()> open)
{
    m_openers.insert(windowName, std::move(open));
}

void MainWindow::open(const QString &windowName)
{
    if (windowName == QLatin1String("Calculator")) {
        startCalculator();
        return;
    }
    // Opening reads the window's rows: a file that cannot be read is told here.
    if (const auto opener = m_openers.value(windowName))
        runGuarded(this, opener);
}

// A server's seat has no data file of its own: what belongs to the file (its recovery key) goes.
void MainWindow::showServerPractice()
{
    findChild<QAction *>(QStringLiteral("NewRecoveryKey"))->setVisible(false);
}

// The date the run started on and the program's notice, as the start-up shows them.
void MainWindow::showStartingDay(const QDate &today)
{
    m_calendar->setSelectedDate(today);
    m_notice->setText(Notice);
}

void MainWindow::checkReceiptNumbering()
{
    ReceiptNumberingSet = false;
    if (countRows(DbConnectionString, QStringLiteral("SELECT * from LAST_APODEIKSH")) != 0) {
        m_numberingItem->setVisible(false); // never shown again in this run
        ReceiptNumberingSet = true;
    }
}

void MainWindow::openReceiptNumbering()
{
    open(QStringLiteral("TForm9"));
    checkReceiptNumbering();
}

void MainWindow::changePassword()
{
    if (onServer()) {
        messages::plain(this, messages::ServerPasswordNote);
        return;
    }
    // A recovery key written before keys were sealed does not follow a new data key.
    if (ChangePasswordWindow(this).exec() == QDialog::Accepted)
        ensureRecoveryKey(this);
}

void MainWindow::makeNewRecoveryKey()
{
    NewRecoveryKeyWindow ask(this);
    if (ask.exec() == QDialog::Accepted && !ask.newRecoveryKey().isEmpty())
        showRecoveryKey(ask.newRecoveryKey(), this);
}

void MainWindow::showSplash()
{
    SplashWindow splash(m_splashMilliseconds);
    look::centre(&splash);
    splash.exec();
}

void MainWindow::startCalculator()
{
    // The desktop's own calculator, whichever is installed.
    const QStringList programs = {"galculator", "gnome-calculator", "kcalc", "mate-calc", "qalculate-gtk", "xcalc"};
    for (const QString &program : programs) {
        const QString path = QStandardPaths::findExecutable(program);
        if (!path.isEmpty()) {
            QProcess::startDetached(path, {});
            return;
        }
    }
    messages::plain(this, QStringLiteral("Δεν βρέθηκε αριθμομηχανή. Εγκαταστήστε ένα από τα προγράμματα: %1.")
                              .arg(programs.join(QStringLiteral(", "))));
}

void MainWindow::makeBackup()
{
    const QString source = accessedDataFile();
    if (onServer()) {
        messages::plain(this, messages::ServerBackupNote);
        return;
    }
    try {
        const BackupResult result = backupDatabase(source, backupPathFor(source, QDateTime::currentDateTime()),
                                                   accessSecret());
        messages::plain(this, QStringLiteral("Το αντίγραφο ασφαλείας των δεδομένων δημιουργήθηκε και ελέγχθηκε:\n") +
                                  QDir::toNativeSeparators(result.path));
    } catch (const DbError &error) {
        messages::plain(this, QStringLiteral("Το αντίγραφο ασφαλείας δεν δημιουργήθηκε:\n") + error.text());
    }
}

void MainWindow::tick()
{
    const Regional &regional = Regional::current();
    const QDateTime now = QDateTime::currentDateTime();
    m_clockText->setText(regional.formatDate(now.date()) + QLatin1Char(' ') + regional.formatTime(now.time()));
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_leaving) {
        event->accept();
        return;
    }
    if (!messages::confirm(this, QStringLiteral("Έξοδος;"))) {
        event->ignore();
        return;
    }
    m_leaving = true;
    hide();
    showSplash();
    event->accept();
    QCoreApplication::quit();
}

void MainWindow::contextMenuEvent(QContextMenuEvent *event)
{
    openMakerPage(); // the window's context menu has no items: opening it is the trigger
    event->accept();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        openMakerPage();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

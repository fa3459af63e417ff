#include "ui/password_windows.h"

#include "data/db_error.h"
#include "data/global.h"
#include "data/keys/key_file.h"
#include "data/old_layout.h"
#include "data/postgres/postgres_engine.h"
#include "data/rekeying.h"
#include "ui/captions.h"
#include "ui/look.h"
#include "ui/messages.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>

namespace {

const QString CaseNote = QStringLiteral("Προσοχή έχουν σημασία Πεζά / Κεφαλαία");
const QString WrongPassword = QStringLiteral("Λανθασμένος κωδικός πρόσβασης.");
// Guessing a password costs an attacker a derivation per try: these rules make it years.
const QString TooShort = QStringLiteral("Ο κωδικός πρόσβασης πρέπει να έχει τουλάχιστον %1 χαρακτήρες.");
const QString FactoryDefault = QStringLiteral("Ο κωδικός %1 είναι ο αρχικός κωδικός του προγράμματος, γνωστός σε "
                                              "όλους· ορίστε δικό σας κωδικό πρόσβασης.");
constexpr int LongestWait = 30;

// Caption, field and the red "*" on one row of the grid.
void addRow(QGridLayout *grid, int row, const QString &caption, QLineEdit *field, QWidget *window)
{
    grid->addWidget(look::caption(caption, field, window), row, 0);
    grid->addWidget(field, row, 1);
    grid->addWidget(look::requiredMarker(window), row, 2);
}

// An explanation over one field, then «Συνέχεια» and the exit: the windows that ask one thing.
void askOneThing(QWidget *window, const QString &explanation, const QString &caption, QLineEdit *field,
                 QPushButton *proceed)
{
    QPushButton *exit = look::exitButton(window);
    auto *grid = new QGridLayout(window);
    auto *text = new QLabel(explanation, window);
    text->setWordWrap(true);
    grid->addWidget(text, 0, 0, 1, 3);
    addRow(grid, 1, caption, field, window);
    grid->addLayout(look::spreadRow({}, {proceed, exit}), 2, 0, 1, 3);
}

// Unlocking takes a moment on purpose: the cursor says so meanwhile.
template <typename Check>
bool whileWaiting(Check check)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    return check();
}

// The rules of a new password, told in a message; the field at fault gets the focus back.
bool acceptedAsNewPassword(QWidget *window, QLineEdit *field)
{
    QString refusal;
    switch (newPasswordFault(field->text())) {
    case NewPasswordFault::TooShort: refusal = TooShort.arg(MinimumPasswordLength); break;
    case NewPasswordFault::FactoryDefault: refusal = FactoryDefault.arg(FactoryDefaultPassword); break;
    case NewPasswordFault::Unacceptable: // the button was not enabled
    case NewPasswordFault::None: return true;
    }
    messages::plain(window, refusal);
    field->setFocus();
    field->selectAll();
    return false;
}

// The whole data file is copied under the new key: a progress bar meanwhile, no way to stop it
// half-way (nothing would be gained).
SecretBytes newDataKeyWithProgress(QWidget *parent, const QString &secret, const QString &password)
{
    QProgressDialog progress(QStringLiteral("Νέο κλειδί δεδομένων: τα δεδομένα κρυπτογραφούνται ξανά…"), QString(), 0,
                             100, parent);
    progress.setObjectName(QStringLiteral("DataKeyProgress"));
    progress.setWindowTitle(QStringLiteral("Νέο κλειδί δεδομένων"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    SecretBytes dataKey = rekeying::changeDataKey(accessedDataFile(), secret, password,
                                                  [&progress](double done) { progress.setValue(int(done * 100)); });
    // The session of this run goes on with the new key.
    if (const QString session = accessSecret(); isSession(session))
        renewSession(session, dataKey);
    return dataKey;
}

} // namespace

QLineEdit *passwordField(const QString &objectName, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(objectName);
    field->setEchoMode(QLineEdit::Password);
    field->setStyleSheet(QStringLiteral("lineedit-password-character: 42")); // shown as "*"
    return field;
}

QString takeSecret(QLineEdit *field)
{
    QString typed = field->text();
    field->setText(QString());
    QString trimmed = typed.trimmed();
    if (trimmed.constData() != typed.constData())
        wipe(typed);
    return trimmed;
}

QString accessSecret()
{
    return ConnectionSettings::parse(DbConnectionString).databasePassword.trimmed();
}

QString accessedDataFile()
{
    return ConnectionSettings::parse(DbConnectionString).dataSource;
}

void useAccessSecret(const QString &secret)
{
    DbConnectionString = connectionStringOn(accessedDataFile(), secret);
}

bool onServer()
{
    return postgres::isServerUri(accessedDataFile());
}

bool accessPasswordOpens(const QString &password)
{
    const QString dataFile = accessedDataFile();
    if (onServer())
        return postgres::acceptsPassword(dataFile, password);
    if (old_layout::isOldLayout(dataFile))
        return old_layout::storedPassword(dataFile) == password;
    return unlocks(dataFile, password);
}

LoginWindow::LoginWindow(QWidget *parent) : Window(QStringLiteral("TForm65"), QStringLiteral("Έλεγχος πρόσβασης"), parent)
{
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    AccessGranted = false;

    m_password = passwordField(QStringLiteral("Edit1"), this);
    m_enter = newDefaultButton(QStringLiteral("Εί&σοδος"), QStringLiteral("Button1"), Starts::Disabled);
    auto *exit = new QPushButton(QStringLiteral("Έ&ξοδος"), this);
    exit->setObjectName(QStringLiteral("Button2"));
    auto *forgotten = new QPushButton(QStringLiteral("Ξέχασα τον &κωδικό"), this);
    forgotten->setObjectName(QStringLiteral("Button3"));
    // Only a key file that holds a recovery key offers the way back; a server's seat asks the
    // server's keeper for a new password instead.
    const QString keyFile = keyFilePathFor(accessedDataFile());
    forgotten->setVisible(!onServer() && QFileInfo::exists(keyFile) &&
                          KeyFile::load(keyFile).has(KeyFile::Slot::Recovery));
    m_waitNote = new QLabel(this);
    m_waitNote->setObjectName(QStringLiteral("WaitNote"));
    m_waitTimer = new QTimer(this);
    m_waitTimer->setInterval(1000);

    auto *grid = new QGridLayout(this);
    grid->addWidget(look::note(captions::LoginCaseNote, this), 0, 0, 1, 3);
    addRow(grid, 1, QStringLiteral("Κωδικός πρόσβασης:"), m_password, this);
    grid->addWidget(m_waitNote, 2, 0, 1, 3);
    grid->addLayout(look::spreadRow({forgotten}, {m_enter, exit}), 3, 0, 1, 3);

    connect(m_password, &QLineEdit::textChanged, this, &LoginWindow::passwordChanged);
    connect(m_enter, &QPushButton::clicked, this, guarded(&LoginWindow::enter)); // a server may not answer
    connect(exit, &QPushButton::clicked, this, &LoginWindow::leave);
    connect(forgotten, &QPushButton::clicked, this, &LoginWindow::forgotten);
    connect(m_waitTimer, &QTimer::timeout, this, &LoginWindow::countDown);
    setTabOrder(m_password, m_enter);
    setTabOrder(m_enter, exit);
    setTabOrder(exit, forgotten);
    fixSize({303, 159});
}

int LoginWindow::waitSeconds(int failures)
{
    if (failures < 3)
        return 0;
    return failures - 3 >= 5 ? LongestWait : qMin(LongestWait, 1 << (failures - 3));
}

void LoginWindow::passwordChanged()
{
    m_enter->setEnabled(m_secondsLeft == 0 && acceptablePassword(m_password->text().trimmed()));
}

void LoginWindow::enter()
{
    if (m_secondsLeft > 0)
        return;
    QString typed = takeSecret(m_password);
    const auto forget = qScopeGuard([&typed] { wipe(typed); });
    AccessGranted = false;
    if (!whileWaiting([&] { return accessPasswordOpens(typed); })) {
        messages::plain(this, WrongPassword);
        m_password->setFocus();
        m_secondsLeft = waitSeconds(++m_failures);
        countDown();
        return;
    }
    const QString dataFile = accessedDataFile();
    // A folder of the old layout is converted with its password right after; a data file or a
    // server keeps a session instead of the password.
    if (onServer()) {
        useAccessSecret(openServerSession(dataFile, typed));
    } else if (old_layout::isOldLayout(dataFile)) {
        useAccessSecret(typed);
    } else {
        upgradeKeyFile(dataFile, typed);
        useAccessSecret(openSession(dataFile, typed));
    }
    AccessGranted = true;
    accept();
}

// One second less to wait; the note says how many are left.
void LoginWindow::countDown()
{
    if (m_secondsLeft > 0 && m_waitTimer->isActive())
        --m_secondsLeft;
    if (m_secondsLeft == 0) {
        m_waitTimer->stop();
        m_waitNote->clear();
    } else {
        if (!m_waitTimer->isActive())
            m_waitTimer->start();
        m_waitNote->setText(m_secondsLeft == 1
                                ? QStringLiteral("Νέα προσπάθεια σε 1 δευτερόλεπτο.")
                                : QStringLiteral("Νέα προσπάθεια σε %1 δευτερόλεπτα.").arg(m_secondsLeft));
    }
    passwordChanged();
}

void LoginWindow::forgotten()
{
    ForgottenPasswordWindow(this).exec();
    // Back to the login, which now asks for the new password.
    activateWindow();
    m_password->clear();
    m_password->setFocus();
}

void LoginWindow::leave()
{
    AccessGranted = false;
    reject(); // the start-up sequence ends the program
}

SetPasswordWindow::SetPasswordWindow(const QString &openingSecret, Purpose purpose, QWidget *parent)
    : Window(QStringLiteral("TForm100"), QStringLiteral("Καθορισμός του κωδικού πρόσβασης"), parent),
      m_openingSecret(openingSecret), m_purpose(purpose)
{
    setWindowFlag(Qt::WindowCloseButtonHint, false);

    m_password = passwordField(QStringLiteral("Edit1"), this);
    m_confirmation = passwordField(QStringLiteral("Edit2"), this);
    m_store = newDefaultButton(QStringLiteral("Καταχώρηση"), QStringLiteral("Button1"), Starts::Disabled);

    auto *grid = new QGridLayout(this);
    grid->addWidget(look::note(CaseNote, this), 0, 0, 1, 3);
    addRow(grid, 1, QStringLiteral("Κωδικός πρόσβασης:"), m_password, this);
    addRow(grid, 2, QStringLiteral("Επιβεβαίωση κωδικού πρόσβασης:"), m_confirmation, this);
    grid->addWidget(m_store, 3, 1, Qt::AlignRight);

    connect(m_password, &QLineEdit::textChanged, this, &SetPasswordWindow::fieldsChanged);
    connect(m_confirmation, &QLineEdit::textChanged, this, &SetPasswordWindow::fieldsChanged);
    connect(m_store, &QPushButton::clicked, this, &SetPasswordWindow::store);
    fixSize({370, 157});
}

SetPasswordWindow::~SetPasswordWindow()
{
    wipe(m_openingSecret);
}

void SetPasswordWindow::fieldsChanged()
{
    const QString password = m_password->text().trimmed(), confirmation = m_confirmation->text().trimmed();
    m_store->setEnabled(acceptablePassword(password) && acceptablePassword(confirmation) && password == confirmation);
}

void SetPasswordWindow::store()
{
    if (!acceptedAsNewPassword(this, m_password))
        return;
    QString password = takeSecret(m_password), confirmation = takeSecret(m_confirmation);
    const auto forget = qScopeGuard([&] {
        wipe(password);
        wipe(confirmation);
    });
    const QString dataFile = accessedDataFile();
    if (m_purpose == Purpose::FirstPassword) {
        // Every copy made until now opens with the public password: none opens the data from here on.
        newDataKeyWithProgress(this, m_openingSecret, password);
        m_newRecoveryKey = addPendingRecoveryKey(dataFile, password);
    } else {
        changePassword(dataFile, m_openingSecret, password);
    }
    messages::plain(this, QStringLiteral("Ο καθορισμός του κωδικού πρόσβασης έγινε με επιτυχία."));
    accept();
}

ForgottenPasswordWindow::ForgottenPasswordWindow(QWidget *parent)
    : Window(QStringLiteral("ForgottenPassword"), QStringLiteral("Ξέχασα τον κωδικό"), parent)
{
    m_recoveryKey = new QLineEdit(this);
    m_recoveryKey->setObjectName(QStringLiteral("Edit1"));
    m_proceed = newDefaultButton(QStringLiteral("&Συνέχεια"), QStringLiteral("Button1"), Starts::Disabled);
    askOneThing(this,
                QStringLiteral("Γράψτε το κλειδί ανάκτησης που σας δόθηκε όταν ορίσατε τον κωδικό πρόσβασης· "
                               "στη συνέχεια ορίζετε νέο κωδικό."),
                QStringLiteral("Κλειδί ανάκτησης:"), m_recoveryKey, m_proceed);

    connect(m_recoveryKey, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_proceed->setEnabled(!text.trimmed().isEmpty()); });
    connect(m_proceed, &QPushButton::clicked, this, &ForgottenPasswordWindow::proceed);
    fixSize({370, 157});
}

void ForgottenPasswordWindow::proceed()
{
    QString recoveryKey = takeSecret(m_recoveryKey);
    const auto forget = qScopeGuard([&recoveryKey] { wipe(recoveryKey); });
    if (!whileWaiting([&] { return unlocks(accessedDataFile(), recoveryKey); })) {
        messages::plain(this, QStringLiteral("Λανθασμένο κλειδί ανάκτησης."));
        m_recoveryKey->setText(recoveryKey); // opens nothing: back for a typo to be mended
        m_recoveryKey->selectAll();
        m_recoveryKey->setFocus();
        return;
    }
    SetPasswordWindow(recoveryKey, SetPasswordWindow::Purpose::AfterRecovery, this).exec();
    accept();
}

NewRecoveryKeyWindow::NewRecoveryKeyWindow(QWidget *parent)
    : Window(QStringLiteral("NewRecoveryKey"), QStringLiteral("Νέο κλειδί ανάκτησης"), parent)
{
    m_password = passwordField(QStringLiteral("Edit1"), this);
    m_proceed = newDefaultButton(QStringLiteral("&Συνέχεια"), QStringLiteral("Button1"), Starts::Disabled);
    askOneThing(this,
                QStringLiteral("Ένα νέο κλειδί ανάκτησης αντικαθιστά το προηγούμενο, που παύει να ισχύει μόλις "
                               "πατήσετε «Συνέχεια» στο νέο."),
                QStringLiteral("Κωδικός πρόσβασης:"), m_password, m_proceed);

    connect(m_password, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_proceed->setEnabled(acceptablePassword(text.trimmed())); });
    connect(m_proceed, &QPushButton::clicked, this, &NewRecoveryKeyWindow::proceed);
    fixSize({370, 157});
}

void NewRecoveryKeyWindow::proceed()
{
    QString password = takeSecret(m_password);
    const auto forget = qScopeGuard([&password] { wipe(password); });
    const QString dataFile = accessedDataFile();
    // Asked afresh, not taken from the session: a seat left unlocked does not give the key away.
    if (!whileWaiting([&] { return unlocks(dataFile, password); })) {
        messages::plain(this, WrongPassword);
        m_password->setFocus();
        return;
    }
    m_newRecoveryKey = addPendingRecoveryKey(dataFile, password);
    accept();
}

ChangePasswordWindow::ChangePasswordWindow(QWidget *parent)
    : Window(QStringLiteral("TForm66"), QStringLiteral("Αλλαγή του κωδικού πρόσβασης"), parent)
{
    m_current = passwordField(QStringLiteral("Edit1"), this);
    m_password = passwordField(QStringLiteral("Edit2"), this);
    m_confirmation = passwordField(QStringLiteral("Edit3"), this);
    m_newDataKey = new QCheckBox(QStringLiteral("Νέο κλειδί &δεδομένων"), this);
    m_newDataKey->setObjectName(QStringLiteral("CheckBox1"));
    m_newDataKey->setChecked(true);
    m_newDataKey->setToolTip(QStringLiteral("Τα δεδομένα κρυπτογραφούνται ξανά με νέο κλειδί: κανένα παλιό αντίγραφο "
                                            "του αρχείου κλειδιού δεν τα ανοίγει πια."));
    m_change = newDefaultButton(QStringLiteral("Αλ&λαγή"), QStringLiteral("Button1"), Starts::Disabled);
    QPushButton *exit = look::exitButton(this);

    auto *grid = new QGridLayout(this);
    grid->addWidget(look::note(CaseNote, this), 0, 0, 1, 3);
    addRow(grid, 1, QStringLiteral("Προηγούμενος κωδικός πρόσβασης:"), m_current, this);
    addRow(grid, 2, QStringLiteral("Νέος κωδικός πρόσβασης:"), m_password, this);
    addRow(grid, 3, QStringLiteral("Επιβεβαίωση νέου κωδικού πρόσβασης:"), m_confirmation, this);
    grid->addWidget(m_newDataKey, 4, 1);
    grid->addLayout(look::spreadRow({}, {m_change, exit}), 5, 0, 1, 3);

    for (QLineEdit *field : {m_current, m_password, m_confirmation})
        connect(field, &QLineEdit::textChanged, this, &ChangePasswordWindow::fieldsChanged);
    connect(m_change, &QPushButton::clicked, this, &ChangePasswordWindow::change);
    fixSize({405, 219});
}

void ChangePasswordWindow::fieldsChanged()
{
    const QString current = m_current->text().trimmed(), password = m_password->text().trimmed(),
                  confirmation = m_confirmation->text().trimmed();
    m_change->setEnabled(acceptablePassword(current) && acceptablePassword(password) && acceptablePassword(confirmation) &&
                         password == confirmation);
}

void ChangePasswordWindow::change()
{
    if (!acceptedAsNewPassword(this, m_password))
        return;
    QString current = takeSecret(m_current), password, confirmation;
    const auto forget = qScopeGuard([&] {
        wipe(current);
        wipe(password);
        wipe(confirmation);
    });
    const QString dataFile = accessedDataFile();
    // The key file is the judge, as at the login: nothing in memory to guess against.
    if (!whileWaiting([&] { return unlocks(dataFile, current); })) {
        messages::plain(this, WrongPassword);
        m_current->setFocus();
        return;
    }
    password = takeSecret(m_password);
    confirmation = takeSecret(m_confirmation);
    if (m_newDataKey->isChecked())
        newDataKeyWithProgress(this, current, password);
    else
        changePassword(dataFile, current, password);
    messages::plain(this, QStringLiteral("Η αλλαγή του κωδικού πρόσβασης έγινε με επιτυχία."));
    accept();
}

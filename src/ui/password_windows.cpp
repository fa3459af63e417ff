#include "ui/password_windows.h"

#include "ui/captions.h"
#include "data/global.h"
#include "data/keys/key_file.h"
#include "ui/look.h"
#include "ui/messages.h"
#include "data/old_layout.h"

#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>

namespace {

const QString CaseNote = QStringLiteral("Προσοχή έχουν σημασία Πεζά / Κεφαλαία");

QLineEdit *passwordField(const QString &objectName, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(objectName);
    field->setEchoMode(QLineEdit::Password);
    field->setStyleSheet(QStringLiteral("lineedit-password-character: 42")); // shown as "*"
    return field;
}

// Caption, field and the red "*" on one row of the grid.
void addRow(QGridLayout *grid, int row, const QString &caption, QLineEdit *field, QWidget *window)
{
    grid->addWidget(look::caption(caption, field, window), row, 0);
    grid->addWidget(field, row, 1);
    grid->addWidget(look::requiredMarker(window), row, 2);
}

QString currentPassword()
{
    return ConnectionSettings::parse(DbConnectionString).databasePassword.trimmed();
}

// Unlocking takes a moment on purpose: the cursor says so meanwhile.
template <typename Check>
bool whileWaiting(Check check)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    return check();
}

// From now on every connection opens with this password.
void useAccessPassword(const QString &password)
{
    DbConnectionString = connectionStringFor(QFileInfo(accessedDataFile()).absolutePath(), password);
}

} // namespace

QString accessedDataFile()
{
    return ConnectionSettings::parse(DbConnectionString).dataSource;
}

bool accessPasswordOpens(const QString &password)
{
    const QString dataFile = accessedDataFile();
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
    // Only a key file that holds a recovery key offers the way back.
    const QString keyFile = keyFilePathFor(accessedDataFile());
    forgotten->setVisible(QFileInfo::exists(keyFile) && KeyFile::load(keyFile).has(KeyFile::Slot::Recovery));

    auto *grid = new QGridLayout(this);
    grid->addWidget(look::note(captions::LoginCaseNote, this), 0, 0, 1, 3);
    addRow(grid, 1, QStringLiteral("Κωδικός πρόσβασης:"), m_password, this);
    grid->addLayout(look::spreadRow({forgotten}, {m_enter, exit}), 2, 0, 1, 3);

    connect(m_password, &QLineEdit::textChanged, this, &LoginWindow::passwordChanged);
    connect(m_enter, &QPushButton::clicked, this, &LoginWindow::enter);
    connect(exit, &QPushButton::clicked, this, &LoginWindow::leave);
    connect(forgotten, &QPushButton::clicked, this, &LoginWindow::forgotten);
    setTabOrder(m_password, m_enter);
    setTabOrder(m_enter, exit);
    setTabOrder(exit, forgotten);
    fixSize({303, 159});
}

void LoginWindow::passwordChanged()
{
    m_enter->setEnabled(acceptablePassword(m_password->text().trimmed()));
}

void LoginWindow::enter()
{
    const QString typed = m_password->text().trimmed();
    AccessGranted = false;
    if (!whileWaiting([&] { return accessPasswordOpens(typed); })) {
        messages::plain(this, QStringLiteral("Λανθασμένος κωδικός πρόσβασης."));
        m_password->clear();
        m_password->setFocus();
        return;
    }
    useAccessPassword(typed);
    AccessGranted = true;
    accept();
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

SetPasswordWindow::SetPasswordWindow(QWidget *parent, const QString &recoveryKey)
    : Window(QStringLiteral("TForm100"), QStringLiteral("Καθορισμός του κωδικού πρόσβασης"), parent),
      m_openingSecret(recoveryKey.isEmpty() ? currentPassword() : recoveryKey), m_makesRecoveryKey(recoveryKey.isEmpty())
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

void SetPasswordWindow::fieldsChanged()
{
    const QString password = m_password->text().trimmed(), confirmation = m_confirmation->text().trimmed();
    m_store->setEnabled(acceptablePassword(password) && acceptablePassword(confirmation) && password == confirmation);
}

void SetPasswordWindow::store()
{
    const QString password = m_password->text().trimmed();
    m_newRecoveryKey = rewrapDataKey(accessedDataFile(), m_openingSecret, password, m_makesRecoveryKey);
    useAccessPassword(password);
    messages::plain(this, QStringLiteral("Ο καθορισμός του κωδικού πρόσβασης έγινε με επιτυχία."));
    accept();
}

ForgottenPasswordWindow::ForgottenPasswordWindow(QWidget *parent)
    : Window(QStringLiteral("ForgottenPassword"), QStringLiteral("Ξέχασα τον κωδικό"), parent)
{
    m_recoveryKey = new QLineEdit(this);
    m_recoveryKey->setObjectName(QStringLiteral("Edit1"));
    m_proceed = newDefaultButton(QStringLiteral("&Συνέχεια"), QStringLiteral("Button1"), Starts::Disabled);
    QPushButton *exit = look::exitButton(this);

    auto *grid = new QGridLayout(this);
    auto *explanation = new QLabel(QStringLiteral("Γράψτε το κλειδί ανάκτησης που σας δόθηκε όταν ορίσατε τον "
                                                  "κωδικό πρόσβασης· στη συνέχεια ορίζετε νέο κωδικό."),
                                   this);
    explanation->setWordWrap(true);
    grid->addWidget(explanation, 0, 0, 1, 3);
    addRow(grid, 1, QStringLiteral("Κλειδί ανάκτησης:"), m_recoveryKey, this);
    grid->addLayout(look::spreadRow({}, {m_proceed, exit}), 2, 0, 1, 3);

    connect(m_recoveryKey, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_proceed->setEnabled(!text.trimmed().isEmpty()); });
    connect(m_proceed, &QPushButton::clicked, this, &ForgottenPasswordWindow::proceed);
    fixSize({370, 157});
}

void ForgottenPasswordWindow::proceed()
{
    const QString recoveryKey = m_recoveryKey->text().trimmed();
    if (!whileWaiting([&] { return unlocks(accessedDataFile(), recoveryKey); })) {
        messages::plain(this, QStringLiteral("Λανθασμένο κλειδί ανάκτησης."));
        m_recoveryKey->selectAll();
        m_recoveryKey->setFocus();
        return;
    }
    SetPasswordWindow(this, recoveryKey).exec();
    accept();
}

ChangePasswordWindow::ChangePasswordWindow(QWidget *parent)
    : Window(QStringLiteral("TForm66"), QStringLiteral("Αλλαγή του κωδικού πρόσβασης"), parent)
{
    m_currentPassword = currentPassword(); // the one accepted at login, or set since

    m_current = passwordField(QStringLiteral("Edit1"), this);
    m_password = passwordField(QStringLiteral("Edit2"), this);
    m_confirmation = passwordField(QStringLiteral("Edit3"), this);
    m_change = newDefaultButton(QStringLiteral("Αλ&λαγή"), QStringLiteral("Button1"), Starts::Disabled);
    QPushButton *exit = look::exitButton(this);

    auto *grid = new QGridLayout(this);
    grid->addWidget(look::note(CaseNote, this), 0, 0, 1, 3);
    addRow(grid, 1, QStringLiteral("Προηγούμενος κωδικός πρόσβασης:"), m_current, this);
    addRow(grid, 2, QStringLiteral("Νέος κωδικός πρόσβασης:"), m_password, this);
    addRow(grid, 3, QStringLiteral("Επιβεβαίωση νέου κωδικού πρόσβασης:"), m_confirmation, this);
    grid->addLayout(look::spreadRow({}, {m_change, exit}), 4, 0, 1, 3);

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
                         password == confirmation && current == m_currentPassword);
}

void ChangePasswordWindow::change()
{
    // The same data key under the new password: only the key file is rewritten.
    const QString password = m_password->text().trimmed();
    rewrapDataKey(accessedDataFile(), m_currentPassword, password, false);
    useAccessPassword(password);
    messages::plain(this, QStringLiteral("Η αλλαγή του κωδικού πρόσβασης έγινε με επιτυχία."));
    accept();
}

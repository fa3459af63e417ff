#include "password_windows.h"

#include "dataset.h"
#include "global.h"
#include "look.h"
#include "messages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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

void setUpDialog(QDialog *dialog, const QString &objectName, const QString &title, QSize size, bool closeBox)
{
    dialog->setObjectName(objectName);
    dialog->setWindowTitle(title);
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (closeBox)
        flags |= Qt::WindowCloseButtonHint;
    dialog->setWindowFlags(flags);
    look::paint(dialog);
    dialog->resize(size);
}

bool acceptable(const QString &password)
{
    return !password.isEmpty() && check_chars(password);
}

void storePassword(Connection &connection, const QString &password)
{
    Command command(connection);
    command.setText(QStringLiteral("UPDATE SECURITY SET [PASSWORD]=?"), {password});
    command.execute();
}

} // namespace

QString readStoredPassword(Connection &connection)
{
    DataSet security(connection);
    security.setTableName(QStringLiteral("SECURITY"));
    security.open();
    return security.value(0).toString().trimmed();
}

LoginWindow::LoginWindow(QWidget *parent) : QDialog(parent)
{
    setUpDialog(this, QStringLiteral("TForm65"), QStringLiteral("Έλεγχος πρόσβασης"), {303, 159}, false);
    AccessGranted = false;
    m_connection.setConnectionString(DbConnectionString);

    m_password = passwordField(QStringLiteral("Edit1"), this);
    m_enter = new QPushButton(QStringLiteral("Εί&σοδος"), this);
    m_enter->setObjectName(QStringLiteral("Button1"));
    m_enter->setDefault(true);
    m_enter->setEnabled(false);
    auto *exit = new QPushButton(QStringLiteral("Έ&ξοδος"), this);
    exit->setObjectName(QStringLiteral("Button2"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(look::note(QStringLiteral("Προσοχή έχoυν σημασία Πεζά / Κεφαλαία"), this), 0, 0, 1, 3);
    addRow(grid, 1, QStringLiteral("Κωδικός πρόσβασης:"), m_password, this);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_enter);
    buttons->addWidget(exit);
    grid->addLayout(buttons, 2, 0, 1, 3);

    connect(m_password, &QLineEdit::textChanged, this, &LoginWindow::passwordChanged);
    connect(m_enter, &QPushButton::clicked, this, &LoginWindow::enter);
    connect(exit, &QPushButton::clicked, this, &LoginWindow::leave);
}

void LoginWindow::passwordChanged()
{
    m_enter->setEnabled(acceptable(m_password->text().trimmed()));
}

void LoginWindow::enter()
{
    m_connection.close();
    m_connection.open();
    const QString stored = readStoredPassword(m_connection);
    AccessGranted = false;
    if (stored != m_password->text().trimmed()) {
        messages::plain(this, QStringLiteral("Λανθασμένος κωδικός πρόσβασης."));
        m_password->clear();
        m_password->setFocus();
        return;
    }
    AccessGranted = true;
    m_connection.close();
    accept();
}

void LoginWindow::leave()
{
    AccessGranted = false;
    reject(); // the start-up sequence ends the program
}

void LoginWindow::closeEvent(QCloseEvent *event)
{
    m_connection.close();
    QDialog::closeEvent(event);
}

SetPasswordWindow::SetPasswordWindow(QWidget *parent) : QDialog(parent)
{
    setUpDialog(this, QStringLiteral("TForm100"), QStringLiteral("Καθορισμός του κωδικού πρόσβασης"), {370, 157}, false);
    m_connection.reconnect(DbConnectionString);

    m_password = passwordField(QStringLiteral("Edit1"), this);
    m_confirmation = passwordField(QStringLiteral("Edit2"), this);
    m_store = new QPushButton(QStringLiteral("Καταχώρηση"), this);
    m_store->setObjectName(QStringLiteral("Button1"));
    m_store->setDefault(true);
    m_store->setEnabled(false);

    auto *grid = new QGridLayout(this);
    grid->addWidget(look::note(CaseNote, this), 0, 0, 1, 3);
    addRow(grid, 1, QStringLiteral("Κωδικός πρόσβασης:"), m_password, this);
    addRow(grid, 2, QStringLiteral("Επιβεβαίωση κωδικού πρόσβασης:"), m_confirmation, this);
    grid->addWidget(m_store, 3, 1, Qt::AlignRight);

    connect(m_password, &QLineEdit::textChanged, this, &SetPasswordWindow::fieldsChanged);
    connect(m_confirmation, &QLineEdit::textChanged, this, &SetPasswordWindow::fieldsChanged);
    connect(m_store, &QPushButton::clicked, this, &SetPasswordWindow::store);
}

void SetPasswordWindow::fieldsChanged()
{
    const QString password = m_password->text().trimmed(), confirmation = m_confirmation->text().trimmed();
    m_store->setEnabled(acceptable(password) && acceptable(confirmation) && password == confirmation);
}

void SetPasswordWindow::store()
{
    storePassword(m_connection, m_password->text().trimmed());
    messages::plain(this, QStringLiteral("Ο καθορισμός του κωδικού πρόσβασης έγινε με επιτυχία."));
    m_connection.close();
    accept();
}

ChangePasswordWindow::ChangePasswordWindow(QWidget *parent) : QDialog(parent)
{
    setUpDialog(this, QStringLiteral("TForm66"), QStringLiteral("Αλλαγή του κωδικού πρόσβασης"), {405, 219}, true);
    m_connection.reconnect(DbConnectionString);
    m_currentPassword = readStoredPassword(m_connection);

    m_current = passwordField(QStringLiteral("Edit1"), this);
    m_password = passwordField(QStringLiteral("Edit2"), this);
    m_confirmation = passwordField(QStringLiteral("Edit3"), this);
    m_change = new QPushButton(QStringLiteral("Αλ&λαγή"), this);
    m_change->setObjectName(QStringLiteral("Button1"));
    m_change->setDefault(true);
    m_change->setEnabled(false);
    QPushButton *exit = look::exitButton(this);

    auto *grid = new QGridLayout(this);
    grid->addWidget(look::note(CaseNote, this), 0, 0, 1, 3);
    addRow(grid, 1, QStringLiteral("Προηγούμενος κωδικός πρόσβασης:"), m_current, this);
    addRow(grid, 2, QStringLiteral("Νέος κωδικός πρόσβασης:"), m_password, this);
    addRow(grid, 3, QStringLiteral("Επιβεβαίωση νέου κωδικού πρόσβασης:"), m_confirmation, this);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_change);
    buttons->addWidget(exit);
    grid->addLayout(buttons, 4, 0, 1, 3);

    for (QLineEdit *field : {m_current, m_password, m_confirmation})
        connect(field, &QLineEdit::textChanged, this, &ChangePasswordWindow::fieldsChanged);
    connect(m_change, &QPushButton::clicked, this, &ChangePasswordWindow::change);
}

void ChangePasswordWindow::fieldsChanged()
{
    const QString current = m_current->text().trimmed(), password = m_password->text().trimmed(),
                  confirmation = m_confirmation->text().trimmed();
    m_change->setEnabled(acceptable(current) && acceptable(password) && acceptable(confirmation) &&
                         password == confirmation && current == m_currentPassword);
}

void ChangePasswordWindow::change()
{
    storePassword(m_connection, m_password->text().trimmed());
    messages::plain(this, QStringLiteral("Η αλλαγή του κωδικού πρόσβασης έγινε με επιτυχία."));
    m_connection.close();
    accept();
}

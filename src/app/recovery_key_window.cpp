#include "recovery_key_window.h"

#include "data_connections.h"
#include "global.h"
#include "look.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

RecoveryKeyWindow::RecoveryKeyWindow(const QString &recoveryKey, QWidget *parent)
    : QDialog(parent), m_recoveryKey(recoveryKey)
{
    setObjectName(QStringLiteral("RecoveryKey"));
    setWindowTitle(QStringLiteral("Κλειδί ανάκτησης"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    look::paint(this);
    data_connections::add(QStringLiteral("RvDataSetConnectionRecoveryKey"), m_sheet, this);

    auto *explanation = new QLabel(
        QStringLiteral("Αν ξεχάσετε τον κωδικό πρόσβασης, μόνο αυτό το κλειδί ανοίγει τα δεδομένα "
                       "(«Ξέχασα τον κωδικό» στο παράθυρο εισόδου). Εμφανίζεται μόνο αυτή τη φορά και "
                       "δεν φυλάσσεται πουθενά στον υπολογιστή."),
        this);
    explanation->setWordWrap(true);
    auto *key = new QLabel(recoveryKey, this);
    key->setObjectName(QStringLiteral("RecoveryKeyText"));
    QFont keyFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    keyFont.setPointSize(16);
    keyFont.setBold(true);
    key->setFont(keyFont);
    key->setAlignment(Qt::AlignCenter);
    key->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    key->setAccessibleName(QStringLiteral("Κλειδί ανάκτησης"));

    auto *print = new QPushButton(QStringLiteral("&Εκτύπωση"), this);
    print->setObjectName(QStringLiteral("Button1"));
    print->setAutoDefault(false);
    auto *proceed = new QPushButton(QStringLiteral("&Συνέχεια"), this);
    proceed->setObjectName(QStringLiteral("Button2"));
    proceed->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(look::note(QStringLiteral("Φυλάξτε το κλειδί ανάκτησης σε ασφαλές μέρος"), this));
    layout->addWidget(explanation);
    layout->addSpacing(8);
    layout->addWidget(key);
    layout->addSpacing(8);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(print);
    buttons->addWidget(proceed);
    layout->addLayout(buttons);
    setFixedWidth(qMax(440, sizeHint().width()));

    connect(print, &QPushButton::clicked, this, &RecoveryKeyWindow::print);
    connect(proceed, &QPushButton::clicked, this, &QDialog::accept);
    proceed->setFocus();
}

// A one-page sheet through the report engine; the key reaches it only through this window's
// result set, never a file of its own.
void RecoveryKeyWindow::print()
{
    m_connection.reconnect(DbConnectionString);
    // Made by the program from its own alphabet: nothing in it needs quoting.
    m_sheet.setSql(QStringLiteral("SELECT '") + m_recoveryKey + QStringLiteral("' AS KLEIDI"));
    m_sheet.open();
    m_project.ProjectFile = projectFileFor(QStringLiteral("KLEIDI.RAV"));
    try {
        m_project.execute(this);
    } catch (...) {
        m_sheet.close();
        m_connection.close();
        throw;
    }
    m_sheet.close();
    m_connection.close();
}

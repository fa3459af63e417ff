#include "app/recovery_key_window.h"

#include "data/keys/key_file.h"
#include "printing/data_connections.h"
#include "ui/password_windows.h"
#include "ui/look.h"
#include "printing/print_run.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

RecoveryKeyWindow::RecoveryKeyWindow(const QString &recoveryKey, QWidget *parent)
    : Window(QStringLiteral("RecoveryKey"), QStringLiteral("Κλειδί ανάκτησης"), parent), m_recoveryKey(recoveryKey)
{
    setWindowFlag(Qt::WindowCloseButtonHint, false);
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
    // A screen reader reads the key itself; what it is, on request.
    key->setAccessibleName(recoveryKey);
    key->setAccessibleDescription(QStringLiteral("Κλειδί ανάκτησης"));

    auto *print = new QPushButton(QStringLiteral("&Εκτύπωση"), this);
    print->setObjectName(QStringLiteral("Button1"));
    m_proceed = newDefaultButton(QStringLiteral("&Συνέχεια"), QStringLiteral("Button2"), Starts::Enabled);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(look::note(QStringLiteral("Φυλάξτε το κλειδί ανάκτησης σε ασφαλές μέρος"), this));
    layout->addWidget(explanation);
    layout->addSpacing(8);
    layout->addWidget(key);
    layout->addSpacing(8);
    layout->addLayout(look::spreadRow({}, {print, m_proceed}));
    fixSize({440, 0});

    connect(print, &QPushButton::clicked, this, guarded(&RecoveryKeyWindow::print));
    connect(m_proceed, &QPushButton::clicked, this, &QDialog::accept);
}

// The key label takes the focus for copying by keyboard, but the way on is "Συνέχεια".
QWidget *RecoveryKeyWindow::firstField()
{
    return m_proceed;
}

// A one-page sheet through the report engine; the key reaches it only through this window's
// result set, never a file of its own.
void RecoveryKeyWindow::print()
{
    PrintRun run(&m_connection);
    // Made by the program from its own alphabet: nothing in it needs quoting.
    run.query(m_sheet, QStringLiteral("SELECT '") + m_recoveryKey + QStringLiteral("' AS KLEIDI"));
    run.print(m_project, QStringLiteral("KLEIDI.RAV"), this);
}

void showRecoveryKey(const QString &recoveryKey, QWidget *parent)
{
    RecoveryKeyWindow(recoveryKey, parent).exec();
    confirmRecoveryKey(accessedDataFile());
}

void ensureRecoveryKey(QWidget *parent)
{
    const QString dataFile = accessedDataFile();
    if (!hasRecoveryKey(dataFile))
        showRecoveryKey(addPendingRecoveryKey(dataFile, accessSecret()), parent);
}

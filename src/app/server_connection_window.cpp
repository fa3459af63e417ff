#include "app/server_connection_window.h"

#include "data/db_error.h"
#include "data/global.h"
#include "data/keys/private_files.h"
#include "data/postgres/server_conf.h"
#include "data/schema.h"
#include "ui/look.h"
#include "ui/messages.h"
#include "ui/password_windows.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>

namespace {

// The port velmora-server-setup gives the practice's cluster.
constexpr int SetupPort = 5433;

QLineEdit *textField(const QString &objectName, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(objectName);
    return field;
}

} // namespace

ServerConnectionWindow::ServerConnectionWindow(QWidget *parent)
    : Window(QStringLiteral("ServerConnection"), QStringLiteral("Σύνδεση με διακομιστή"), parent)
{
    m_host = textField(QStringLiteral("Edit1"), this);
    m_port = textField(QStringLiteral("Edit2"), this);
    m_port->setValidator(new QIntValidator(1, 65535, m_port));
    m_database = textField(QStringLiteral("Edit3"), this);
    m_role = textField(QStringLiteral("Edit4"), this);
    m_password = passwordField(QStringLiteral("Edit5"), this);
    m_certificate = textField(QStringLiteral("Edit6"), this);
    for (QLineEdit *wide : {m_host, m_database, m_role, m_password, m_certificate})
        wide->setMinimumWidth(260);
    auto *choose = new QPushButton(QStringLiteral("…"), this);
    choose->setObjectName(QStringLiteral("Button3"));
    choose->setAccessibleName(QStringLiteral("Επιλογή πιστοποιητικού"));
    auto *test = new QPushButton(QStringLiteral("&Δοκιμή"), this);
    test->setObjectName(QStringLiteral("Button1"));
    auto *store = new QPushButton(QStringLiteral("Απο&θήκευση"), this);
    store->setObjectName(QStringLiteral("Button2"));
    QPushButton *exit = look::exitButton(this);

    auto *grid = new QGridLayout(this);
    auto *explanation = new QLabel(
        QStringLiteral("Τα στοιχεία που τύπωσε η εγκατάσταση του διακομιστή για αυτή τη θέση εργασίας. Ο κωδικός "
                       "πρόσβασης δεν αποθηκεύεται: ζητείται σε κάθε είσοδο στο πρόγραμμα."),
        this);
    explanation->setWordWrap(true);
    grid->addWidget(explanation, 0, 0, 1, 3);
    look::addField(grid, 1, QStringLiteral("Διακομιστής:"), m_host, QStringLiteral("*"));
    look::addField(grid, 2, QStringLiteral("Θύρα:"), m_port, QStringLiteral("*"));
    look::addField(grid, 3, QStringLiteral("Βάση δεδομένων:"), m_database, QStringLiteral("*"));
    look::addField(grid, 4, QStringLiteral("Χρήστης:"), m_role, QStringLiteral("*"));
    look::addField(grid, 5, QStringLiteral("Κωδικός πρόσβασης:"), m_password, QStringLiteral("*"));
    look::addField(grid, 6, QStringLiteral("Πιστοποιητικό (CA):"), m_certificate)->addWidget(choose);
    grid->addLayout(look::spreadRow({}, {test, store, exit}), 7, 0, 1, 3);

    connect(test, &QPushButton::clicked, this, guarded(&ServerConnectionWindow::tryConnection));
    connect(store, &QPushButton::clicked, this, guarded(&ServerConnectionWindow::store));
    connect(choose, &QPushButton::clicked, this, guarded(&ServerConnectionWindow::chooseCertificate));

    ServerConf shown;
    shown.port = SetupPort;
    shown.database = QStringLiteral("velmora");
    if (ServerConf::existsIn(AppDirectory))
        shown = ServerConf::load(AppDirectory);
    fillFrom(shown);
    fixSize({460, 250});
}

void ServerConnectionWindow::fillFrom(const ServerConf &conf)
{
    m_host->setText(conf.host);
    m_port->setText(QString::number(conf.port));
    m_database->setText(conf.database);
    m_role->setText(conf.role);
    m_certificate->setText(conf.caFile.isEmpty() ? QString() : QDir(AppDirectory).absoluteFilePath(conf.caFile));
}

ServerConf ServerConnectionWindow::typed() const
{
    ServerConf conf;
    conf.host = m_host->text().trimmed();
    conf.port = m_port->text().trimmed().toInt();
    conf.database = m_database->text().trimmed();
    conf.role = m_role->text().trimmed();
    conf.caFile = m_certificate->text().trimmed();
    return conf;
}

bool ServerConnectionWindow::connects()
{
    const ServerConf conf = typed();
    if (const QString fault = conf.fault(); !fault.isEmpty()) {
        messages::plain(this, fault);
        return false;
    }
    if (m_password->text().trimmed().isEmpty()) {
        messages::plain(this, QStringLiteral("Γράψτε τον κωδικό πρόσβασης της θέσης εργασίας."));
        m_password->setFocus();
        return false;
    }
    QString password = m_password->text().trimmed();
    const auto forget = qScopeGuard([&password] { wipe(password); });
    try {
        Connection connection(connectionStringOn(conf.uri(AppDirectory), password));
        schema::versionOf(connection);
    } catch (const DbError &error) {
        messages::plain(this, messages::serverProblem(error));
        return false;
    }
    return true;
}

void ServerConnectionWindow::tryConnection()
{
    if (connects())
        messages::plain(this, QStringLiteral("Η σύνδεση με τον διακομιστή πέτυχε."));
}

void ServerConnectionWindow::store()
{
    if (!connects())
        return;
    ServerConf conf = typed();
    if (!conf.overSocket())
        conf.caFile = keptCertificate(conf.caFile);
    conf.save(AppDirectory);
    QString password = takeSecret(m_password);
    wipe(password);
    QString told = QStringLiteral("Τα στοιχεία του διακομιστή αποθηκεύτηκαν στο %1. Κλείστε το πρόγραμμα και "
                                  "ξεκινήστε το ξανά: από την επόμενη εκκίνηση εργάζεται με τα δεδομένα του "
                                  "διακομιστή.")
                       .arg(ServerConf::FileName);
    if (QFileInfo::exists(QDir(AppDirectory).filePath(DataFileName)))
        told += QStringLiteral(" Το αρχείο %1 αυτού του φακέλου δεν θα χρησιμοποιείται πια.").arg(DataFileName);
    messages::plain(this, told);
    accept();
}

void ServerConnectionWindow::chooseCertificate()
{
    const QString chosen =
        QFileDialog::getOpenFileName(this, QStringLiteral("Πιστοποιητικό (CA) του ιατρείου"), m_certificate->text(),
                                     QStringLiteral("Πιστοποιητικά (*.crt *.pem);;Όλα τα αρχεία (*)"));
    if (!chosen.isEmpty())
        m_certificate->setText(chosen);
}

QString ServerConnectionWindow::keptCertificate(const QString &chosen)
{
    const QString kept = QDir(AppDirectory).filePath(ServerConf::CaFileName);
    const QString source = QDir(AppDirectory).absoluteFilePath(chosen);
    if (QFileInfo(source).canonicalFilePath() != QFileInfo(kept).canonicalFilePath()) {
        QFile file(source);
        if (!file.open(QIODevice::ReadOnly))
            throw DbError(DbError::Kind::FileNotFound, QStringLiteral("Could not read '%1'").arg(source));
        writePrivateFile(kept, file.readAll(), Replace::Yes);
    }
    return ServerConf::CaFileName;
}

#include "fixture.h"

#include "data/global.h"
#include "data/keys/key_file.h"
#include "data/old_layout.h"
#include "printing/report_project.h"
#include "data/schema.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <sys/stat.h>

#include <algorithm>

namespace {

QString templateFile()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = dir.filePath(DataFileName);
        schema::createDatabase(file, DbPassword);
        return file;
    }();
    return path;
}

} // namespace

TestPractice::TestPractice()
{
    QFile::copy(templateFile(), dataFile());
    QFile::copy(keyFilePathFor(templateFile()), keyFilePathFor(dataFile()));
}

TestPractice::~TestPractice()
{
    if (m_printing)
        ReportProject::setNonInteractiveOutput(QString());
}

QString TestPractice::dataFile() const
{
    return QDir(m_dir.path()).filePath(DataFileName);
}

QString TestPractice::connectionString() const
{
    return connectionStringFor(m_dir.path());
}

Connection TestPractice::connect() const
{
    return Connection(connectionString());
}

QString TestPractice::useForPrinting() const
{
    DbConnectionString = connectionString();
    AppDirectory = directory();
    const QDir reports(QStringLiteral(VELMORA_REPORTS));
    for (const QString &file : reports.entryList({QStringLiteral("*.RAV")}))
        QFile::copy(reports.filePath(file), QDir(directory()).filePath(file));
    const QString pdf = QDir(directory()).filePath(QStringLiteral("out.pdf"));
    ReportProject::setNonInteractiveOutput(pdf);
    m_printing = true;
    return pdf;
}

int TestPractice::addChild(const QString &name, const QString &surname, QDate birth, const QString &sex) const
{
    Connection c = connect();
    return ::addChild(c, name, surname, birth, sex);
}

int addChild(Connection &c, const QString &name, const QString &surname, QDate birth, const QString &sex)
{
    c.execute("INSERT INTO STOIXEIA_PAIDIOY(ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,"
              "ONOMATEPWNYMO_MHTERAS,ONOMATEPWNYMO_KHDEMONA,DIEYTHYNSH,THLEFWNO_1) "
              "VALUES(?,?,?,?,'Πατέρας','Μητέρα','Κηδεμόνας','Ερμού 5','2101234567')",
              {name, surname, sex, birth});
    return c.scalar("SELECT MAX(ID) FROM STOIXEIA_PAIDIOY").toInt();
}

void createOldLayoutFile(const QString &dataFile, const QString &password)
{
    Connection connection = Connection::createWithKey(dataFile, old_layout::engineKey());
    schema::upgrade(connection);
    connection.execute("UPDATE SECURITY SET [PASSWORD]=?", {password});
    connection.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Παλιά δίαιτα','x')");
}

QString setOwnPassword(const QString &dataFile, const QString &current, const QString &password)
{
    changePassword(dataFile, current, password);
    const QString recoveryKey = addPendingRecoveryKey(dataFile, password);
    confirmRecoveryKey(dataFile);
    return recoveryKey;
}

int fileMode(const QString &path)
{
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 07777) : -1;
}

QString pdfText(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QStringList order(const QString &text, const QStringList &words)
{
    QList<std::pair<qsizetype, QString>> found;
    for (const QString &word : words)
        if (const qsizetype at = text.indexOf(word); at >= 0)
            found.append({at, word});
    std::sort(found.begin(), found.end());
    QStringList result;
    for (const auto &[at, word] : found)
        result << word;
    return result;
}

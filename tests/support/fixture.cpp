#include "fixture.h"

#include "global.h"
#include "report_project.h"
#include "schema.h"

#include <QDir>
#include <QFile>
#include <QProcess>

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
    return pdf;
}

QString pdfText(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Printing through "Printer" to real CUPS queues: a CUPS server of the test's own (on a socket in
// a temporary folder) with two PDF printers. "VelmoraPDF" is the cups-pdf driver as Debian ships
// it: the document goes through PostScript and Ghostscript, which keeps the pages but not the
// text's characters, so its pages are counted. "VelmoraFile" keeps the document a PDF (the
// cups-pdf description declared for PDF input, written to a file by CUPS), so its text is read.
#include "printing/child_printouts_window.h"
#include "fixture.h"
#include "data/global.h"
#include "modal.h"
#include "billing/receipts.h"
#include "printing/report_project.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

namespace {

const QString CupsPdfBackend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
const QString CupsPdfDescription = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");

bool write(const QString &path, const QString &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) >= 0;
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAll());
}

int pdfPages(const QString &path)
{
    const auto m = QRegularExpression("Pages:\\s+(\\d+)").match(run("pdfinfo", {path}));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

// Waits for a file that CUPS writes, until it stops growing.
bool waitForFile(const QString &path)
{
    qint64 last = -1;
    for (int i = 0; i < 300; ++i) {
        const qint64 size = QFileInfo(path).size();
        if (size > 0 && size == last && run("lpstat", {"-o"}).trimmed().isEmpty())
            return true;
        last = size;
        QTest::qWait(100);
    }
    return false;
}

} // namespace

class CupsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_server{QDir::tempPath() + "/velmora-cups-XXXXXX"}; // no blanks: it goes into URIs
    QProcess m_cupsd;
    QString m_instance; // names this run's cups-pdf settings file
    std::unique_ptr<TestPractice> m_practice;
    QStringList m_queues;

    QString out() const { return m_server.filePath("out"); }
    QString cupsPdfSettings() const { return "/etc/cups/cups-pdf-" + m_instance + ".conf"; }

    // Answers "Output Options" with the printer, two copies and pages 1 to 5, then checks the
    // print dialog carries them over and prints.
    void printThroughDialogs(const std::function<void()> &print)
    {
        bool dialogSeen = false;
        whenShown("OutputOptions", [&](QWidget *options) {
            options->findChild<QRadioButton *>("Printer")->setChecked(true);
            options->findChild<QSpinBox *>("Copies")->setValue(2);
            options->findChild<QSpinBox *>("FromPage")->setValue(1);
            options->findChild<QSpinBox *>("ToPage")->setValue(5);
            whenShown("PrintDialog", [&](QWidget *w) {
                auto *dialog = static_cast<QPrintDialog *>(w);
                dialogSeen = true;
                QCOMPARE(dialog->printer()->copyCount(), 2);
                QCOMPARE(dialog->printer()->fromPage(), 1);
                QCOMPARE(dialog->printer()->toPage(), 5);
                dialog->accept();
            });
            QTest::keyClick(options, Qt::Key_Enter);
        });
        print();
        QVERIFY(dialogSeen);
    }

private slots:
    void initTestCase()
    {
        if (geteuid() != 0)
            QSKIP("starting a CUPS server with a cups-pdf queue needs root (cups-pdf reads its settings from /etc/cups)");
        for (const QString &needed : {QString("/usr/sbin/cupsd"), QString("/usr/sbin/lpadmin"), CupsPdfBackend,
                                      CupsPdfDescription})
            if (!QFileInfo::exists(needed))
                QSKIP(qPrintable(needed + " is missing: install cups and printer-driver-cups-pdf"));
        QVERIFY(m_server.isValid());
        const QString dir = m_server.path();
        // The filters run as the "lp" user: the folders they write in are open to it.
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                       QFileDevice::ReadOther | QFileDevice::ExeOther | QFileDevice::ReadGroup |
                                       QFileDevice::ExeGroup);
        for (const char *sub : {"spool", "tmp", "cache", "state", "out"}) {
            QVERIFY(QDir(dir).mkdir(sub));
            QFile::setPermissions(m_server.filePath(sub), QFileDevice::Permissions(0x7777));
        }
        QVERIFY(write(m_server.filePath("cupsd.conf"), QString("Listen %1/cups.sock\nLogLevel warn\n"
                                                               "<Policy default>\n<Limit All>\nOrder deny,allow\n"
                                                               "</Limit>\n</Policy>\n")
                                                           .arg(dir)));
        QVERIFY(write(m_server.filePath("cups-files.conf"),
                      QString("ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/tmp\nCacheDir %1/cache\n"
                              "StateDir %1/state\nErrorLog %1/error_log\nAccessLog %1/access_log\n"
                              "PageLog %1/page_log\nSystemGroup root\nFileDevice Yes\n")
                          .arg(dir)));
        m_instance = QString("velmora%1").arg(QCoreApplication::applicationPid());
        QVERIFY(write(cupsPdfSettings(), QString("Out %1\nSpool %2/spool-pdf\nLog %2\n").arg(out(), dir)));
        m_cupsd.start("/usr/sbin/cupsd", {"-f", "-c", m_server.filePath("cupsd.conf"), "-s",
                                          m_server.filePath("cups-files.conf")});
        QVERIFY(m_cupsd.waitForStarted());
        qputenv("CUPS_SERVER", m_server.filePath("cups.sock").toUtf8());
        QTRY_VERIFY_WITH_TIMEOUT(run("lpstat", {"-r"}).contains("scheduler is running"), 10000);
    }

    void cleanupTestCase()
    {
        if (m_cupsd.state() != QProcess::NotRunning) {
            m_cupsd.terminate();
            m_cupsd.waitForFinished(10000);
        }
        if (!m_instance.isEmpty())
            QFile::remove(cupsPdfSettings());
    }

    void init()
    {
        m_practice = std::make_unique<TestPractice>();
        m_practice->useForPrinting();
        ReportProject::setNonInteractiveOutput(QString()); // the real windows
        Connection c = m_practice->connect();
        c.execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(731)");
        for (const char *surname : {"Παπαδάκης", "Αλεξίου", "Πάτρας"})
            c.execute("INSERT INTO STOIXEIA_PAIDIOY(ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,"
                      "ONOMATEPWNYMO_MHTERAS,ONOMATEPWNYMO_KHDEMONA,DIEYTHYNSH,THLEFWNO_1) VALUES('Ελένη',?,'ΘΗΛΥ',"
                      "#5/6/2015#,'Πατέρας','Μητέρα','Κηδεμόνας','Ερμού 5','2101234567')",
                      {QString::fromUtf8(surname)});
        recordReceipt(c, {"1", "Ελένη", "Παπαδάκη-Αλεξίου", 42.5, "Επίσκεψη", "Μητέρα", "ΕΟΠΥΥ"});
        for (const QString &file : QDir(out()).entryList(QDir::Files))
            QFile::remove(QDir(out()).filePath(file));
    }

    void cleanup() { m_practice.reset(); }

    // Declared first, so that it runs before any printer exists.
    void withoutPrintersItSaysSo()
    {
        MessageLog log;
        bool shown = false;
        whenShown("OutputOptions", [&](QWidget *options) {
            shown = true;
            options->findChild<QRadioButton *>("Printer")->setChecked(true);
            QTest::keyClick(options, Qt::Key_Enter);
        });
        ReceiptPrinter().PrintReceipt(731);
        QVERIFY(shown);
        QCOMPARE(log.texts, QStringList({"Δεν υπάρχει εγκατεστημένος εκτυπωτής."}));
    }

    void printsThroughCups_data()
    {
        QTest::addColumn<QString>("queue");
        QTest::addColumn<QString>("document");
        QTest::addColumn<QStringList>("texts"); // what the PDF that CUPS wrote reads; none: pages only
        QTest::newRow("receipt, PDF kept") << "VelmoraFile"
                                           << "receipt" << QStringList{"731", "Παπαδάκη-Αλεξίου", "42,50"};
        QTest::newRow("list, PDF kept") << "VelmoraFile"
                                        << "list"
                                        << QStringList{"Παπαδάκης", "Αλεξίου", "Πάτρας", "Σύνολο παιδιών: 3"};
        QTest::newRow("receipt, cups-pdf") << "VelmoraPDF"
                                           << "receipt" << QStringList{};
        QTest::newRow("list, cups-pdf") << "VelmoraPDF"
                                        << "list" << QStringList{};
    }
    void printsThroughCups()
    {
        QFETCH(QString, queue);
        QFETCH(QString, document);
        QFETCH(QStringList, texts);
        const QString file = QDir(out()).filePath("job.pdf");
        if (!m_queues.contains(queue)) {
            const QString device = queue == "VelmoraPDF" ? "cups-pdf:/" + m_instance : "file://" + file;
            QString description = CupsPdfDescription;
            if (queue == "VelmoraFile") {
                // The same printer description, declared for PDF input: pdftopdf only.
                QFile stock(CupsPdfDescription);
                QVERIFY(stock.open(QIODevice::ReadOnly));
                description = m_server.filePath("pdf-in.ppd");
                QVERIFY(write(description, QString::fromUtf8(stock.readAll())
                                               .replace(QRegularExpression("^\\*% cupsFilter:.*$",
                                                                           QRegularExpression::MultilineOption),
                                                        "*cupsFilter2: \"application/vnd.cups-pdf application/pdf 0 -\"")));
            }
            const QString added = run("lpadmin", {"-p", queue, "-E", "-v", device, "-P", description});
            QVERIFY2(run("lpstat", {"-v"}).contains(queue), qPrintable(added));
            m_queues << queue;
        }
        run("lpadmin", {"-d", queue}); // the print dialog offers the default printer
        QVERIFY2(run("lpstat", {"-d"}).contains(queue), qPrintable(run("lpstat", {"-d"})));

        MessageLog log;
        if (document == "receipt") {
            printThroughDialogs([] { ReceiptPrinter().PrintReceipt(731); });
        } else {
            ChildPrintoutsWindow printouts;
            printouts.SelectText = "SELECT ID,ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,"
                                   "ONOMATEPWNYMO_MHTERAS,ONOMATEPWNYMO_KHDEMONA,THLEFWNO_1,THLEFWNO_2,DIEYTHYNSH FROM "
                                   "STOIXEIA_PAIDIOY ORDER BY EPWNYMO ASC";
            printThroughDialogs([&] { printouts.printList(); });
        }
        QCOMPARE(log.texts, QStringList());

        QString written = file;
        if (queue == "VelmoraPDF") {
            QTRY_VERIFY_WITH_TIMEOUT(!QDir(out()).entryList({"*.pdf"}).isEmpty(), 30000);
            written = QDir(out()).filePath(QDir(out()).entryList({"*.pdf"}).first());
        }
        QVERIFY2(waitForFile(written), qPrintable(run("tail", {"-5", m_server.filePath("error_log")})));
        QVERIFY(pdfPages(written) >= 1); // how copies reach paper is the queue's business
        const QString text = pdfText(written);
        for (const QString &expected : texts)
            QVERIFY2(text.contains(expected), qPrintable(expected + " missing from:\n" + text));
    }
};

VELMORA_TEST_MAIN(new CupsTest)

#include "tst_cups.moc"

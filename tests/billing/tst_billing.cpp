#include "actions.h"
#include "billing/billing_windows.h"
#include "data/db_error.h"
#include "practice_test.h"
#include "data/global.h"
#include "ui/messages.h"
#include "modal.h"
#include "ui/navigator_bar.h"
#include "billing/receipts.h"
#include "printing/report_project.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

namespace {

void fill(QWidget *w, const QString &amount, const QString &description, const QString &recipient, const QString &fund)
{
    type(w, "Amount", amount);
    type(w, "Description", description);
    type(w, "Recipient", recipient);
    type(w, "Fund", fund);
}

} // namespace

class BillingTest : public PrintingPracticeTest {
    Q_OBJECT
    std::unique_ptr<ReceiptPrinter> m_printer;

    void setUpPractice() override
    {
        m_printer = std::make_unique<ReceiptPrinter>();
        m_practice->addChild("Νίκος", "Παπαδάκης", QDate(2015, 5, 5));
        connect().execute("INSERT INTO INFORMATION(TITLE,ADDRESS1,PHONE,AFM) VALUES('Παιδιατρείο Δρ. Αλεξίου',"
                          "'Ερμού 10, Αθήνα','2101234567','012345678')");
    }
    void tearDownPractice() override { m_printer.reset(); }

    int count(const QString &sql) { return connect().scalar(sql).toInt(); }

    // The issue window as the register opens it for the fixture's child.
    std::unique_ptr<ReceiptIssueWindow> issueWindow(const QString &name = "Νίκος", const QString &surname = "Παπαδάκης")
    {
        auto window = std::make_unique<ReceiptIssueWindow>(*m_printer);
        window->ChildID = "1";
        window->ChildName = name;
        window->ChildSurname = surname;
        window->show();
        return window;
    }
    // Issues through the real window, as the person would.
    void issue(const QString &amount, const QString &description = "Επίσκεψη")
    {
        const auto window = issueWindow();
        fill(window.get(), amount, description, "Μητέρα", "");
        click(window.get(), "Button1");
    }

private slots:
    void numberingCreatesTheCounter()
    {
        ReceiptNumberingWindow window;
        window.show();
        type(&window, "DBEdit1", "100");
        press(&window, "Post");
        QCOMPARE(count("SELECT [LAST] FROM LAST_APODEIKSH"), 100);
    }

    void refusedAmountsWriteNothing_data()
    {
        // clang-format off
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("message");
        QTest::newRow("zero") << "0" << "Μη αποδεκτή τιμή";
        QTest::newRow("negative") << "-5" << "Μη αποδεκτή τιμή";
        QTest::newRow("letters") << "πέντε" << "Η καταχώρηση δεν έγινε";
        // clang-format on
    }
    void refusedAmountsWriteNothing()
    {
        QFETCH(QString, amount);
        QFETCH(QString, message);
        connect().execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(100)");
        MessageLog log;
        const auto issuing = issueWindow();
        ReceiptIssueWindow &window = *issuing;
        fill(&window, amount, "Επίσκεψη", "Μητέρα", "");
        click(&window, "Button1");
        QCOMPARE(log.texts, QStringList({message}));
        QCOMPARE(window.findChild<QLineEdit *>("Amount")->text(), QString());
        QCOMPARE(count("SELECT COUNT(*) FROM APODEIKSEIS") + count("SELECT COUNT(*) FROM EISPRAKSH_PELATH"), 0);
        QCOMPARE(count("SELECT [LAST] FROM LAST_APODEIKSH"), 100);
    }

    void issueButtonRule()
    {
        ReceiptIssueWindow window(*m_printer);
        auto *button = window.findChild<QPushButton *>("Button1");
        fill(&window, "25", "Επίσκεψη & εμβόλιο", "Μητέρα", "");
        QVERIFY(!button->isEnabled());
        fill(&window, "25", "Επίσκεψη", "Μητέρα", "");
        QVERIFY(button->isEnabled()); // an empty fund is fine
        fill(&window, "25", "Επίσκεψη", "Μητέρα", "ΕΟΠΥΥ*1");
        QVERIFY(!button->isEnabled());
    }

    void issuingRecordsAllThreeAndPrints()
    {
        connect().execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(100)");
        MessageLog log;
        issue("25");
        QCOMPARE(log.texts.join('|'), QString());
        Connection c = connect();
        QCOMPARE(c.scalar("SELECT [LAST] FROM LAST_APODEIKSH").toInt(), 101);
        QCOMPARE(c.scalar("SELECT POSO FROM APODEIKSEIS WHERE AR_APODEIKSHS=100").toDouble(), 42.715);
        QCOMPARE(c.scalar("SELECT POSO_CY FROM EISPRAKSH_PELATH WHERE AR_APODEIKSHS=100 AND ID=1").toDouble(), 25.0);
        const QString receipt = pdfText(m_pdf);
        if (const QString keep = qEnvironmentVariable("VELMORA_KEEP_PDF"); !keep.isEmpty()) {
            QFile::remove(keep + "/APODEIKSEIS.pdf");
            QFile::copy(m_pdf, keep + "/APODEIKSEIS.pdf");
        }
        QVERIFY2(receipt.contains("100") && receipt.contains("25,00") && receipt.contains("Παιδιατρείο Δρ. Αλεξίου"),
                 qPrintable(receipt));
    }

    void cancellingAReceipt()
    {
        connect().execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(6)");
        for (const char *amount : {"10", "20", "30"})
            issue(amount); // receipts 6, 7, 8
        MessageLog log;
        ReceiptRegisterWindow reg(*m_printer);
        reg.show();
        QCOMPARE(reg.findChild<QLabel *>("CountLine")->text(), QString("Βρέθηκαν 3 αποδείξεις"));
        press(&reg, "Next");
        QCOMPARE(reg.data().value("AR_APODEIKSHS").toInt(), 7);
        click(&reg, "Button2");
        QCOMPARE(log.texts, QStringList({"Να ακυρώσω την απόδειξη με αριθμό\n7;"}));
        QCOMPARE(count("SELECT COUNT(*) FROM EISPRAKSH_PELATH"), 2);
        QCOMPARE(count("SELECT COUNT(*) FROM EISPRAKSH_PELATH WHERE AR_APODEIKSHS=7"), 0);
        QCOMPARE(count("SELECT COUNT(*) FROM APODEIKSEIS WHERE EGKYRH=FALSE"), 1);
        QCOMPARE(count("SELECT COUNT(*) FROM APODEIKSEIS WHERE EGKYRH=FALSE AND AR_APODEIKSHS=7"), 1);
        QCOMPARE(count("SELECT [LAST] FROM LAST_APODEIKSH"), 9);
        // Onto the cancelled receipt: neither reprint nor cancel; onto a valid one: both again.
        press(&reg, "First");
        for (int row = 0; row < reg.data().recordCount(); ++row, press(&reg, "Next")) {
            const bool valid = reg.data().value("AR_APODEIKSHS").toInt() != 7;
            QCOMPARE(reg.findChild<QPushButton *>("Button1")->isEnabled(), valid);
            QCOMPARE(reg.findChild<QPushButton *>("Button2")->isEnabled(), valid);
        }

        // A cancelled receipt counts in no total.
        ChildIncomeWindow income;
        income.hand({"1", "Νίκος", "Παπαδάκης", "", ""});
        income.show();
        QCOMPARE(income.findChild<QLabel *>("Count")->text(), QString("2"));
        QCOMPARE(income.findChild<QLabel *>("Total")->text(), QString("40,00"));
        IncomeBetweenDatesWindow between;
        between.show();
        const QString today = QDate::currentDate().toString("d/M/yyyy");
        type(&between, "Edit1", today); // both end days count
        type(&between, "Edit2", today);
        click(&between, "Button1");
        QCOMPARE(between.findChild<QLabel *>("Total")->text(), QString("40,00"));
        type(&between, "Edit1", "");
        click(&between, "Button1");
        QCOMPARE(log.texts.last(), QString("Λανθασμένα κριτήρια."));
    }

    void letterheadPreviewShowsTheStoredTitle()
    {
        LetterheadWindow window(*m_printer);
        window.show();
        click(&window, "Button1");
        QString text = pdfText(m_pdf);
        QVERIFY(text.contains("Παιδιατρείο Δρ. Αλεξίου"));
        QVERIFY(!text.contains("ΑΠΟΔΕΙΞΗ")); // no receipt row
        type(&window, "TITLE", "Νέος τίτλος");
        QFile::remove(m_pdf); // what is read next is the new preview
        click(&window, "Button1");
        text = pdfText(m_pdf);
        QVERIFY(text.contains("Παιδιατρείο Δρ. Αλεξίου"));
        QVERIFY(!text.contains("Νέος τίτλος"));
        CertificatePrinter certificates;
        certificates.printPrescription();
        QVERIFY(pdfText(m_pdf).contains("ΙΑΤΡΙΚΗ ΣΥΝΤΑΓΗ"));
        certificates.printSickNote();
        QVERIFY(pdfText(m_pdf).contains("Παιδιατρείο Δρ. Αλεξίου"));
        if (const QString keep = qEnvironmentVariable("VELMORA_KEEP_PDF"); !keep.isEmpty()) {
            QFile::remove(keep + "/ADEIA.pdf");
            QFile::copy(m_pdf, keep + "/ADEIA.pdf");
            certificates.printPrescription();
            QFile::remove(keep + "/SYNTAGOLOGIO.pdf");
            QFile::copy(m_pdf, keep + "/SYNTAGOLOGIO.pdf");
        }
    }

    // Names reach the receipt as values, whatever they hold.
    void receiptNamesAreValues_data()
    {
        // clang-format off
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("surname");
        QTest::newRow("apostrophe") << "Ντ'Αμίκο" << "O'Brien";
        QTest::newRow("splice attempt") << "x'||(SELECT [PASSWORD] FROM SECURITY)||'" << "Π";
        QTest::newRow("percent and backslash") << "50% \\ \"Α\"" << "#1/1/2020# TRUE";
        // clang-format on
    }
    void receiptNamesAreValues()
    {
        QFETCH(QString, name);
        QFETCH(QString, surname);
        Connection c = connect();
        c.execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(5)");
        QCOMPARE(recordReceipt(c, {"1", name, surname, 12.5, "Επίσκεψη", "Μητέρα", ""}), 5);
        QCOMPARE(c.scalar("SELECT ONOMA_PAIDIOY FROM APODEIKSEIS WHERE AR_APODEIKSHS=5").toString(), name);
        QCOMPARE(c.scalar("SELECT EPWNYMO_PAIDIOY FROM APODEIKSEIS WHERE AR_APODEIKSHS=5").toString(), surname);
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM EISPRAKSH_PELATH WHERE AR_APODEIKSHS=5 AND ID=1").toInt(), 1);
    }

    void receiptWindowForAnApostropheName()
    {
        connect().execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(100)");
        MessageLog log;
        const auto issuing = issueWindow("Ντ'Αμίκο", "O'Brien");
        ReceiptIssueWindow &window = *issuing;
        fill(&window, "25", "Επίσκεψη", "Μητέρα", "");
        click(&window, "Button1");
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(connect().scalar("SELECT ONOMA_PAIDIOY FROM APODEIKSEIS WHERE AR_APODEIKSHS=100").toString(),
                 QString("Ντ'Αμίκο"));
        QVERIFY(pdfText(m_pdf).contains("Ντ'Αμίκο"));
    }

    // Apostrophes, hyphens and the like are issued as typed; a character still refused is named.
    void receiptTextsAsTyped_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("recipient");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("apostrophe") << "Κατ' οίκον επίσκεψη"
                                    << "Τζιοβάνι Ντ'Αμίκο"
                                    << "";
        QTest::newRow("hyphen, full stop, brackets, slash")
            << "Εμβόλιο (2η δόση), κ.λπ. 1/2"
            << "Κωνσταντινόπουλος-Αναστασιάδης"
            << "";
        QTest::newRow("ampersand named") << "Επίσκεψη"
                                         << "Μητέρα & πατέρας"
                                         << "Ο χαρακτήρας «&» δεν γίνεται δεκτός στο πεδίο «Παραλήπτης»: γράψτε γράμματα, αριθμούς, κενά και ' - . , ( ) /.";
    }
    void receiptTextsAsTyped()
    {
        QFETCH(QString, description);
        QFETCH(QString, recipient);
        QFETCH(QString, refusal);
        connect().execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(200)");
        MessageLog log;
        const auto window = issueWindow();
        fill(window.get(), "30", description, recipient, "");
        QCOMPARE(window->findChild<QLabel *>("Refusal")->text(), refusal);
        QCOMPARE(window->findChild<QPushButton *>("Button1")->isEnabled(), refusal.isEmpty());
        if (!refusal.isEmpty())
            return;
        click(window.get(), "Button1");
        QCOMPARE(connect().scalar("SELECT PARALHPTHS FROM APODEIKSEIS WHERE AR_APODEIKSHS=200").toString(), recipient);
        QCOMPARE(connect().scalar("SELECT PERIGRAFH FROM APODEIKSEIS WHERE AR_APODEIKSHS=200").toString(), description);
    }

    // POSO_CY is the amount as typed, to the last bit; POSO the typed amount times the factor.
    void amountsAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("shown");
        QTest::newRow("0,385") << "0,385" << 0.385 << "0,39";
        QTest::newRow("1,005") << "1,005" << 1.005 << "1,01";
        QTest::newRow("12500,40") << "12500,40" << 12500.40 << "12500,40";
        QTest::newRow("25") << "25" << 25.0 << "25,00";
    }
    void amountsAsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(double, amount);
        QFETCH(QString, shown);
        connect().execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(1)");
        issue(typed);
        Connection c = connect();
        for (const char *table : {"APODEIKSEIS", "EISPRAKSH_PELATH"}) {
            const QString where = QString(" FROM %1 WHERE AR_APODEIKSHS=1").arg(table);
            QVERIFY(c.scalar("SELECT POSO_CY" + where).toDouble() == amount);
            QVERIFY(c.scalar("SELECT POSO" + where).toDouble() == amount * ReceiptAmountFactor);
        }
        ReceiptRegisterWindow reg(*m_printer);
        QCOMPARE(reg.data().value("POSO_CY").toString(), shown);
        QVERIFY(pdfText(m_pdf).contains(shown));
    }

    // Another copy of the program took the number shown: the one recorded is the one told.
    void issueShowsTheNumberRecorded()
    {
        connect().execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(100)");
        MessageLog log;
        const auto issuing = issueWindow();
        ReceiptIssueWindow &window = *issuing;
        QCOMPARE(window.findChild<QLabel *>("Number")->text(), QString("100"));
        Connection other = connect();
        recordReceipt(other, {"1", "Άλλος", "Άλλος", 5, "Επίσκεψη", "Μητέρα", ""});
        fill(&window, "25", "Επίσκεψη", "Μητέρα", "");
        click(&window, "Button1");
        QCOMPARE(log.texts, QStringList({"Η απόδειξη καταχωρήθηκε με τον αριθμό 101· ο αριθμός 100 δόθηκε στο μεταξύ "
                                         "σε άλλη απόδειξη."}));
        QCOMPARE(window.findChild<QLabel *>("Number")->text(), QString("101"));
        QVERIFY(pdfText(m_pdf).contains("101"));
        window.show(); // shown again, it reads the counter again
        QCOMPARE(window.findChild<QLabel *>("Number")->text(), QString("102"));
    }

    // A failed recording names its cause and keeps what was typed.
    void failedIssueSaysWhyAndKeepsTheText()
    {
        connect().execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(100)");
        MessageLog log;
        const auto issuing = issueWindow();
        ReceiptIssueWindow &window = *issuing;
        connect().execute("DELETE FROM LAST_APODEIKSH");
        fill(&window, "25", "Επίσκεψη", "Μητέρα", "ΕΟΠΥΥ");
        click(&window, "Button1");
        QCOMPARE(log.texts, QStringList({"Η καταχώρηση δεν έγινε\nThe receipt numbering has not been set."}));
        QCOMPARE(window.findChild<QLineEdit *>("Amount")->text(), QString("25"));
        QCOMPARE(window.findChild<QLineEdit *>("Fund")->text(), QString("ΕΟΠΥΥ"));
    }

    // The causes the issue names, as the engine reports them.
    void recordingFailuresNameTheirCause_data()
    {
        // clang-format off
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("reason");
        QTest::newRow("busy") << "busy"
                              << "Το αρχείο δεδομένων χρησιμοποιείται από άλλο πρόγραμμα και δεν ελευθερώθηκε "
                                 "εγκαίρως· δοκιμάστε ξανά σε λίγο.";
        QTest::newRow("disk full") << "full" << "Ο δίσκος είναι γεμάτος.";
        QTest::newRow("read-only") << "read-only" << "Το αρχείο δεδομένων ή ο φάκελός του είναι μόνο για ανάγνωση.";
        // clang-format on
    }
    void recordingFailuresNameTheirCause()
    {
        QFETCH(QString, cause);
        QFETCH(QString, reason);
        connect().execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(100)");
        Connection holder = connect();
        Connection c = cause == "read-only" ? Connection::openFileForReading(m_practice->dataFile(), DbPassword)
                                            : connect();
        std::optional<Transaction> held;
        if (cause == "busy") {
            c.setBusyTimeout(50);
            held.emplace(holder);
        } else if (cause == "full") {
            const int pages = c.scalar("PRAGMA page_count").toInt();
            c.scalar(QString("PRAGMA max_page_count = %1").arg(pages));
        }
        try {
            for (int i = 0; i < 1000; ++i) // until the file can grow no further
                recordReceipt(c, {"1", "Νίκος", "Παπαδάκης", 25, QString(250, QChar(u'Α')), "Μητέρα", ""});
            QFAIL("recorded");
        } catch (const DbError &error) {
            QCOMPARE(messages::reason(error), reason);
        }
        held.reset();
        const int receipts = count("SELECT COUNT(*) FROM APODEIKSEIS"); // every one whole, or none
        QCOMPARE(count("SELECT COUNT(*) FROM EISPRAKSH_PELATH"), receipts);
        QCOMPARE(count("SELECT [LAST] FROM LAST_APODEIKSH"), 100 + receipts);
    }

    // Killed at random moments while issuing, the file always opens and always agrees.
    void killedWhileIssuingStaysConsistent()
    {
        connect().execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(1)");
        QRandomGenerator random(2026);
        for (int kill = 0; kill < 25; ++kill) {
            const int before = count("SELECT COUNT(*) FROM APODEIKSEIS");
            QProcess writer;
            writer.start(QStringLiteral(RECEIPT_WRITER), {m_practice->directory(), "0", "0"});
            // Once it says it is writing (nobody reads the file meanwhile), at a random moment
            // within the next few receipts.
            QVERIFY(writer.waitForReadyRead(20000));
            QCOMPARE(writer.readLine().trimmed(), QByteArray("writing"));
            QTest::qWait(int(random.bounded(40)));
            writer.kill(); // SIGKILL, and nothing sent once it has ended (kill(0) would hit this test's group)
            writer.waitForFinished();
            QCOMPARE(writer.exitStatus(), QProcess::CrashExit); // killed, not ended by a failure of its own
            Connection c = connect();
            const int receipts = c.scalar("SELECT COUNT(*) FROM APODEIKSEIS").toInt();
            QVERIFY(receipts > before); // its first receipt at least stayed
            QCOMPARE(c.scalar("SELECT COUNT(DISTINCT AR_APODEIKSHS) FROM APODEIKSEIS").toInt(), receipts);
            QCOMPARE(c.scalar("SELECT COUNT(*) FROM EISPRAKSH_PELATH").toInt(), receipts);
            QCOMPARE(c.scalar("SELECT COUNT(*) FROM APODEIKSEIS WHERE AR_APODEIKSHS NOT IN "
                              "(SELECT AR_APODEIKSHS FROM EISPRAKSH_PELATH)")
                         .toInt(),
                     0);
            QCOMPARE(c.scalar("SELECT [LAST] FROM LAST_APODEIKSH").toInt(), receipts + 1);
            QCOMPARE(c.scalar("PRAGMA integrity_check").toString(), QString("ok"));
        }
    }

    // Two copies of the program issuing at once: both get their receipts, numbered without a
    // gap and without a duplicate.
    void twoCopiesIssueSideBySide()
    {
        connect().execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(1)");
        QProcess first, second;
        for (QProcess *writer : {&first, &second})
            writer->start(QStringLiteral(RECEIPT_WRITER), {m_practice->directory(), "5", "15"});
        int issued = 0;
        for (QProcess *writer : {&first, &second}) {
            QVERIFY(writer->waitForFinished(60000));
            const QByteArray errors = writer->readAllStandardError();
            QVERIFY2(writer->exitStatus() == QProcess::NormalExit && writer->exitCode() == 0, errors.constData());
            const QList<QByteArray> lines = writer->readAllStandardOutput().split('\n');
            const int own = lines.value(1).toInt();
            QVERIFY(own > 0);
            issued += own;
        }
        Connection c = connect();
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM APODEIKSEIS").toInt(), issued);
        QCOMPARE(c.scalar("SELECT COUNT(DISTINCT AR_APODEIKSHS) FROM APODEIKSEIS").toInt(), issued);
        QCOMPARE(c.scalar("SELECT MIN(AR_APODEIKSHS) FROM APODEIKSEIS").toInt(), 1);
        QCOMPARE(c.scalar("SELECT MAX(AR_APODEIKSHS) FROM APODEIKSEIS").toInt(), issued);
        QCOMPARE(c.scalar("SELECT [LAST] FROM LAST_APODEIKSH").toInt(), issued + 1);
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM EISPRAKSH_PELATH").toInt(), issued);
    }
};

VELMORA_TEST_MAIN(new BillingTest)

#include "tst_billing.moc"

#include "actions.h"
#include "printing/child_printouts_window.h"
#include "printing/data_connections.h"
#include "data/dataset.h"
#include "data/db_error.h"
#include "expenses/expense_reports_window.h"
#include "fixture.h"
#include "data/global.h"
#include "modal.h"
#include "practice_test.h"
#include "billing/receipts.h"
#include "office/reference_books.h"
#include "printing/report.h"
#include "printing/report_project.h"
#include "printing/report_text.h"

#include <QDir>
#include <QFile>
#include <QGlyphRun>
#include <QLineEdit>
#include <QPdfWriter>
#include <QProgressDialog>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QRawFont>
#include <QSpinBox>
#include <QTest>
#include <QTextLayout>
#include <sys/stat.h>
#include <QTimer>

namespace {

// The first of `words` that is missing from `text` when each is looked for after the one
// before it; empty when all are there in this order.
QString firstOutOfOrder(const QString &text, const QStringList &words)
{
    qsizetype from = 0;
    for (const QString &w : words) {
        const qsizetype at = text.indexOf(w, from);
        if (at < 0)
            return w;
        from = at + w.size();
    }
    return {};
}

struct PdfWord {
    QString text;
    QRectF box; // points
};

// The words of a PDF file with where they stand, as pdftotext places them.
QList<PdfWord> pdfWords(const QString &path)
{
    QProcess process;
    process.start("pdftotext", {"-bbox", path, "-"});
    process.waitForFinished(30000);
    static const QRegularExpression word(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>");
    QList<PdfWord> words;
    for (auto it = word.globalMatch(QString::fromUtf8(process.readAllStandardOutput())); it.hasNext();) {
        const auto m = it.next();
        words.append({m.captured(5), QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                            QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))});
    }
    return words;
}

QStringList numbered(const QString &stem, int count)
{
    QStringList words;
    for (int i = 1; i <= count; ++i)
        words << stem + QString::number(i);
    return words;
}

// Typed texts longer than their boxes.
const QString LongFather = QStringLiteral("Χαράλαμπος Αγαθοκλής Παπαχριστοδουλόπουλος Κωνσταντινίδης Ιω");
const QString LongWord = QStringLiteral("ΑΒΓΔΕΖΗΘΙΚΛΜΝΞΟΠΡΣΤΥΦΧΨΩ").repeated(12);
const QString LongSurname = QStringLiteral("Παπαχριστοδουλοπουλοκωνσταντινοπουλίδης-Αναστασοπουλοπαπαδάκη");

} // namespace

class PrintingTest : public PrintingPracticeTest {
    Q_OBJECT
    void addChild(const QString &name, const QString &surname)
    {
        const int id = m_practice->addChild(name, surname, QDate(2015, 5, 6), "ΘΗΛΥ");
        connect().execute("UPDATE STOIXEIA_PAIDIOY SET HPATITIDA_B2=#3/5/2008#,ISTORIKO='Γραμμή ένα\nΓραμμή δύο' WHERE ID=?",
                          {id});
    }

    // Prints a report file written here, its rows from `sql` under the connection it names.
    void printWithOwnReport(const QByteArray &report, const QString &connection, const QString &sql)
    {
        const QString path = QDir(AppDirectory).filePath("OWN.RAV");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(report);
        file.close();
        Connection c = connect();
        QObject owner;
        DataSet rows(c);
        rows.setSql(sql);
        data_connections::add(connection, rows, &owner);
        ReportProject project;
        project.ProjectFile = path;
        project.execute();
    }

private slots:
    void childPrintoutsFollowTheSearch()
    {
        addChild("Νίκος", "Παπαδάκης");
        addChild("Ελένη", "Αλεξίου");
        addChild("Μαρία", "Πάτρας");
        ChildPrintoutsWindow printouts;
        printouts.WhereText = "WHERE EPWNYMO LIKE'Πα%' ORDER BY EPWNYMO ASC";
        printouts.SelectText = "SELECT ID,ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,"
                               "ONOMATEPWNYMO_MHTERAS,ONOMATEPWNYMO_KHDEMONA,THLEFWNO_1,THLEFWNO_2,DIEYTHYNSH FROM "
                               "STOIXEIA_PAIDIOY " + printouts.WhereText;
        printouts.ChildID = "2";
        printouts.show();
        // Details, history, health card, vaccinations: each prints all the search found, or the one selected.
        for (const char *group : {"0", "1", "2", "3"}) {
            click(&printouts, qPrintable(QString("All") + group));
            const QString all = printed();
            QCOMPARE(order(all, {"Παπαδάκης", "Αλεξίου", "Πάτρας"}), QStringList({"Παπαδάκης", "Πάτρας"}));
            click(&printouts, qPrintable(QString("Selected") + group));
            QCOMPARE(order(printed(), {"Παπαδάκης", "Αλεξίου", "Πάτρας"}), QStringList({"Αλεξίου"}));
        }
        QVERIFY(printed().contains("5/3/2008")); // the vaccination sheet carries the dose date
        click(&printouts, "Selected1");
        QVERIFY(printed().contains("Γραμμή δύο"));
        click(&printouts, "List");
        const QString list = printed();
        QCOMPARE(order(list, {"Παπαδάκης", "Αλεξίου", "Πάτρας"}), QStringList({"Παπαδάκης", "Πάτρας"}));
        QVERIFY(list.contains("Σύνολο παιδιών: 2"));
    }

    // Every report file lays out its rows; VELMORA_KEEP_PDF names a folder to keep the pages in.
    void everyReportPrints()
    {
        addChild("Νίκος", "Παπαδάκης");
        addChild("Ελένη", "Αλεξίου");
        Connection c = connect();
        c.execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<60) "
                  "INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) SELECT #1/5/2009#,10,2.4,'Χαρτί' FROM n");
        c.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Δίαιτα νηπίου','" + QString("Πρωί: γάλα με δημητριακά. ").repeated(40) + "')");
        c.execute("INSERT INTO SHMEIWSEIS(TITLOS,PERIGRAFH) VALUES('Παραγγελίες','Εμβόλια γρίπης: 20 δόσεις')");
        c.execute("INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(#3/28/2007#,120.5,28.92,'Ενοίκιο ιατρείου')");
        const QString keep = qEnvironmentVariable("VELMORA_KEEP_PDF");
        const auto check = [&](const QString &name, const QString &expected) {
            const QString text = printed();
            QVERIFY2(text.contains(expected), qPrintable(name + ": " + text.left(300)));
            if (!keep.isEmpty()) {
                QFile::remove(keep + "/" + name + ".pdf");
                QFile::copy(m_pdf, keep + "/" + name + ".pdf");
            }
            QFile::remove(m_pdf); // each report is read from its own pages
        };
        ChildPrintoutsWindow printouts;
        printouts.SelectText = "SELECT ID,ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,"
                               "ONOMATEPWNYMO_MHTERAS,ONOMATEPWNYMO_KHDEMONA,THLEFWNO_1,THLEFWNO_2,DIEYTHYNSH FROM "
                               "STOIXEIA_PAIDIOY ORDER BY EPWNYMO ASC";
        printouts.show();
        click(&printouts, "All0");
        check("STOIXEIA", "Ερμού 5");
        click(&printouts, "All1");
        check("ISTORIKO", "Γραμμή ένα");
        click(&printouts, "All2");
        check("DYGEIAS", "Πέμπτη νόσος");
        click(&printouts, "All3");
        check("EMBOLIA", "5/3/2008");
        click(&printouts, "List");
        check("LIST", "Σύνολο παιδιών: 2");
        PrintChoiceWindow diets(PrintChoiceWindow::Diets);
        diets.show();
        click(&diets, "Button1");
        check("DIAITES", "Δίαιτα νηπίου");
        PrintChoiceWindow notes(PrintChoiceWindow::Notes);
        notes.show();
        click(&notes, "Button1");
        check("NOTES", "Εμβόλια γρίπης");
        const auto search = [](QWidget *report, const QString &from, const QString &to) {
            type(report, "Edit1", from);
            type(report, "Edit2", to);
            click(report, "Button1");
            click(report, "Button2");
        };
        ExpenseReportWindow byDate(ExpenseReportWindow::Kind::ByDate);
        byDate.show();
        search(&byDate, "1/1/2007", "31/12/2007");
        check("EKSODA1", "149,42");
        ExpenseReportWindow byMonth(ExpenseReportWindow::Kind::ByMonth);
        byMonth.show();
        search(&byMonth, "2007", "2007");
        check("EKSODA2", "149,42");
    }

    // What a person typed reaches paper whole: every word in order, every cent, nothing elided.
    void printoutsCarryEverything_data()
    {
        QTest::addColumn<QString>("printout");
        QTest::addColumn<QStringList>("inOrder");
        QTest::addColumn<QString>("unbroken"); // found once the lines are joined again
        QTest::addColumn<QString>("absent");
        const QStringList words = numbered("λέξη", 2000);
        QTest::newRow("history of 2,000 words") << "ISTORIKO" << words << LongWord << QString();
        const QStringList father = LongFather.split(' ');
        for (const char *printout : {"STOIXEIA", "DYGEIAS", "EMBOLIA", "ISTORIKO"})
            QTest::newRow(qPrintable(QString("father's long name in ") + printout)) << printout << father << "" << QString();
        QTest::newRow("longest address in the list") << "LIST" << numbered("οδός", 37) << "" << QString();
        QTest::newRow("history in a box taller than a page") << "TALL" << words << LongWord << QString();
        QTest::newRow("long expense description") << "EKSODA1" << numbered("περιγραφή", 18) << "" << QString();
        QTest::newRow("analytic totals")
            << "EKSODA1" << QStringList{"Περίοδος: από 1/1/2007 έως 31/12/2007", "Σύνολα:", "12511,41", "0,00", "12511,41"} << "" << QString();
        QTest::newRow("monthly totals") << "EKSODA2"
                                        << QStringList{"Περίοδος: από το έτος 2007 έως το έτος 2007", "12511,41",
                                                       "Σύνολα:", "12511,41", "0,00", "12511,41"}
                                        << "" << QString();
        QTest::newRow("analytic empty period")
            << "EKSODA1 2006" << QStringList{"Περίοδος: από 1/1/2006 έως 31/12/2006", "Σύνολα:", "0,00", "0,00", "0,00"} << "" << QString();
        QTest::newRow("monthly empty period") << "EKSODA2 2006"
                                              << QStringList{"Περίοδος: από το έτος 2006 έως το έτος 2006", "Σύνολα:",
                                                             "0,00", "0,00", "0,00"}
                                              << "" << QString();
        QTest::newRow("receipt with a long name")
            << "APODEIKSEIS" << QStringList{"100", "Ευάγγελος-Κωνσταντίνος", "25,00"} << LongSurname << QString();
        const QString whose = "Αλεξίου Ελένη · Γέννηση: 6/5/2015";
        QTest::newRow("every page of a history says whose it is")
            << "ISTORIKO" << QStringList{whose, "λέξη1", whose, "λέξη2000"} << "" << QString();
        QTest::newRow("compound names break at their hyphens")
            << "LIST" << QStringList{"Κωνσταντινοπούλου-", "Αναστασιάδου"} << "" << QString();
        const QString today = "Εκτύπωση: " + QDate::currentDate().toString("d/M/yyyy");
        QTest::newRow("letterhead reads as an address")
            << "APODEIKSEIS" << QStringList{"2ος όροφος, 152 31 Χαλάνδρι", "Τηλ.: 2106801234", today} << ""
            << "Fax:";
        const QStringList byRate{"Σύνολα:", "360,00", "79,10", "439,10",
                                 "Συντελεστής Φ.Π.Α 24%", "300,00", "72,00", "372,00",
                                 "Συντελεστής Φ.Π.Α 13%", "50,00", "6,50", "56,50",
                                 "Συντελεστής Φ.Π.Α 6%", "10,00", "0,60", "10,60"};
        QTest::newRow("analytic VAT of each rate") << "EKSODA1 2008" << byRate << "" << QString();
        QTest::newRow("monthly VAT of each rate") << "EKSODA2 2008" << byRate << "" << QString();
        QTest::newRow("diet under the letterhead")
            << "DIAITES"
            << QStringList{"Παιδιατρείο", "Λεωφόρος Κηφισίας 254, 2ος όροφος, 152 31 Χαλάνδρι", "Τηλ.: 2106801234",
                           "Δίαιτα νηπίου", "Πρωί: γάλα", "Εκτύπωση: " + QDate::currentDate().toString("d/M/yyyy")}
            << ""
            << "Fax:";
        QTest::newRow("each diet numbers its own pages")
            << "DIAITES" << QStringList{"Δίαιτα γαστρεντερίτιδας", "Σελίδα 1 από 1", "Δίαιτα νηπίου", "Σελίδα 1 από 1"}
            << ""
            << "από 2";
        QTest::newRow("every page of an expense list names its period")
            << "EKSODA1 2009" << QStringList{"Περίοδος: από 1/1/2009", "Σελίδα 1 από 2", "Περίοδος: από 1/1/2009", "Σελίδα 2 από 2"}
            << "" << QString();
        QTest::newRow("one date form in the expense list")
            << "EKSODA1" << QStringList{"Περίοδος: από 1/1/2007", "28/3/2007"} << ""
            << "28/03/2007";
    }

    void printoutsCarryEverything()
    {
        QFETCH(QString, printout);
        QFETCH(QStringList, inOrder);
        QFETCH(QString, unbroken);
        QFETCH(QString, absent);
        // One child with a long history and father, three expenses of 2007, one receipt.
        QStringList paragraphs;
        const QStringList words = numbered("λέξη", 2000);
        for (int i = 0; i < 2000; i += 150)
            paragraphs << words.mid(i, 150).join(' ');
        paragraphs.insert(1, LongWord);
        Connection c = connect();
        c.execute("INSERT INTO STOIXEIA_PAIDIOY(ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,"
                  "ONOMATEPWNYMO_MHTERAS,ONOMATEPWNYMO_KHDEMONA,DIEYTHYNSH,THLEFWNO_1,ISTORIKO) VALUES('Ελένη','Αλεξίου','ΘΗΛΥ',#5/6/2015#,?,"
                  "'Μητέρα','Κηδεμόνας','Ερμού 5','2101234567',?)",
                  {LongFather, paragraphs.join('\n')});
        m_practice->addChild("Μάρκος", "Μακρής", QDate(2016, 1, 2));
        m_practice->addChild("Χαραλαμπία-Παναγιώτα", "Κωνσταντινοπούλου-Αναστασιάδου", QDate(2014, 9, 1));
        c.execute("INSERT INTO INFORMATION(TITLE,ADDRESS1,ADDRESS2,PHONE,FAX) VALUES('Παιδιατρείο',"
                  "'Λεωφόρος Κηφισίας 254, 2ος όροφος','152 31 Χαλάνδρι','2106801234','')");
        const QString address = numbered("οδός", 37).join(' ');
        QVERIFY(address.size() > 240); // near the longest a text field holds
        c.execute("UPDATE STOIXEIA_PAIDIOY SET DIEYTHYNSH=? WHERE EPWNYMO='Μακρής'", {address});
        const QString description = numbered("περιγραφή", 18).join(' ');
        QVERIFY(description.size() >= 200);
        for (const QVariantList &row : {QVariantList{1.005, description}, {12500.4, "Ενοίκιο"}, {10, "Χαρτί"}})
            c.execute("INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(#3/28/2007#,?,0,?)", row);
        for (const QVariantList &row : {QVariantList{200, 48}, {100, 24}, {50, 6.5}, {10, 0.6}})
            c.execute("INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(#6/1/2008#,?,?,'Υλικά')", row);
        c.execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<60) "
                  "INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) SELECT #1/5/2009#,10,2.4,'Χαρτί' FROM n");
        c.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Δίαιτα νηπίου','Πρωί: γάλα με δημητριακά.'),"
                  "('Δίαιτα γαστρεντερίτιδας','Άφθονα υγρά.')");
        c.execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(100)");
        recordReceipt(c, {"1", "Ευάγγελος-Κωνσταντίνος", LongSurname, 25, "Επίσκεψη", "Μητέρα", "ΕΟΠΥΥ"});

        using P = ChildPrintoutsWindow::Printout;
        const std::map<QString, P> children{
            {"STOIXEIA", P::Details}, {"ISTORIKO", P::History}, {"DYGEIAS", P::HealthCard}, {"EMBOLIA", P::Vaccinations}};
        if (children.count(printout)) {
            ChildPrintoutsWindow window;
            window.ChildID = "1";
            window.printSelected(children.at(printout));
        } else if (printout == "LIST") {
            ChildPrintoutsWindow window;
            window.SelectText = "SELECT ID,ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,"
                                "ONOMATEPWNYMO_MHTERAS,ONOMATEPWNYMO_KHDEMONA,THLEFWNO_1,THLEFWNO_2,DIEYTHYNSH FROM "
                                "STOIXEIA_PAIDIOY ORDER BY EPWNYMO ASC";
            window.printList();
        } else if (printout == "TALL") {
            // A text that wraps in its box rather than flowing: its band outgrows the page.
            printWithOwnReport("<report title=\"x\"><detail height=\"10\" connection=\"TallConnection\">"
                               "<box x=\"0\" y=\"0\" w=\"180\" h=\"10\"/><text x=\"2\" y=\"2\" w=\"176\" h=\"6\" "
                               "fit=\"wrap\">{ISTORIKO}</text></detail></report>",
                               "TallConnection", "SELECT ISTORIKO FROM STOIXEIA_PAIDIOY WHERE ID=1");
        } else if (printout == "APODEIKSEIS") {
            ReceiptPrinter printer;
            printer.PrintReceipt(100);
        } else if (printout == "DIAITES") {
            PrintChoiceWindow diets(PrintChoiceWindow::Diets);
            diets.printAll();
        } else {
            const auto kind = printout.startsWith("EKSODA1") ? ExpenseReportWindow::Kind::ByDate
                                                             : ExpenseReportWindow::Kind::ByMonth;
            const QString year = printout.contains(' ') ? printout.section(' ', 1) : "2007";
            ExpenseReportWindow window(kind);
            const bool byDate = kind == ExpenseReportWindow::Kind::ByDate;
            window.findChild<QLineEdit *>("Edit1")->setText(byDate ? "1/1/" + year : year);
            window.findChild<QLineEdit *>("Edit2")->setText(byDate ? "31/12/" + year : year);
            window.search();
            window.print();
        }
        const QString text = pdfText(m_pdf);
        if (const QString keep = qEnvironmentVariable("VELMORA_KEEP_PDF"); !keep.isEmpty())
            QFile::copy(m_pdf, keep + "/" + QString(QTest::currentDataTag()).replace(' ', '_') + ".pdf");
        QCOMPARE(firstOutOfOrder(text, inOrder), QString());
        QVERIFY2(!text.contains(QChar(0x2026)), "an elided text");
        if (!unbroken.isEmpty())
            QVERIFY(text.simplified().remove(' ').contains(unbroken));
        if (!absent.isEmpty())
            QVERIFY2(!text.contains(absent), qPrintable(absent));
    }

    // Wrapped names stop short of the next column: no word printed in a row of the list
    // reaches within 1.5 mm of the column to its right.
    void listColumnsKeepApart()
    {
        const int id = m_practice->addChild("Χαραλαμπία-Παναγιώτα", "Κωνσταντινοπούλου-Αναστασιάδου", QDate(2014, 9, 1));
        connect().execute("UPDATE STOIXEIA_PAIDIOY SET ONOMATEPWNYMO_PATERA=?,ONOMATEPWNYMO_MHTERAS=?,"
                          "ONOMATEPWNYMO_KHDEMONA=?,DIEYTHYNSH=?,THLEFWNO_1='2106801234' WHERE ID=?",
                          {LongFather, "Αικατερίνη-Μαργαρίτα Παπαδημητροπούλου", "Σταυρούλα Αλεξανδροπούλου-Κ.",
                           "Λεωφόρος Βασιλίσσης Σοφίας 122, 2ος όροφος", id});
        ChildPrintoutsWindow window;
        window.SelectText = "SELECT ID,ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,"
                            "ONOMATEPWNYMO_MHTERAS,ONOMATEPWNYMO_KHDEMONA,THLEFWNO_1,THLEFWNO_2,DIEYTHYNSH FROM "
                            "STOIXEIA_PAIDIOY ORDER BY EPWNYMO ASC";
        window.printList();
        const auto points = [](double mm) { return (mm + 15) * 72 / 25.4; }; // the report's margin is 15 mm
        const QList<double> lefts{0, 36, 63, 76, 94, 130, 149, 168, 202, 236, 267};
        const QList<PdfWord> words = pdfWords(m_pdf);
        double rowsTop = 0, rowsBottom = 1e9;
        for (const PdfWord &w : words) {
            if (w.text == "Επώνυμο")
                rowsTop = w.box.bottom();
            if (w.text == "Σύνολο")
                rowsBottom = w.box.top();
        }
        int checked = 0;
        for (const PdfWord &w : words) {
            if (w.box.top() < rowsTop || w.box.bottom() > rowsBottom)
                continue;
            const double leftMm = w.box.left() * 25.4 / 72 - 15;
            const auto next = std::upper_bound(lefts.begin(), lefts.end(), leftMm + 0.1);
            QVERIFY2(next != lefts.end(), qPrintable(w.text));
            QVERIFY2(w.box.right() <= points(*next - 1.5), qPrintable(w.text + QString(" %1 %2").arg(leftMm).arg(w.box.right() * 25.4 / 72 - 15)));
            ++checked;
        }
        QVERIFY(checked > 20);
    }

    // A Greek, numeric or punctuation text is measured and drawn as its characters' glyphs side
    // by side, without shaping. That holds only while no pair of such characters kerns or joins
    // in the reports' font: each pair must stand where Qt's shaping puts it. Latin letters do
    // kern («AV») and join («fi»), and are shaped.
    void unshapedTextsStandWhereShapingPutsThem()
    {
        QPdfWriter device(QDir(AppDirectory).filePath("shaping.pdf"));
        for (const bool bold : {false, true}) {
            ShapedGlyphs glyphs;
            report::Measures measures(device, ReportDefinition().fontFamily, glyphs);
            const QFont font = measures.font(8, bold);
            const QRawFont raw = QRawFont::fromFont(QFont(font, &device));
            QVERIFY(!report::Measures::takesNoShaping(raw, "AV") && !report::Measures::takesNoShaping(raw, "fi"));
            QString characters;
            for (char16_t c = 0x20; c < 0x2100; ++c)
                if (report::Measures::takesNoShaping(raw, QString(QChar(c))))
                    characters += QChar(c);
            QCOMPARE(firstOutOfOrder(characters, {"0", "9", "«", "Ά", "Ω", "ά", "ώ", "–"}), QString());
            for (const QChar a : characters)
                for (const QChar b : characters) {
                    const QString pair = QString(a) + b;
                    const ShapedText measured = measures.shape(font, pair);
                    QTextLayout layout(pair, font, &device);
                    layout.beginLayout();
                    layout.createLine();
                    layout.endLayout();
                    const QGlyphRun run = layout.glyphRuns().value(0);
                    QCOMPARE(measured.count, 2);
                    for (int i = 0; i < 2; ++i) {
                        const auto at = size_t(measured.first + i);
                        QVERIFY2(glyphs.indexes[at] == run.glyphIndexes().value(i) &&
                                     glyphs.x[at] == run.positions().value(i).x(),
                                 qPrintable(pair));
                    }
                }
        }
    }

    // The total never stands alone on a page: the last row goes over with it.
    void theTotalKeepsWithTheLastRow()
    {
        Connection c = connect();
        for (int i = 1; i <= 14; ++i)
            c.execute("INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(#1/5/2026#,1,0,?)",
                      {QString("γραμμή%1.").arg(i, 2, 10, QChar('0'))});
        // 14 rows of 20 mm fill a page of 297 mm; the 30 mm total does not fit under them.
        printWithOwnReport("<report title=\"x\" margin=\"0\"><detail height=\"20\" connection=\"KeepRows\">"
                           "<text x=\"0\" y=\"0\" w=\"100\" h=\"10\">{PERIGRAFH}</text></detail>"
                           "<summary height=\"30\"><text x=\"0\" y=\"0\" w=\"100\" h=\"10\">Σύνολο: {COUNT}</text>"
                           "</summary></report>",
                           "KeepRows", "SELECT PERIGRAFH FROM EKSODA ORDER BY PERIGRAFH");
        const QStringList pages = printed().split('\f', Qt::SkipEmptyParts);
        QCOMPARE(pages.size(), 2);
        QVERIFY(pages[0].contains("γραμμή13."));
        QCOMPARE(firstOutOfOrder(pages[1], {"γραμμή14.", "Σύνολο: 14"}), QString());
    }

    // A report file that could not be printed is refused, naming the file, the element and
    // the attribute.
    void impossibleReportFilesAreRefused_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("message");
        const QString text = "<detail height=\"5\" connection=\"RvDataSetConnection1\">%1</detail>";
        QTest::newRow("wider than any page") << text.arg("<text x=\"0\" y=\"0\" w=\"1e20\" h=\"5\">x</text>")
                                             << "<text> number 1 in <detail> has w=\"1e20\"";
        QTest::newRow("not a number") << text.arg("<line x1=\"0\" y1=\"0\" x2=\"abc\" y2=\"0\"/>")
                                      << "<line> number 1 in <detail> has x2=\"abc\"";
        QTest::newRow("infinite") << text.arg("<box x=\"inf\" y=\"0\" w=\"5\" h=\"5\"/>")
                                  << "<box> number 1 in <detail> has x=\"inf\"";
        QTest::newRow("huge font") << text.arg("<text x=\"0\" y=\"0\" w=\"10\" h=\"5\" size=\"1e9\">x</text>")
                                   << "<text> number 1 in <detail> has size=\"1e9\"";
        QTest::newRow("unknown fit") << text.arg("<text x=\"0\" y=\"0\" w=\"10\" h=\"5\" fit=\"squeeze\">x</text>")
                                     << "<text> number 1 in <detail> has fit=\"squeeze\"";
        QTest::newRow("negative height") << "<summary height=\"-5\"/>"
                                         << "<summary> has height=\"-5\"";
        QTest::newRow("band taller than a page") << "<detail height=\"400\"/>"
                                                 << "<detail> is 400 mm high";
        QTest::newRow("header and footer fill the page")
            << "<page-header height=\"200\"/><page-footer height=\"100\"/>"
            << "<report> leaves no room for rows";
        // What the reader does not know is refused, never dropped from paper.
        QTest::newRow("misspelt element") << text.arg("<line/><txt x=\"0\" y=\"0\">{ONOMA}</txt>")
                                          << "<txt> number 2 in <detail> is not an element of a band";
        QTest::newRow("misspelt band") << "<colum-header height=\"5\"/>"
                                       << "<colum-header> number 1 in <report> is not a band";
        QTest::newRow("unknown attribute") << text.arg("<text x=\"0\" y=\"0\" colour=\"red\">x</text>")
                                           << "<text> number 1 in <detail> has colour=\"red\"; it may have only x, y, w, h,";
        QTest::newRow("unknown band attribute") << "<detail heigth=\"5\"/>"
                                                << "<detail> has heigth=\"5\"";
        QTest::newRow("misspelt value") << text.arg("<text x=\"0\" y=\"0\" align=\"centre\">x</text>")
                                        << "<text> number 1 in <detail> has align=\"centre\"; it must be \"left\" or \"center\" or \"right\".";
        QTest::newRow("text attribute on a box") << text.arg("<box bold=\"true\"/>")
                                                 << "<box> number 1 in <detail> has bold=\"true\"";
    }
    void impossibleReportFilesAreRefused()
    {
        QFETCH(QString, body);
        QFETCH(QString, message);
        const QString path = QDir(AppDirectory).filePath("BAD.RAV");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(("<report title=\"x\">" + body + "</report>").toUtf8());
        file.close();
        ReportProject project;
        project.ProjectFile = path;
        try {
            project.execute();
            QFAIL("printed an impossible report file");
        } catch (const DbError &e) {
            QVERIFY2(e.text().startsWith("Report file \"BAD.RAV\": " + message), qPrintable(e.text()));
        }
        QVERIFY(!QFile::exists(m_pdf));
    }

    // The statements the printouts run are put together from the schema's column lists; their
    // text stays what it always was, piece by piece.
    void printoutStatementsKeepTheirText_data()
    {
        QTest::addColumn<ChildPrintoutsWindow::Printout>("printout");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<QString>("text");
        const QString health =
            "SELECT ID, ONOMA, EPWNYMO, FYLO, HMEROMHNIA_GENNHSEWS, ONOMATEPWNYMO_PATERA, ONOMATEPWNYMO_MHTERAS, "
            "ONOMATEPWNYMO_KHDEMONA, THLEFWNO_1, THLEFWNO_2, DIEYTHYNSH, DIABHTHS, EPILHPSIA, KARDIOPATHIA, ASTHMA, "
            "ALLERGIES, BROGXIKA, ISTORIKO, PROHGOYMENOS_PAIDIATROS,  DIATARAXES_AKOH, DIATARAXES_ORASH, ILARA, "
            "DIFTHERITIDA, KOKKITHS, PARWTITIDA, ERYTHRA, OSTRAKIA, ANEMEBLOGIA, POLYOMYELITIDA, ANAIMIA, HPATITIDA, "
            "[5HNOSOS], AIFNIDIO_EKSANTHIMA, PSWRIASH, EKZEMA, LEYXAIMIA FROM STOIXEIA_PAIDIOY ";
        const QString vaccinations =
            "SELECT ID, ONOMA, EPWNYMO, FYLO, HMEROMHNIA_GENNHSEWS, ONOMATEPWNYMO_PATERA, ONOMATEPWNYMO_MHTERAS, "
            "ONOMATEPWNYMO_KHDEMONA, THLEFWNO_1, HPATITIDA_B1, HPATITIDA_B2, HPATITIDA_B3, IFLOYENTZA_1, IFLOYENTZA_2, "
            "IFLOYENTZA_3, IFLOYENTZA_4, DIFTHERITIDA_TETANOS_KOKKITHS_1, DIFTHERITIDA_TETANOS_KOKKITHS_2, "
            "DIFTHERITIDA_TETANOS_KOKKITHS_3, DIFTHERITIDA_TETANOS_KOKKITHS_4, DIFTHERITIDA_TETANOS_KOKKITHS_5, "
            "POLIOMYELITIDA_1, POLIOMYELITIDA_2, POLIOMYELITIDA_3, POLIOMYELITIDA_4, PNEYMONIOKOKOS_1_PCV7, "
            "PNEYMONIOKOKOS_2_PCV7, PNEYMONIOKOKOS_3_PCV7, PNEYMONIOKOKOS_4_PCV7, ILARA_PARWTITIDA_ERYTHRA_1, "
            "ILARA_PARWTITIDA_ERYTHRA_2,  ANEMEYLOGIA_1, ANEMEYLOGIA_2, IOS_TWN_ANTHRWPINWN_THILWMATWN_1, "
            "IOS_TWN_ANTHRWPINWN_THILWMATWN_2, IOS_TWN_ANTHRWPINWN_THILWMATWN_3, MHNIGGITIDOKOKOS_AC1, "
            "MHNIGGITIDOKOKOS_AC2, MHNIGGITIDOKOKOS_AC3, HPATITIDA_A1, HPATITIDA_A2,  MHNIGGITIDOKOKOSC, ROTAIOS_1, "
            "ROTAIOS_2, FYMATIWSH, PNEYMONIOKOKOS_PNEYMO23, ANTIGRIPIKO, THLEFWNO_2, DIEYTHYNSH FROM STOIXEIA_PAIDIOY ";
        using P = ChildPrintoutsWindow::Printout;
        QTest::newRow("history, all") << P::History << false << health;
        QTest::newRow("health card, selected") << P::HealthCard << true << health + " WHERE ID=";
        QTest::newRow("vaccinations, all") << P::Vaccinations << false << vaccinations;
        QTest::newRow("vaccinations, selected") << P::Vaccinations << true << vaccinations + " WHERE ID=";
    }
    void printoutStatementsKeepTheirText()
    {
        QFETCH(ChildPrintoutsWindow::Printout, printout);
        QFETCH(bool, selected);
        QFETCH(QString, text);
        QCOMPARE(ChildPrintoutsWindow::statement(printout, selected), text);
    }

    // Every report file the program ships reads as it is.
    void shippedReportFilesRead_data()
    {
        QTest::addColumn<QString>("path");
        const QDir reports(QStringLiteral(VELMORA_REPORTS));
        for (const QString &file : reports.entryList({QStringLiteral("*.RAV")}))
            QTest::newRow(qPrintable(file)) << reports.filePath(file);
    }
    void shippedReportFilesRead()
    {
        QFETCH(QString, path);
        try {
            ReportDefinition::load(path);
        } catch (const std::exception &e) {
            QFAIL(e.what());
        }
    }

    // Pages the report does not have are said, instead of a blank page.
    void aPageRangePastTheEndIsSaid()
    {
        connect().execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Α','x')");
        ReportProject::setNonInteractiveOutput(QString());
        MessageLog log;
        whenShown("OutputOptions", [&](QWidget *options) {
            options->findChild<QRadioButton *>("File")->setChecked(true);
            options->findChild<QLineEdit *>("FileName")->setText(m_pdf);
            options->findChild<QSpinBox *>("FromPage")->setValue(5);
            QTest::keyClick(options, Qt::Key_Enter);
        });
        PrintChoiceWindow(PrintChoiceWindow::Diets).printAll();
        QCOMPARE(log.texts, QStringList({"Η σελίδα 5 δεν υπάρχει. Σελίδες της εκτύπωσης: 1."}));
        QVERIFY(!QFile::exists(m_pdf));
    }

    // A PDF holds health data: by default in printouts/ of the practice, the owner's alone
    // whatever the session's umask.
    void pdfFilesArePrivate()
    {
        connect().execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Α','x')");
        ReportProject::setNonInteractiveOutput(QString());
        MessageLog log;
        QString path;
        const mode_t previous = ::umask(022);
        whenShown("OutputOptions", [&](QWidget *options) {
            options->findChild<QRadioButton *>("File")->setChecked(true);
            path = options->findChild<QLineEdit *>("FileName")->text();
            QTest::keyClick(options, Qt::Key_Enter);
        });
        PrintChoiceWindow(PrintChoiceWindow::Diets).printAll();
        ::umask(previous);
        QCOMPARE(QFileInfo(path).absolutePath(), QDir(AppDirectory).filePath("printouts"));
        QCOMPARE(fileMode(path), 0600);
        QCOMPARE(fileMode(QFileInfo(path).absolutePath()), 0700);
    }

    // A screen reader names every part of Output Options, the two ends of the page range apart.
    void outputOptionsNameEveryPart()
    {
        connect().execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Α','x')");
        ReportProject::setNonInteractiveOutput(QString());
        QStringList names;
        whenShown("OutputOptions", [&](QWidget *options) {
            for (QWidget *part : options->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
                if (part->focusPolicy() & Qt::TabFocus) {
                    QVERIFY2(!part->accessibleName().isEmpty() || !part->property("text").toString().isEmpty(),
                             qPrintable(part->metaObject()->className()));
                    names << part->accessibleName();
                }
            QTest::keyClick(options, Qt::Key_Escape);
        });
        PrintChoiceWindow(PrintChoiceWindow::Diets).printAll();
        for (const QString name : {"PDF file name", "Choose the PDF file", "Copies", "From page", "To page"})
            QVERIFY2(names.contains(name), qPrintable(names.join('|')));
    }

    // Cancel in the status window while the pages are painted stops the printout and leaves
    // no half-written file.
    void cancelWhilePainting()
    {
        Connection c = connect();
        Transaction transaction(c);
        for (int i = 0; i < 4000; ++i)
            c.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES(?,?)",
                      {QString("Δίαιτα %1").arg(i), QString("Πρωί: γάλα με δημητριακά. ").repeated(30)});
        transaction.commit();
        QString seen;
        QTimer poll;
        poll.callOnTimeout([&] {
            auto *status = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
            if (status && status->objectName() == "ReportStatus" && status->labelText().startsWith("Printing page")) {
                seen = status->labelText();
                QTest::mouseClick(status->findChild<QPushButton *>(), Qt::LeftButton);
                poll.stop();
            }
        });
        poll.start(20);
        PrintChoiceWindow(PrintChoiceWindow::Diets).printAll();
        QVERIFY2(!seen.isEmpty(), "the status window did not show the painting");
        QVERIFY(!QFile::exists(m_pdf));
    }

    // The print button of a book prints the row shown, straight after the book opens.
    void theSelectedEntryPrintsAtOnce()
    {
        Connection c = connect();
        c.execute("INSERT INTO SHMEIWSEIS(TITLOS,PERIGRAFH) VALUES('Παραγγελίες','Εμβόλια γρίπης')");
        c.execute("INSERT INTO SHMEIWSEIS(TITLOS,PERIGRAFH) VALUES('Άλλη','Τίποτα')");
        MessageLog log;
        PrintChoiceWindow choice(PrintChoiceWindow::Notes);
        NoteBookWindow book(NoteBookWindow::Notes, choice);
        book.show();
        whenShown("TForm7", [&](QWidget *w) {
            QTest::mouseClick(w->findChild<QPushButton *>("Button2"), Qt::LeftButton);
            w->close();
        });
        QTest::mouseClick(book.findChild<QPushButton *>("Button2"), Qt::LeftButton);
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(order(printed(), {"Παραγγελίες", "Άλλη"}), QStringList({"Άλλη"})); // first by title
    }

    void aMissingReportFileIsNamed()
    {
        QFile::remove(QDir(AppDirectory).filePath("NOTES.RAV"));
        MessageLog log;
        PrintChoiceWindow choice(PrintChoiceWindow::Notes);
        choice.show();
        click(&choice, "Button1");
        QCOMPARE(log.texts, QStringList({QString("The following reporting project does not exist:\n\"%1\"")
                                             .arg(QDir(AppDirectory).filePath("NOTES.RAV"))}));
        QVERIFY(!data_connections::find("RvDataSetConnection2")->isOpen()); // what the print opened is closed
        QCOMPARE(projectFileFor("NOTES"), AppDirectory + "/NOTES.rav");
    }

    void aReportFileIsReadOncePerRun()
    {
        connect().execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Α','x')");
        PrintChoiceWindow choice(PrintChoiceWindow::Diets);
        choice.show();
        click(&choice, "Button1");
        QVERIFY(printed().contains("Δίαιτα"));
        QFile file(QDir(AppDirectory).filePath("DIAITES.RAV"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("<report title=\"Άλλο\"><detail height=\"5\" connection=\"RvDataSetConnection1\">"
                   "<text x=\"0\" y=\"0\" w=\"100\" h=\"5\">ΑΛΛΑΓΜΕΝΟ {TITLOS}</text></detail></report>");
        file.close();
        QFile::remove(m_pdf);
        click(&choice, "Button1");
        QVERIFY(printed().contains("Δίαιτα"));
        QVERIFY(!printed().contains("ΑΛΛΑΓΜΕΝΟ"));
        PrintChoiceWindow::Book other = PrintChoiceWindow::Diets; // a new project reads the new file
        other.objectName = "Other";
        other.connectionName = "OtherConnection";
        QFile::copy(QDir(AppDirectory).filePath("DIAITES.RAV"), QDir(AppDirectory).filePath("OTHER.RAV"));
    }

    void twoConnectionsOverOneTable()
    {
        Connection c = connect();
        c.execute("INSERT INTO INFORMATION(TITLE) VALUES('Παιδιατρείο Αθηνών')");
        QObject owner;
        DataSet first(c), second(c);
        first.setTableName("INFORMATION");
        second.setTableName("INFORMATION");
        data_connections::add("FirstConnection", first, &owner);
        data_connections::add("SecondConnection", second, &owner);
        const QString path = QDir(AppDirectory).filePath("TWO.RAV");
        for (const QString &name : {QString("FirstConnection"), QString("SecondConnection")}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(QString("<report title=\"x\"><summary height=\"6\"><text x=\"0\" y=\"0\" w=\"150\" h=\"6\">%1: "
                               "{%1.TITLE}</text></summary></report>")
                           .arg(name)
                           .toUtf8());
            file.close();
            ReportProject project;
            project.ProjectFile = path;
            project.execute();
            QVERIFY(printed().contains(name + ": Παιδιατρείο Αθηνών"));
        }
        QVERIFY(!first.isOpen()); // left as they were found
    }
};

VELMORA_TEST_MAIN(new PrintingTest)

#include "tst_printing.moc"

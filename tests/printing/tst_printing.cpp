#include "actions.h"
#include "child_printouts_window.h"
#include "data_connections.h"
#include "dataset.h"
#include "expense_reports_window.h"
#include "fixture.h"
#include "global.h"
#include "modal.h"
#include "reference_books.h"
#include "report_project.h"

#include <QDir>
#include <QFile>
#include <QTest>

class PrintingTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TestPractice> m_practice;
    QString m_pdf;

    Connection connect() { return m_practice->connect(); }
    void addChild(const QString &name, const QString &surname)
    {
        const int id = m_practice->addChild(name, surname, QDate(2015, 5, 6), "ΘΗΛΥ");
        connect().execute("UPDATE STOIXEIA_PAIDIOY SET HPATITIDA_B2=#3/5/2008#,ISTORIKO='Γραμμή ένα\nΓραμμή δύο' WHERE ID=?",
                          {id});
    }
    QString printed() { return pdfText(m_pdf); }

private slots:
    void init()
    {
        m_practice = std::make_unique<TestPractice>();
        m_pdf = m_practice->useForPrinting();
    }
    void cleanup() { m_practice.reset(); }

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

    void aMissingReportFileIsNamed()
    {
        QFile::remove(QDir(AppDirectory).filePath("NOTES.RAV"));
        MessageLog log;
        PrintChoiceWindow choice(PrintChoiceWindow::Notes);
        choice.show();
        click(&choice, "Button1");
        QCOMPARE(log.texts, QStringList({QString("The following reporting project does not exist:\n\"%1\"")
                                             .arg(QDir(AppDirectory).filePath("NOTES.RAV"))}));
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

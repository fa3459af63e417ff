#include "actions.h"
#include "expenses/expense_ledger_window.h"
#include "expenses/expense_reports_window.h"
#include "fixture.h"
#include "data/global.h"
#include "modal.h"
#include "practice_test.h"
#include "ui/record_list.h"
#include "printing/report_project.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

namespace {

const QStringList ThreeExpenses = {"#1/5/2007#,100,24,'Ενοίκιο'", "#3/9/2007#,50,12,'ΔΕΗ'", "#1/20/2007#,10,2.4,'Χαρτί'"};

} // namespace

class ExpensesTest : public PrintingPracticeTest {
    Q_OBJECT
    void addExpenses(const QStringList &rows)
    {
        Connection c = connect();
        for (const QString &row : rows)
            c.execute("INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(" + row + ")");
    }
    void search(ExpenseReportWindow &window, const QString &from, const QString &to)
    {
        type(&window, "Edit1", from);
        type(&window, "Edit2", to);
        click(&window, "Button1");
    }

private slots:
    void anExpenseTypedIntoTheLedgerComesFirstWhenNewest()
    {
        addExpenses({"#1/2/2010#,10,2.4,'Παλαιότερο'"});
        {
            MessageLog log;
            ExpenseLedgerWindow ledger;
            showActive(ledger);
            QCOMPARE(ledger.findChild<QLineEdit *>("DBEdit2")->accessibleName(), QString("Ποσό:"));
            press(&ledger, "Insert");
            type(&ledger, "DBEdit1", "28/03/2011");
            type(&ledger, "DBEdit2", "10,5");
            type(&ledger, "DBEdit3", "2,42");
            type(&ledger, "DBEdit4", "Ενοίκιο Μαρτίου");
            press(&ledger, "Post");
            QCOMPARE(log.texts, QStringList());
        }
        Connection c = connect();
        QCOMPARE(c.scalar("SELECT POSO FROM EKSODA WHERE HMEROMHNIA=#3/28/2011#").toDouble(), 10.5);
        QCOMPARE(c.scalar("SELECT VAT FROM EKSODA WHERE HMEROMHNIA=#3/28/2011#").toDouble(), 2.42);
        ExpenseLedgerWindow reopened;
        QCOMPARE(reopened.findChild<QLineEdit *>("DBEdit4")->text(), QString("Ενοίκιο Μαρτίου"));
        auto *list = reopened.findChild<RecordList *>();
        QCOMPARE(list->model()->headerData(2, Qt::Horizontal).toString(), QString("Ποσό (EUR)"));
        // Amounts with two decimals, in the list and in the fields.
        QCOMPARE(list->model()->data(list->model()->index(1, 2)).toString(), QString("10,00"));
        QCOMPARE(list->model()->data(list->model()->index(0, 2)).toString(), QString("10,50"));
        QCOMPARE(reopened.findChild<QLineEdit *>("DBEdit2")->text(), QString("10,50"));
    }

    void expensesBetweenTwoDates()
    {
        addExpenses(ThreeExpenses);
        MessageLog log;
        ExpenseReportWindow byDate(ExpenseReportWindow::Kind::ByDate);
        showActive(byDate);
        search(byDate, "1/1/2006", "31/12/2006");
        QVERIFY(byDate.findChild<QPushButton *>("Button2")->isEnabled()); // no expenses, still printable
        search(byDate, "5/1/2007", "20/1/2007");
        click(&byDate, "Button2");
        const QString text = printed();
        QCOMPARE(order(text, {"Ενοίκιο", "Χαρτί", "ΔΕΗ"}), QStringList({"Ενοίκιο", "Χαρτί"}));
        QVERIFY(text.contains("110,00")); // the total of both, both end days included
        search(byDate, "32/1/2007", "20/1/2007");
        QCOMPARE(log.texts, QStringList({"Λανθασμένα κριτήρια."}));
        QVERIFY(!byDate.findChild<QPushButton *>("Button2")->isEnabled());
        // Closed and shown again, the window starts from empty criteria.
        search(byDate, "5/1/2007", "20/1/2007");
        click(&byDate, "ExitButton");
        showActive(byDate);
        QCOMPARE(byDate.findChild<QLineEdit *>("Edit1")->text(), QString());
        QVERIFY(!byDate.findChild<QPushButton *>("Button2")->isEnabled());
    }

    void expensesByMonth()
    {
        addExpenses(ThreeExpenses);
        MessageLog log;
        ExpenseReportWindow byMonth(ExpenseReportWindow::Kind::ByMonth);
        showActive(byMonth);
        search(byMonth, "2007", "2007");
        type(&byMonth, "Edit1", "2008"); // not searched again
        click(&byMonth, "Button2");
        const QString text = printed();
        QVERIFY(text.contains("2007"));
        QVERIFY(!text.contains("2008"));
        const qsizetype january = text.indexOf(QRegularExpression("\\b1\\s+2007"));
        const qsizetype march = text.indexOf(QRegularExpression("\\b3\\s+2007"));
        QVERIFY(january >= 0 && march > january);
        QVERIFY(!text.contains(QRegularExpression("\\b2\\s+2007"))); // no expenses in February
        QVERIFY(text.contains("198,40"));
        search(byMonth, "αβ", "2007");
        QCOMPARE(log.texts, QStringList({"Λανθασμένα κριτήρια."}));
    }
};

VELMORA_TEST_MAIN(new ExpensesTest)

#include "tst_expenses.moc"

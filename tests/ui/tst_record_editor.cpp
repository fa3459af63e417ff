#include "bound_fields.h"
#include "calendar_utilities_window.h"
#include "expense_ledger_window.h"
#include "fixture.h"
#include "global.h"
#include "modal.h"
#include "navigator_bar.h"
#include "record_list.h"
#include "reminders_window.h"

#include <QSpinBox>
#include <QTest>
#include <ctime>
#include <QToolButton>

namespace {

QLineEdit *field(QWidget *window, const char *name)
{
    return window->findChild<QLineEdit *>(QString::fromLatin1(name));
}

QToolButton *navigatorButton(QWidget *window, const char *action)
{
    return window->findChild<NavigatorBar *>()->findChild<QToolButton *>(QString::fromLatin1(action));
}

// A click as a person makes it: errors travel to the application's error box.
void press(QWidget *window, const char *action)
{
    QTest::mouseClick(navigatorButton(window, action), Qt::LeftButton);
}

// Types over the field's text, or after it.
void type(QWidget *window, const char *name, const QString &text, bool append = false)
{
    QLineEdit *edit = field(window, name);
    edit->setFocus();
    if (append)
        edit->end(false);
    else
        edit->selectAll();
    typeText(edit, text);
}

void show(QWidget &window)
{
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

} // namespace

class RecordEditorTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TestPractice> m_practice;

    Connection connect() { return m_practice->connect(); }
    void addExpense(const QString &isoDate, const QString &description)
    {
        connect().execute("INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(?,10,2.4,?)", {isoDate, description});
    }
    int expenses() { return connect().scalar("SELECT COUNT(*) FROM EKSODA").toInt(); }

private slots:
    void init()
    {
        m_practice = std::make_unique<TestPractice>();
        DbConnectionString = m_practice->connectionString();
    }
    void cleanup() { m_practice.reset(); }

    void emptyTableOpensWithNothingToMoveTo()
    {
        ExpenseLedgerWindow ledger;
        show(ledger);
        for (const char *name : {"DBEdit1", "DBEdit2", "DBEdit3", "DBEdit4"})
            QCOMPARE(field(&ledger, name)->text(), QString());
        for (const char *action : {"First", "Prior", "Next", "Last", "Delete", "Post"})
            QVERIFY2(!navigatorButton(&ledger, action)->isEnabled(), action);
        QVERIFY(navigatorButton(&ledger, "Insert")->isEnabled());
        QCOMPARE(navigatorButton(&ledger, "Insert")->toolTip(), QString("Insert record"));
        QCOMPARE(field(&ledger, "DBEdit4")->maxLength(), 255);
        QCOMPARE(field(&ledger, "DBEdit2")->accessibleName(), QString("Ποσό:"));
    }

    void typingIntoAnEmptyTableAndPostStoresAFirstRow()
    {
        MessageLog log;
        ExpenseLedgerWindow ledger;
        show(ledger);
        type(&ledger, "DBEdit1", "28/03/2007");
        QCOMPARE(ledger.data().state(), DataSet::State::Insert);
        type(&ledger, "DBEdit2", "1x0,5"); // the letter is refused with a beep
        QCOMPARE(field(&ledger, "DBEdit2")->text(), QString("10,5"));
        type(&ledger, "DBEdit3", "2,42");
        type(&ledger, "DBEdit4", "Ενοίκιο Μαρτίου");
        press(&ledger, "Post");
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(ledger.data().state(), DataSet::State::Browse);
        Connection c = connect();
        QCOMPARE(c.scalar("SELECT HMEROMHNIA FROM EKSODA").toString(), QString("2007-03-28"));
        QCOMPARE(c.scalar("SELECT POSO FROM EKSODA").toDouble(), 10.5);
        QCOMPARE(c.scalar("SELECT PERIGRAFH FROM EKSODA").toString(), QString("Ενοίκιο Μαρτίου"));
        QCOMPARE(field(&ledger, "DBEdit1")->text(), QString("28/3/2007"));
    }

    void requiredFieldRefusedThenCorrected()
    {
        MessageLog log;
        ExpenseLedgerWindow ledger;
        show(ledger);
        press(&ledger, "Insert");
        type(&ledger, "DBEdit1", "1/2/2008");
        type(&ledger, "DBEdit2", "40");
        type(&ledger, "DBEdit4", "Ηλεκτρικό");
        press(&ledger, "Post");
        QCOMPARE(log.texts.size(), 1);
        QVERIFY2(log.texts.first().contains("EKSODA.VAT"), qPrintable(log.texts.first()));
        QCOMPARE(ledger.data().state(), DataSet::State::Insert);
        QCOMPARE(field(&ledger, "DBEdit4")->text(), QString("Ηλεκτρικό"));
        QCOMPARE(expenses(), 0);
        type(&ledger, "DBEdit3", "9,2");
        press(&ledger, "Post");
        QCOMPARE(log.texts.size(), 1);
        QCOMPARE(expenses(), 1);
    }

    void unreadableValuesGiveTheirMessages_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("date") << QByteArray("DBEdit1") << "31/02/2007" << "'31/02/2007' is not a valid date and time.";
        QTest::newRow("amount") << QByteArray("DBEdit2") << "1,2,3"
                                << "'1,2,3' is not a valid floating point value for field 'POSO'"; // "'" sorts before "."
    }
    void unreadableValuesGiveTheirMessages()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        addExpense("2010-01-01", "Α");
        MessageLog log;
        ExpenseLedgerWindow ledger;
        show(ledger);
        type(&ledger, name, typed);
        press(&ledger, "Post");
        QCOMPARE(log.texts, QStringList({message}));
        QCOMPARE(ledger.focusWidget(), field(&ledger, name));
        QCOMPARE(field(&ledger, name)->selectedText(), typed);
        QCOMPARE(ledger.data().state(), DataSet::State::Edit);
        QCOMPARE(connect().scalar("SELECT POSO FROM EKSODA").toDouble(), 10.0);
    }

    void movingAfterAnEditStoresIt()
    {
        addExpense("2010-01-02", "Νεότερο");
        addExpense("2010-01-01", "Παλαιότερο");
        MessageLog log;
        ExpenseLedgerWindow ledger;
        show(ledger);
        QCOMPARE(field(&ledger, "DBEdit4")->text(), QString("Νεότερο"));
        type(&ledger, "DBEdit4", " και άλλο", true);
        press(&ledger, "Next");
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(field(&ledger, "DBEdit4")->text(), QString("Παλαιότερο"));
        QCOMPARE(connect().scalar("SELECT PERIGRAFH FROM EKSODA WHERE HMEROMHNIA=#1/2/2010#").toString(),
                 QString("Νεότερο και άλλο"));
    }

    void closingAfterTypingStoresNothing()
    {
        addExpense("2010-01-02", "Α");
        {
            ExpenseLedgerWindow ledger;
            show(ledger);
            type(&ledger, "DBEdit4", "Β");
            ledger.close();
        }
        QCOMPARE(connect().scalar("SELECT PERIGRAFH FROM EKSODA").toString(), QString("Α"));
    }

    void deleteAsksFirst()
    {
        addExpense("2010-01-02", "Α");
        addExpense("2010-01-01", "Β");
        MessageLog log;
        ExpenseLedgerWindow ledger;
        show(ledger);
        log.answer = false;
        press(&ledger, "Delete");
        QCOMPARE(log.texts, QStringList({"Delete record?"}));
        QCOMPARE(expenses(), 2);
        log.answer = true;
        press(&ledger, "Delete");
        QCOMPARE(expenses(), 1);
        QCOMPARE(field(&ledger, "DBEdit4")->text(), QString("Β")); // the row after it is current
    }

    void insertThenDeleteDropsOnlyTheNewRow()
    {
        addExpense("2010-01-02", "Α");
        MessageLog log;
        ExpenseLedgerWindow ledger;
        show(ledger);
        press(&ledger, "Insert");
        type(&ledger, "DBEdit4", "νέο");
        press(&ledger, "Delete");
        QCOMPARE(ledger.data().recordCount(), 1);
        QCOMPARE(expenses(), 1);
        QCOMPARE(field(&ledger, "DBEdit4")->text(), QString("Α"));
    }

    void listDeletesWithCtrlDelete()
    {
        addExpense("2010-01-02", "Α");
        addExpense("2010-01-01", "Β");
        MessageLog log;
        ExpenseLedgerWindow ledger;
        show(ledger);
        auto *list = ledger.findChild<RecordList *>();
        QCOMPARE(list->model()->headerData(2, Qt::Horizontal).toString(), QString("Ποσό (EUR)"));
        QCOMPARE(list->model()->data(list->model()->index(0, 2)).toString(), QString("10"));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(ledger.data().currentRow(), 1);
        QTest::keyClick(list, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(log.texts, QStringList({"Delete record?"}));
        QCOMPARE(expenses(), 1);
        QCOMPARE(connect().scalar("SELECT PERIGRAFH FROM EKSODA").toString(), QString("Α"));
    }

    void aNewExpenseDatedLaterComesFirstOnReopening()
    {
        addExpense("2010-01-02", "Α");
        {
            MessageLog log;
            ExpenseLedgerWindow ledger;
            show(ledger);
            press(&ledger, "Insert");
            type(&ledger, "DBEdit1", "5/5/2011");
            type(&ledger, "DBEdit2", "1");
            type(&ledger, "DBEdit3", "0");
            type(&ledger, "DBEdit4", "Νεότερο");
            press(&ledger, "Post");
            QCOMPARE(log.texts, QStringList());
        }
        ExpenseLedgerWindow reopened;
        QCOMPARE(reopened.data().value("PERIGRAFH").toString(), QString("Νεότερο"));
    }

    void reminderTextEscapePutsBackTheStoredText()
    {
        connect().execute("INSERT INTO YPENTHIMISEIS(HMEROMHNIA,PERIGRAFH) VALUES(#5/5/2010#,'Παλιό')");
        connect().execute("INSERT INTO YPENTHIMISEIS(HMEROMHNIA,PERIGRAFH) VALUES(#6/6/2011#,'Νέο')");
        RemindersWindow reminders;
        show(reminders);
        auto *memo = reminders.findChild<BoundMemo *>("DBMemo1");
        QCOMPARE(memo->toPlainText(), QString("Νέο")); // latest first
        memo->setFocus();
        memo->moveCursor(QTextCursor::End);
        typeText(memo, " κείμενο");
        QCOMPARE(memo->toPlainText(), QString("Νέο κείμενο"));
        QTest::keyClick(memo, Qt::Key_Escape);
        QCOMPARE(memo->toPlainText(), QString("Νέο"));
        QVERIFY(reminders.isVisible()); // Esc in the text does not close the window
    }

    void easter_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("text");
        QTest::newRow("2008") << 2008 << "είναι 27 Απριλίου";
        QTest::newRow("2010") << 2010 << "είναι 4 Απριλίου";
        QTest::newRow("2024") << 2024 << "είναι 5 Μαϊου";
        QTest::newRow("2026") << 2026 << "είναι 12 Απριλίου";
        QTest::newRow("n = 30") << 2000 << "είναι 30 Απριλίου";
        QTest::newRow("n = 31") << 2005 << "είναι 1 Μαϊου";
        QTest::newRow("lowest") << 1583 << "είναι 13 Απριλίου";
        QTest::newRow("highest") << 2100 << "είναι 1 Μαϊου";
        QTest::newRow("below") << 1582 << "";
        QTest::newRow("above") << 2101 << "";
    }
    void easter()
    {
        QFETCH(int, year);
        QFETCH(QString, text);
        QCOMPARE(find_pasxa(year), text);
    }

    void daysBetweenTwoDates()
    {
        const QTime t(10, 30);
        QCOMPARE(daysBetween(QDateTime(QDate(2010, 1, 1), t), QDateTime(QDate(2010, 12, 31), t)),
                 QString("Αριθμός ημερών=364"));
        QCOMPARE(daysBetween(QDateTime(QDate(2010, 12, 31), t), QDateTime(QDate(2010, 1, 1), t)), QString());
        QCOMPARE(daysBetween(QDateTime(QDate(2010, 1, 1), t), QDateTime(QDate(2010, 1, 1), t)), QString());
        // Whole calendar days across a change of the clock (the last Sunday of March).
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "Europe/Athens");
        tzset();
        const QString march = daysBetween(QDateTime(QDate(2026, 3, 1), t), QDateTime(QDate(2026, 4, 1), t));
        const QString october = daysBetween(QDateTime(QDate(2026, 10, 1), t), QDateTime(QDate(2026, 11, 1), t));
        zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
        tzset();
        QCOMPARE(march, QString("Αριθμός ημερών=31"));
        QCOMPARE(october, QString("Αριθμός ημερών=31"));
    }

    void calendarWindowYearField()
    {
        CalendarUtilitiesWindow window;
        show(window);
        auto *year = window.findChild<QSpinBox *>("SpinEdit1");
        auto *easter = window.findChild<QLabel *>("Label2");
        QCOMPARE(year->value(), QDate::currentDate().year());
        QCOMPARE(easter->text(), find_pasxa(QDate::currentDate().year()));
        QCOMPARE(window.findChild<QLabel *>("Label6")->text(), QString()); // same moment at opening
        year->setFocus();
        year->selectAll();
        QTest::keyClicks(year, "1500");
        QCOMPARE(easter->text(), QString());
        window.findChild<QLineEdit *>("Edit1")->setFocus(); // leaving the field
        QCOMPARE(year->value(), 1583);
        QCOMPARE(easter->text(), find_pasxa(1583));
    }
};

VELMORA_TEST_MAIN(new RecordEditorTest)

#include "tst_record_editor.moc"

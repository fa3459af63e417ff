#include "actions.h"
#include "ui/bound_fields.h"
#include "office/calendar_utilities_window.h"
#include "fixture.h"
#include "data/global.h"
#include "modal.h"
#include "practice_test.h"
#include "office/reference_books.h"
#include "office/reminders_window.h"
#include "printing/report_project.h"

#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <ctime>

class OfficeTest : public PrintingPracticeTest {
    Q_OBJECT

private slots:
    void dietsPrintAllByTitleOrTheSelected()
    {
        Connection c = connect();
        c.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Ωριμα φρούτα','Πρωί: γάλα')");
        c.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Άπαχη δίαιτα','Μεσημέρι: ρύζι')");
        PrintChoiceWindow choice(PrintChoiceWindow::Diets);
        choice.show();
        click(&choice, "Button1");
        QCOMPARE(order(printed(), {"Ωριμα φρούτα", "Άπαχη δίαιτα"}), QStringList({"Άπαχη δίαιτα", "Ωριμα φρούτα"}));
        choice.SelectedID = "1";
        click(&choice, "Button2");
        QCOMPARE(order(printed(), {"Ωριμα φρούτα", "Άπαχη δίαιτα"}), QStringList({"Ωριμα φρούτα"}));
    }

    void aNewDietIsStoredBeforePrinting()
    {
        MessageLog log;
        PrintChoiceWindow choice(PrintChoiceWindow::Diets);
        NoteBookWindow book(NoteBookWindow::Diets, choice);
        showActive(book);
        QVERIFY(!book.findChild<QPushButton *>("Button2")->isEnabled()); // empty book
        press(&book, "Insert");
        type(&book, "DBEdit1", "Νέα");
        auto *text = book.findChild<BoundMemo *>("DBMemo1");
        text->setFocus();
        typeText(text, "κείμενο");
        whenShown("TForm5", [&](QWidget *w) {
            QCOMPARE(static_cast<PrintChoiceWindow *>(w)->SelectedID, QString("1"));
            w->close();
        });
        click(&book, "Button2");
        QCOMPARE(connect().scalar("SELECT PERIGRAFH FROM DIAITES").toString(), QString("κείμενο"));
        QCOMPARE(log.texts, QStringList());
    }

    void reminderTextEscapePutsBackTheStoredText()
    {
        connect().execute("INSERT INTO YPENTHIMISEIS(HMEROMHNIA,PERIGRAFH) VALUES(#5/5/2010#,'Παλιό')");
        connect().execute("INSERT INTO YPENTHIMISEIS(HMEROMHNIA,PERIGRAFH) VALUES(#6/6/2011#,'Νέο')");
        RemindersWindow reminders;
        showActive(reminders);
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
        // Whole calendar days across a change of the clock (the last Sunday of March, of October).
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
        showActive(window);
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

VELMORA_TEST_MAIN(new OfficeTest)

#include "tst_office.moc"

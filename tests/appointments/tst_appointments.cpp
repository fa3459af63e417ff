#include "actions.h"
#include "ui/bound_fields.h"
#include "appointments/day_sheet_window.h"
#include "fixture.h"
#include "practice_test.h"
#include "data/global.h"
#include "modal.h"
#include "appointments/month_calendar_window.h"
#include "ui/navigator_bar.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

QLabel *dayLabel(QWidget &w, int cell) { return w.findChild<QLabel *>(QString("LabelD%1").arg(cell)); }
QLabel *countLabel(QWidget &w, int cell) { return w.findChild<QLabel *>(QString("LabelR%1").arg(cell)); }

void showMonth(MonthCalendarWindow &calendar, int month, int year)
{
    auto *months = calendar.findChild<QComboBox *>("ComboBox1");
    auto *years = calendar.findChild<QComboBox *>("ComboBox2");
    years->setCurrentIndex(year - FirstBookYear);
    emit years->activated(years->currentIndex());
    months->setCurrentIndex(month - 1);
    emit months->activated(months->currentIndex());
}

// The cells (1-37) that show a day number.
QList<int> usedCells(MonthCalendarWindow &calendar)
{
    QList<int> cells;
    for (int k = 1; k <= 37; ++k)
        if (!dayLabel(calendar, k)->isHidden())
            cells << k;
    return cells;
}

QList<int> range(int from, int to)
{
    QList<int> values;
    for (int i = from; i <= to; ++i)
        values << i;
    return values;
}

// Opens `day` of the shown month by clicking its number, and acts on the sheet.
void openDay(MonthCalendarWindow &calendar, int cell, std::function<void(QWidget *)> onSheet)
{
    whenShown("TForm2a", std::move(onSheet));
    QTest::mouseClick(dayLabel(calendar, cell), Qt::LeftButton);
}

void typeIntoSlot(QWidget *sheet, int slot, const QString &text)
{
    type(sheet, QString("DBEdit%1").arg(slot), text);
}

} // namespace

class AppointmentsTest : public PracticeTest {
    Q_OBJECT
    int rows() { return connect().scalar("SELECT COUNT(*) FROM RANTEBOU").toInt(); }

private slots:

    // Every month of the book fills the cells that the book's own rules give: the weekday of the
    // first by its formula (January and February count as months 13 and 14 of the year before)
    // and the month's length by its table and the leap-year rule.
    void everyMonthFillsTheCellsOfItsRules()
    {
        MonthCalendarWindow calendar;
        for (int year = FirstBookYear; year <= LastBookYear; ++year)
            for (int month = 1; month <= 12; ++month) {
                const int m = month <= 2 ? month + 12 : month, y = month <= 2 ? year - 1 : year;
                const int first = ((1 + 2 * m + (3 * (m + 1)) / 5 + y + y / 4 - y / 100 + y / 400) % 7) + 1;
                static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
                const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
                const int days = month == 2 && leap ? 29 : lengths[month - 1];
                showMonth(calendar, month, year);
                QCOMPARE(usedCells(calendar), range(first, first + days - 1));
            }
    }

    void monthsFillTheirCells_data()
    {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("year");
        QTest::addColumn<QList<int>>("cells");
        QTest::newRow("August 2010") << 8 << 2010 << range(7, 37);
        QTest::newRow("February 2009") << 2 << 2009 << range(7, 34);
        QTest::newRow("February 2012") << 2 << 2012 << range(3, 31);
    }
    void monthsFillTheirCells()
    {
        QFETCH(int, month);
        QFETCH(int, year);
        QFETCH(QList<int>, cells);
        MonthCalendarWindow calendar;
        showMonth(calendar, month, year);
        QCOMPARE(usedCells(calendar), cells);
        QCOMPARE(dayLabel(calendar, cells.first())->text(), QString("1"));
        QCOMPARE(dayLabel(calendar, cells.last())->text(), QString::number(cells.size()));
        QCOMPARE(countLabel(calendar, cells.first())->isHidden(), false);
        QCOMPARE(dayLabel(calendar, 6)->palette().color(QPalette::WindowText), QColor(128, 128, 128));
    }

    void todayIsGreenOnlyInItsMonth()
    {
        const QDate today = QDate::currentDate();
        if (today.year() < FirstBookYear || today.year() > LastBookYear)
            QSKIP("today lies outside the book's years");
        MonthCalendarWindow calendar;
        const int cell = today.day() + QDate(today.year(), today.month(), 1).dayOfWeek() - 1;
        const QColor green(0, 128, 0);
        QCOMPARE(dayLabel(calendar, cell)->palette().color(QPalette::WindowText), green);
        showMonth(calendar, today.month() == 1 ? 2 : 1, today.year());
        for (int k = 1; k <= 37; ++k)
            QVERIFY(dayLabel(calendar, k)->palette().color(QPalette::WindowText) != green);
        QTest::mouseClick(calendar.findChild<QPushButton *>("Button2"), Qt::LeftButton);
        QCOMPARE(dayLabel(calendar, cell)->palette().color(QPalette::WindowText), green);
    }

    void countsShowBookedSlotsOnly()
    {
        Connection c = connect();
        c.execute("INSERT INTO RANTEBOU(HMEROMHNIA,[0800-0830],[0900-0930],[2130-2200],[1000-1030]) "
                  "VALUES(#8/2/2010#,'Μαρία','Νίκος 6944','Γιάννης','   ')");
        c.execute("INSERT INTO RANTEBOU(HMEROMHNIA,[0800-0830]) VALUES(#8/3/2010#,'\t \n')");
        c.execute("INSERT INTO RANTEBOU(HMEROMHNIA) VALUES(#8/4/2010#)");
        MonthCalendarWindow calendar;
        showMonth(calendar, 8, 2010);
        QCOMPARE(countLabel(calendar, 8)->text(), QString("3")); // 2 August 2010 is in cell 8
        QCOMPARE(countLabel(calendar, 9)->text(), QString());
        QCOMPARE(countLabel(calendar, 10)->text(), QString());
    }

    void openingADayTwiceMakesOneRow()
    {
        MessageLog log;
        MonthCalendarWindow calendar;
        showMonth(calendar, 8, 2010);
        for (int i = 0; i < 2; ++i) {
            QString header;
            openDay(calendar, 8, [&](QWidget *sheet) {
                header = sheet->findChild<QLabel *>("Label1")->text();
                for (int slot = 1; slot <= 28; ++slot)
                    QCOMPARE(sheet->findChild<QLineEdit *>(QString("DBEdit%1").arg(slot))->text(), QString());
                sheet->close();
            });
            QCOMPARE(header, QString("2/8/2010"));
        }
        QCOMPARE(rows(), 1);
        QCOMPARE(log.texts, QStringList());
    }

    void bookingAndFreeingSlots()
    {
        MessageLog log;
        MonthCalendarWindow calendar;
        showMonth(calendar, 8, 2010);
        openDay(calendar, 8, [](QWidget *sheet) {
            QVERIFY(!sheet->findChild<QToolButton *>("Post")->isEnabled());
            typeIntoSlot(sheet, 5, "Μαρία Παπαδάκη");
            typeIntoSlot(sheet, 20, "  Νίκος ");
            QVERIFY(sheet->findChild<QToolButton *>("Post")->isEnabled());
            QVERIFY(sheet->findChild<QToolButton *>("Post")->toolTip().isEmpty());
            press(sheet, "Post");
            sheet->close();
        });
        QCOMPARE(countLabel(calendar, 8)->text(), QString("2"));
        QCOMPARE(connect().scalar("SELECT [1730-1800] FROM RANTEBOU").toString(), QString("  Νίκος ")); // as typed

        openDay(calendar, 8, [](QWidget *sheet) {
            typeIntoSlot(sheet, 1, "δεν αποθηκεύεται");
            sheet->close();
        });
        QCOMPARE(countLabel(calendar, 8)->text(), QString("2"));

        openDay(calendar, 8, [](QWidget *sheet) {
            for (int slot : {5, 20}) {
                auto *field = sheet->findChild<QLineEdit *>(QString("DBEdit%1").arg(slot));
                field->setFocus();
                field->selectAll();
                QTest::keyClick(field, Qt::Key_Delete);
            }
            press(sheet, "Post");
            sheet->close();
        });
        QCOMPARE(countLabel(calendar, 8)->text(), QString());
        QCOMPARE(log.texts, QStringList());
    }

    void slotsTakeNoMoreThanTheColumnHolds()
    {
        connect().execute("INSERT INTO RANTEBOU(HMEROMHNIA) VALUES(#8/2/2010#)");
        DaySheetWindow sheet;
        sheet.openDay("2/8/2010", QDate(2010, 8, 2));
        QCOMPARE(sheet.findChild<QLineEdit *>("DBEdit1")->maxLength(), 255);
        QCOMPARE(slotCaption("0830-0900"), QString("08:30 - 09:00"));
    }

    void aMissingDayRowStoresNothing()
    {
        DaySheetWindow sheet;
        sheet.openDay("2/8/2010", QDate(2010, 8, 2));
        auto *field = sheet.findChild<QLineEdit *>("DBEdit1");
        QVERIFY(field->isReadOnly());
        QCOMPARE(rows(), 0);
    }
};

VELMORA_TEST_MAIN(new AppointmentsTest)

#include "tst_appointments.moc"

#include "actions.h"
#include "appointments/day_sheet_window.h"
#include "appointments/month_calendar_window.h"
#include "children/child_register_window.h"
#include "data/change_listener.h"
#include "data/db_error.h"
#include "data/global.h"
#include "engine_practices.h"
#include "modal.h"
#include "ui/messages.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

// Two seats of one practice on a server: what one stores shows within a second in the windows
// the other has open, and what a person is typing is never read over.
namespace {

// Within a second of the other seat's store.
constexpr int Second = 1000;

QLineEdit *slotField(QWidget &sheet, int slot)
{
    return sheet.findChild<QLineEdit *>(QStringLiteral("DBEdit%1").arg(slot));
}

QLabel *todaysCount(QWidget &calendar)
{
    const QDate today = QDate::currentDate();
    const int cell = today.day() + QDate(today.year(), today.month(), 1).dayOfWeek() - 1;
    return calendar.findChild<QLabel *>(QStringLiteral("LabelR%1").arg(cell));
}

QString todaysText()
{
    const QDate today = QDate::currentDate();
    return QStringLiteral("%1/%2/%3").arg(today.day()).arg(today.month()).arg(today.year());
}

} // namespace

class SeatsTest : public QObject {
    Q_OBJECT
    EnginePractices m_practices;
    std::unique_ptr<Connection> m_otherSeat;

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_practices.start(&error), qPrintable(error));
        SKIP_UNAVAILABLE_ENGINE(m_practices, jet::Engine::Postgres);
    }

    // Each test on a practice of its own, this seat and the other one on it.
    void init()
    {
        DbConnectionString = m_practices.newPractice(jet::Engine::Postgres);
        m_otherSeat = std::make_unique<Connection>(DbConnectionString);
    }
    void cleanup() { m_otherSeat.reset(); }

    // The month's counts and the day's slots follow what the other seat books, changes and
    // clears.
    void anotherSeatsAppointmentsShow_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("slotText");
        QTest::addColumn<QString>("count");
        QTest::newRow("booked") << ""
                                << "UPDATE RANTEBOU SET [0900-0930]='Παπαδάκης', [1000-1030]='Γεωργίου'"
                                << "Παπαδάκης"
                                << "2";
        QTest::newRow("changed") << "Παπαδάκης"
                                 << "UPDATE RANTEBOU SET [0900-0930]='Γεωργίου'"
                                 << "Γεωργίου"
                                 << "1";
        QTest::newRow("cleared") << "Παπαδάκης"
                                 << "UPDATE RANTEBOU SET [0900-0930]=NULL"
                                 << ""
                                 << "";
        QTest::newRow("day taken out") << "Παπαδάκης"
                                       << "DELETE FROM RANTEBOU"
                                       << ""
                                       << "";
    }
    void anotherSeatsAppointmentsShow()
    {
        QFETCH(QString, before);
        QFETCH(QString, change);
        QFETCH(QString, slotText);
        QFETCH(QString, count);
        m_otherSeat->execute("INSERT INTO RANTEBOU(HMEROMHNIA,[0900-0930]) VALUES(?,?)",
                             {QDate::currentDate(), before.isEmpty() ? QVariant() : QVariant(before)});
        MonthCalendarWindow calendar;
        calendar.show();
        DaySheetWindow sheet;
        sheet.openDay(todaysText(), QDate::currentDate());
        showActive(sheet);
        QCOMPARE(slotField(sheet, 3)->text(), before);

        m_otherSeat->execute(change);
        QTRY_COMPARE_WITH_TIMEOUT(slotField(sheet, 3)->text(), slotText, Second);
        QTRY_COMPARE_WITH_TIMEOUT(todaysCount(calendar)->text(), count, Second);
        QCOMPARE(slotField(sheet, 3)->isReadOnly(), sheet.data().isEmpty());
        QCOMPARE(sheet.data().isEmpty(), change.startsWith("DELETE"));
    }

    // Both seats type into the same slot: the first store holds; the second seat's typing is
    // never read over while it lasts, and its store is refused as stale, not written over the
    // first.
    void theSecondStoreOfOneSlotIsRefused()
    {
        m_otherSeat->execute("INSERT INTO RANTEBOU(HMEROMHNIA) VALUES(?)", {QDate::currentDate()});
        DaySheetWindow reception, doctor;
        reception.openDay(todaysText(), QDate::currentDate());
        doctor.openDay(todaysText(), QDate::currentDate());
        showActive(doctor);
        type(&doctor, "DBEdit3", "Γεωργίου");
        QCOMPARE(doctor.data().state(), DataSet::State::Edit);
        showActive(reception);
        type(&reception, "DBEdit3", "Παπαδάκης");
        QSignalSpy heard(&ChangeListener::instance(), &ChangeListener::changed);
        press(&reception, "Post");
        QCOMPARE(m_otherSeat->scalar("SELECT [0900-0930] FROM RANTEBOU").toString(), QString("Παπαδάκης"));

        // Heard, and long past the moment a free window would have read its rows again.
        QTRY_VERIFY_WITH_TIMEOUT(heard.contains({QString("RANTEBOU")}), Second);
        QTest::qWait(Second / 2);
        QCOMPARE(slotField(doctor, 3)->text(), QString("Γεωργίου"));
        QCOMPARE(doctor.data().state(), DataSet::State::Edit);

        MessageLog log;
        showActive(doctor);
        press(&doctor, "Post");
        QCOMPARE(log.texts.size(), 1);
        QVERIFY2(log.texts.first().startsWith(messages::inWords(DbError(DbError::Kind::ChangedElsewhere, {}))),
                 qPrintable(log.texts.first()));
        QCOMPARE(m_otherSeat->scalar("SELECT [0900-0930] FROM RANTEBOU").toString(), QString("Παπαδάκης"));
        QCOMPARE(slotField(doctor, 3)->text(), QString("Παπαδάκης")); // read again as it is now
    }

    // A child registered on the other seat shows in the open register; the selected child stays
    // selected and in view, the list where it stood.
    void aNewChildShowsInTheOpenRegister()
    {
        for (int i = 1; i <= 40; ++i)
            addChild(*m_otherSeat, "Νίκος", QStringLiteral("Σ%1").arg(i, 2, 10, QChar('0')));
        ChildRegisterWindow reg;
        ChildSearchWindow search(reg);
        whenShown("TForm18", [&](QWidget *) {
            auto *list = reg.findChild<QTableView *>("DBGrid1");
            list->scrollTo(list->model()->index(20, 0), QAbstractItemView::PositionAtTop);
            reg.data().moveTo(25);
            const QVariant selected = reg.data().value("ID");
            const int top = list->verticalScrollBar()->value();
            QCOMPARE(top, 20);

            addChild(*m_otherSeat, "Νίκος", "Α");
            QTRY_COMPARE_WITH_TIMEOUT(reg.findChild<QLabel *>("CountLine")->text(), QString("Βρέθηκαν 41 παιδιά"), Second);
            QCOMPARE(reg.data().value(0, reg.data().fieldIndex("EPWNYMO")).toString(), QString("Α"));
            QCOMPARE(reg.data().value("ID"), selected);
            QCOMPARE(list->currentIndex().row(), 26);
            QCOMPARE(list->verticalScrollBar()->value(), top);
            QVERIFY(list->viewport()->rect().contains(list->visualRect(list->currentIndex())));
            reg.close();
        });
        click(&search, "Button3");
    }
};

VELMORA_TEST_MAIN(new SeatsTest)

#include "tst_seats.moc"

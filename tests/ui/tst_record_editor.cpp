#include "actions.h"
#include "ui/bound_fields.h"
#include "ui/dataset_model.h"
#include "practice_test.h"
#include "data/global.h"
#include "modal.h"
#include "ui/navigator_bar.h"
#include "ui/record_list.h"
#include "ui/record_window.h"

#include <QAbstractItemModelTester>
#include <QGridLayout>
#include <QSignalSpy>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>

namespace {

// The smallest record editor the kit makes: one field per column of the expense table (every
// one required), a list and the full record bar.
class KitWindow : public RecordWindow {
public:
    KitWindow() : RecordWindow(QStringLiteral("KitWindow"), QStringLiteral("Kit"))
    {
        openTable(QStringLiteral("EKSODA"), QStringLiteral("HMEROMHNIA DESC"));
        auto *grid = new QGridLayout(this);
        const std::pair<const char *, const char *> fields[] = {
            {"HMEROMHNIA", "Ημέρα:"}, {"POSO", "Ποσό:"}, {"VAT", "Φόρος:"}, {"PERIGRAFH", "Κείμενο:"}};
        int row = 0;
        for (const auto &[column, caption] : fields) {
            auto *field = new BoundLineEdit(m_data, QString::fromLatin1(column), this);
            field->setObjectName(QString::fromLatin1(column));
            look::addField(grid, row++, QString::fromUtf8(caption), field, QStringLiteral("*"));
        }
        grid->addWidget(new RecordList(m_data, {{"PERIGRAFH", "Κείμενο"}, {"POSO", "Ποσό", 80, Qt::AlignRight}}, this),
                        row++, 0, 1, 2);
        grid->addWidget(new NavigatorBar(m_data, NavigatorBar::FullEditor, this), row, 0, 1, 2);
    }
};

// A window with a second set that re-reads whenever the first resets, as versions and their
// doses do: closing the first opens the second again while the connection is still open.
class MasterDetailWindow : public KitWindow {
public:
    MasterDetailWindow()
    {
        QObject::connect(&m_data, &DataSet::reset, this, [this] {
            if (m_connection.isOpen()) {
                m_details.setSql(QStringLiteral("SELECT * FROM EKSODA WHERE PERIGRAFH=?"), {QStringLiteral("Α")});
                m_details.open();
            }
        });
        m_data.refresh();
    }
    DataSet &details() { return m_details; }
    bool connected() const { return m_connection.isOpen(); }

private:
    DataSet m_details{m_connection, this};
};

QLineEdit *field(QWidget *window, const char *name)
{
    return window->findChild<QLineEdit *>(QString::fromLatin1(name));
}

QToolButton *navigatorButton(QWidget *window, const char *action)
{
    return window->findChild<NavigatorBar *>()->findChild<QToolButton *>(QString::fromLatin1(action));
}

} // namespace

// The record editor kit, over a window of the test's own.
class RecordEditorTest : public PracticeTest {
    Q_OBJECT
    void setUpPractice() override
    {
        // Errors stop where Qt handed control to the kit, never at the application's last net.
        QTest::failOnWarning(QRegularExpression("left an event handler"));
    }
    void addExpense(const QString &isoDate, const QString &description)
    {
        connect().execute("INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(?,10,2.4,?)", {isoDate, description});
    }
    int expenses() { return connect().scalar("SELECT COUNT(*) FROM EKSODA").toInt(); }

private slots:
    void emptyTableOpensWithNothingToMoveTo()
    {
        KitWindow window;
        showActive(window);
        for (const char *name : {"HMEROMHNIA", "POSO", "VAT", "PERIGRAFH"})
            QCOMPARE(field(&window, name)->text(), QString());
        for (const char *action : {"First", "Prior", "Next", "Last", "Delete", "Post"})
            QVERIFY2(!navigatorButton(&window, action)->isEnabled(), action);
        QVERIFY(navigatorButton(&window, "Insert")->isEnabled());
        QCOMPARE(navigatorButton(&window, "Insert")->toolTip(), QString("Insert record (Ctrl+N)"));
        QCOMPARE(field(&window, "PERIGRAFH")->maxLength(), 255);
        QCOMPARE(field(&window, "POSO")->accessibleName(), QString("Ποσό:"));
    }

    void typingIntoAnEmptyTableAndPostStoresAFirstRow()
    {
        MessageLog log;
        KitWindow window;
        showActive(window);
        type(&window, "HMEROMHNIA", "28/03/2007");
        QCOMPARE(window.data().state(), DataSet::State::Insert);
        type(&window, "POSO", "1x0,5"); // the letter is refused with a beep
        QCOMPARE(field(&window, "POSO")->text(), QString("10,5"));
        type(&window, "VAT", "2,42");
        type(&window, "PERIGRAFH", "Ενοίκιο Μαρτίου");
        press(&window, "Post");
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(window.data().state(), DataSet::State::Browse);
        Connection c = connect();
        QCOMPARE(c.scalar("SELECT HMEROMHNIA FROM EKSODA").toString(), QString("2007-03-28"));
        QCOMPARE(c.scalar("SELECT POSO FROM EKSODA").toDouble(), 10.5);
        QCOMPARE(c.scalar("SELECT PERIGRAFH FROM EKSODA").toString(), QString("Ενοίκιο Μαρτίου"));
        QCOMPARE(field(&window, "HMEROMHNIA")->text(), QString("28/3/2007"));
    }

    void requiredFieldRefusedThenCorrected()
    {
        MessageLog log;
        KitWindow window;
        showActive(window);
        press(&window, "Insert");
        type(&window, "HMEROMHNIA", "1/2/2008");
        type(&window, "POSO", "40");
        type(&window, "PERIGRAFH", "Ηλεκτρικό");
        press(&window, "Post");
        QCOMPARE(log.texts, QStringList({"Το πεδίο «Φόρος» είναι υποχρεωτικό."}));
        QTRY_COMPARE(window.focusWidget(), field(&window, "VAT"));
        QCOMPARE(window.data().state(), DataSet::State::Insert);
        QCOMPARE(field(&window, "PERIGRAFH")->text(), QString("Ηλεκτρικό"));
        QCOMPARE(expenses(), 0);
        type(&window, "VAT", "9,2");
        press(&window, "Post");
        QCOMPARE(log.texts.size(), 1);
        QCOMPARE(expenses(), 1);
    }

    void unreadableValuesGiveTheirMessages_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("date") << QByteArray("HMEROMHNIA") << "31/02/2007"
                              << "Το πεδίο «Ημέρα» δεν έχει έγκυρη ημερομηνία: «31/02/2007».";
        QTest::newRow("before 1900") << QByteArray("HMEROMHNIA") << "31/12/1899"
                                     << "Το πεδίο «Ημέρα» δέχεται ημερομηνία από 1/1/1900 και μετά, όχι «31/12/1899».";
        QTest::newRow("amount") << QByteArray("POSO") << "1,2,3"
                                << "'1,2,3' is not a valid floating point value for field 'POSO'"; // "'" sorts before "."
    }
    void unreadableValuesGiveTheirMessages()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        addExpense("2010-01-01", "Α");
        MessageLog log;
        KitWindow window;
        showActive(window);
        type(&window, name, typed);
        press(&window, "Post");
        QCOMPARE(log.texts, QStringList({message}));
        QCOMPARE(window.focusWidget(), field(&window, name));
        QCOMPARE(field(&window, name)->selectedText(), typed);
        QCOMPARE(window.data().state(), DataSet::State::Edit);
        QCOMPARE(connect().scalar("SELECT POSO FROM EKSODA").toDouble(), 10.0);
    }

    void movingAfterAnEditStoresIt()
    {
        addExpense("2010-01-02", "Νεότερο");
        addExpense("2010-01-01", "Παλαιότερο");
        MessageLog log;
        KitWindow window;
        showActive(window);
        QCOMPARE(field(&window, "PERIGRAFH")->text(), QString("Νεότερο"));
        type(&window, "PERIGRAFH", " και άλλο", true);
        press(&window, "Next");
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(field(&window, "PERIGRAFH")->text(), QString("Παλαιότερο"));
        QCOMPARE(connect().scalar("SELECT PERIGRAFH FROM EKSODA WHERE HMEROMHNIA=#1/2/2010#").toString(),
                 QString("Νεότερο και άλλο"));
    }

    void closingAfterTypingStoresNothing()
    {
        addExpense("2010-01-02", "Α");
        {
            KitWindow window;
            showActive(window);
            type(&window, "PERIGRAFH", "Β");
            window.close();
        }
        QCOMPARE(connect().scalar("SELECT PERIGRAFH FROM EKSODA").toString(), QString("Α"));
    }

    void deleteAsksFirst()
    {
        addExpense("2010-01-02", "Α");
        addExpense("2010-01-01", "Β");
        MessageLog log;
        KitWindow window;
        showActive(window);
        log.answer = false;
        press(&window, "Delete");
        QCOMPARE(log.texts, QStringList({"Delete record?"}));
        QCOMPARE(expenses(), 2);
        log.answer = true;
        press(&window, "Delete");
        QCOMPARE(expenses(), 1);
        QCOMPARE(field(&window, "PERIGRAFH")->text(), QString("Β")); // the row after it is current
    }

    // A row another window changed or deleted since it was read is told once, in the person's
    // words, and the window goes on: the row as it now stands takes the next change.
    void rowChangedElsewhereIsToldOnce_data()
    {
        QTest::addColumn<QString>("elsewhere");
        QTest::addColumn<QString>("message");
        QTest::newRow("changed") << "UPDATE EKSODA SET POSO=11 WHERE PERIGRAFH='Α'"
                                 << "Η εγγραφή άλλαξε στο μεταξύ από άλλο παράθυρο ή άλλο αντίγραφο του προγράμματος· "
                                    "δεν αποθηκεύτηκε και διαβάστηκε ξανά όπως είναι τώρα.";
        QTest::newRow("deleted") << "DELETE FROM EKSODA WHERE PERIGRAFH='Α'"
                                 << "Η εγγραφή διαγράφηκε στο μεταξύ από άλλο παράθυρο ή άλλο αντίγραφο του προγράμματος.";
    }
    void rowChangedElsewhereIsToldOnce()
    {
        QFETCH(QString, elsewhere);
        QFETCH(QString, message);
        addExpense("2010-01-02", "Α");
        addExpense("2010-01-01", "Β");
        MessageLog log;
        KitWindow window;
        showActive(window);
        connect().execute(elsewhere);
        type(&window, "PERIGRAFH", "Γ");
        press(&window, "Post");
        QCOMPARE(log.texts, QStringList({message}));
        QCOMPARE(window.data().state(), DataSet::State::Browse);
        type(&window, "PERIGRAFH", "Δ");
        press(&window, "Post");
        QCOMPARE(log.texts.size(), 1);
        QCOMPARE(connect().scalar("SELECT COUNT(*) FROM EKSODA WHERE PERIGRAFH='Δ'").toInt(), 1);
        QCOMPARE(connect().scalar("SELECT COUNT(*) FROM EKSODA WHERE PERIGRAFH='Γ'").toInt(), 0);
    }

    // An error in a button's slot stops there: one error box, and the window goes on.
    void errorInAButtonSlotIsShownOnce()
    {
        addExpense("2010-01-02", "Α");
        MessageLog log;
        KitWindow window;
        auto *broken = new QPushButton(QStringLiteral("Broken"), &window);
        broken->setObjectName(QStringLiteral("Broken"));
        QObject::connect(broken, &QPushButton::clicked, &window, window.guarded([&window] {
            window.data().setValue(QStringLiteral("PERIGRAFH"), QString("not while browsing"));
        }));
        showActive(window);
        click(&window, "Broken");
        QCOMPARE(log.texts, QStringList({"Dataset not in edit or insert mode."}));
        QVERIFY(window.isVisible());
        type(&window, "PERIGRAFH", "Β");
        press(&window, "Post");
        QCOMPARE(log.texts.size(), 1);
        QCOMPARE(connect().scalar("SELECT PERIGRAFH FROM EKSODA").toString(), QString("Β"));
    }

    // A window's own sets may go before its widgets: what is left of the editor shows nothing
    // and touches nothing, however the person goes on.
    void widgetsOutliveTheirSet()
    {
        addExpense("2010-01-02", "Α");
        MessageLog log;
        Window window(QStringLiteral("Outliving"), QStringLiteral("Outliving"));
        Connection c = connect();
        auto set = std::make_unique<DataSet>(c);
        set->setTableName("EKSODA");
        set->open();
        auto *grid = new QGridLayout(&window);
        auto *field = new BoundLineEdit(*set, "PERIGRAFH", &window);
        field->setObjectName("PERIGRAFH");
        auto *list = new RecordList(*set, {{"PERIGRAFH", "Κείμενο"}}, &window);
        auto *bar = new NavigatorBar(*set, NavigatorBar::FullEditor, &window);
        grid->addWidget(field, 0, 0);
        grid->addWidget(list, 1, 0);
        grid->addWidget(bar, 2, 0);
        showActive(window);
        QCOMPARE(field->text(), QString("Α"));
        set.reset();
        QCOMPARE(list->model()->rowCount(), 0);
        for (const char *action : {"First", "Insert", "Delete", "Post"})
            QVERIFY2(!navigatorButton(&window, action)->isEnabled(), action);
        type(&window, "PERIGRAFH", "Β");
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Delete, Qt::ControlModifier);
        bar->press(NavigatorBar::Post);
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(expenses(), 1);
    }

    // However the window is left, the kit closes every set it owns, then the connection.
    void leavingClosesTheWindowsSets_data()
    {
        QTest::addColumn<bool>("byEsc");
        QTest::newRow("Esc") << true;
        QTest::newRow("close") << false;
    }
    void leavingClosesTheWindowsSets()
    {
        QFETCH(bool, byEsc);
        addExpense("2010-01-02", "Α");
        MasterDetailWindow window;
        showActive(window);
        QVERIFY(window.details().isOpen());
        if (byEsc)
            QTest::keyClick(&window, Qt::Key_Escape);
        else
            window.close();
        QVERIFY(!window.isVisible());
        QVERIFY(!window.data().isOpen());
        QVERIFY(!window.details().isOpen());
        QVERIFY(!window.connected());
    }

    // The list's model tells its views what moved: a row added or dropped keeps the others'
    // places (and the selection), and every change passes Qt's model checks.
    void listModelTellsWhatMoved()
    {
        for (const char *description : {"Α", "Β", "Γ"})
            addExpense("2010-01-02", description);
        Connection c = connect();
        DataSet set(c);
        set.setTableName("EKSODA");
        set.open();
        DataSetModel model(set, {{"PERIGRAFH", "Κείμενο"}, {"POSO", "Ποσό", 80, Qt::AlignRight, {}, 2}});
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        const QPersistentModelIndex last = model.index(2, 0);
        set.moveTo(1);
        set.insert();
        QCOMPARE(last.row(), 3);
        set.setValue("HMEROMHNIA", QDate(2011, 1, 1));
        set.setValue("POSO", 5);
        set.setValue("VAT", 1);
        set.setValue("PERIGRAFH", QString("Δ"));
        set.post();
        QCOMPARE(model.data(model.index(1, 0), Qt::DisplayRole).toString(), QString("Δ"));
        QCOMPARE(model.data(model.index(1, 1), Qt::DisplayRole).toString(), QString("5,00"));
        set.insert();
        set.cancel();
        set.moveTo(0);
        set.remove();
        QCOMPARE(last.row(), 2);
        QCOMPARE(last.data().toString(), QString("Γ"));
        QCOMPARE(resets.count(), 0);
        set.setSort("PERIGRAFH DESC");
        set.refresh();
        set.close();
        QCOMPARE(model.rowCount(), 0);
        set.open();
        QCOMPARE(model.rowCount(), 3);
    }

    void insertThenDeleteDropsOnlyTheNewRow()
    {
        addExpense("2010-01-02", "Α");
        MessageLog log;
        KitWindow window;
        showActive(window);
        press(&window, "Insert");
        type(&window, "PERIGRAFH", "νέο");
        press(&window, "Delete");
        QCOMPARE(window.data().recordCount(), 1);
        QCOMPARE(expenses(), 1);
        QCOMPARE(field(&window, "PERIGRAFH")->text(), QString("Α"));
    }

    // Ctrl+Delete deletes the row, after the question, from the list and from a one-line field
    // alike; the field's own delete-word never takes the key.
    void ctrlDeleteDeletesTheRow_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<bool>("answer");
        QTest::newRow("list") << "list" << true;
        QTest::newRow("field") << "PERIGRAFH" << true;
        QTest::newRow("field, declined") << "PERIGRAFH" << false;
    }
    void ctrlDeleteDeletesTheRow()
    {
        QFETCH(QString, from);
        QFETCH(bool, answer);
        addExpense("2010-01-02", "Α");
        addExpense("2010-01-01", "Β γ");
        MessageLog log;
        log.answer = answer;
        KitWindow window;
        showActive(window);
        auto *list = window.findChild<RecordList *>();
        QCOMPARE(list->model()->headerData(1, Qt::Horizontal).toString(), QString("Ποσό"));
        QCOMPARE(list->model()->data(list->model()->index(0, 1)).toString(), QString("10"));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(window.data().currentRow(), 1);
        QWidget *pressedIn = list;
        if (from != "list") {
            auto *line = field(&window, qPrintable(from));
            line->setFocus();
            line->home(false);
            pressedIn = line;
        }
        QTest::keyClick(pressedIn, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(log.texts, QStringList({"Delete record?"}));
        QCOMPARE(expenses(), answer ? 1 : 2);
        QCOMPARE(connect().scalar("SELECT PERIGRAFH FROM EKSODA ORDER BY HMEROMHNIA DESC").toString(), QString("Α"));
        if (!answer)
            QCOMPARE(field(&window, "PERIGRAFH")->text(), QString("Β γ"));
    }
};

QObject *newAcceleratorTest();

VELMORA_TEST_MAIN(new RecordEditorTest, newAcceleratorTest())

#include "tst_record_editor.moc"

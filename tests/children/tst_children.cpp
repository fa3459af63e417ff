#include "actions.h"
#include "ui/bound_fields.h"
#include "ui/calendar_button.h"
#include "children/child_history_window.h"
#include "children/child_identity_windows.h"
#include "children/child_register_window.h"
#include "fixture.h"
#include "practice_test.h"
#include "data/global.h"
#include "children/growth_chart_window.h"
#include "children/health_card_window.h"
#include "modal.h"
#include "ui/navigator_bar.h"
#include "ui/record_list.h"
#include "children/vaccination_window.h"
#include "children/due_vaccines_window.h"
#include "children/vaccine_schedule_window.h"
#include "data/vaccine_records.h"
#include "data/regional.h"
#include "data/schema.h"
#include "printing/child_printouts_window.h"

#include <QCalendarWidget>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QComboBox>
#include <QTest>
#include <QToolButton>

namespace {

void choose(QWidget *window, const QString &name, const QString &item)
{
    auto *choice = window->findChild<BoundChoice *>(name);
    choice->setCurrentIndex(choice->findText(item));
    emit choice->activated(choice->currentIndex());
}

QStringList surnames(ChildRegisterWindow &reg)
{
    QStringList names;
    for (int r = 0; r < reg.data().recordCount(); ++r)
        names << reg.data().value(r, reg.data().fieldIndex("EPWNYMO")).toString();
    return names;
}

// A series' line in the vaccination window's states, cell by cell.
QStringList stateRow(QWidget *window, const QString &series)
{
    auto *states = window->findChild<QTableWidget *>("SeriesStates");
    QStringList texts;
    for (int r = 0; r < states->rowCount(); ++r)
        if (states->item(r, 0)->text() == series)
            for (int c = 0; c < states->columnCount(); ++c)
                texts << states->item(r, c)->text();
    return texts;
}

QString countLine(QWidget *window)
{
    return window->findChild<QLabel *>("CountLine")->text();
}

} // namespace

class ChildrenTest : public PracticeTest {
    Q_OBJECT

    int addChild(const QString &name, const QString &surname, const QString &birth, const QString &sex = "ΑΡΡΕΝ")
    {
        return m_practice->addChild(name, surname, QDate::fromString(birth, Qt::ISODate), sex);
    }

    // Runs a search from the search window and looks at the register while it is shown.
    void search(const std::function<void(ChildSearchWindow &)> &start, const std::function<void(ChildRegisterWindow &)> &look)
    {
        ChildRegisterWindow reg;
        ChildSearchWindow searchWindow(reg);
        whenShown("TForm18", [&](QWidget *) {
            look(reg);
            reg.close();
        });
        start(searchWindow);
    }

    void searchAll(const std::function<void(ChildRegisterWindow &)> &look)
    {
        search([](ChildSearchWindow &s) { click(&s, "Button3"); },
               look);
    }

private slots:

    void registeringTwoChildrenInARow()
    {
        MessageLog log;
        ChildRegistrationWindow window;
        window.show();
        QCOMPARE(window.data().state(), DataSet::State::Insert);
        QCOMPARE(window.data().recordCount(), 1); // only the blank row: nobody else is loaded
        press(&window, "Post"); // required fields empty
        QCOMPARE(log.texts.size(), 1);
        QCOMPARE(window.data().state(), DataSet::State::Insert);
        const auto fill = [&](const QString &name, const QString &surname) {
            type(&window, "ONOMA", name);
            type(&window, "EPWNYMO", surname);
            choose(&window, "FYLO", "ΘΗΛΥ");
            type(&window, "HMEROMHNIA_GENNHSEWS", "5/6/2015");
            for (const char *column : {"ONOMATEPWNYMO_PATERA", "ONOMATEPWNYMO_MHTERAS", "ONOMATEPWNYMO_KHDEMONA"})
                type(&window, column, "Γονέας Ο'Νιλ");
            type(&window, "DIEYTHYNSH", "Ερμού 5");
            type(&window, "THLEFWNO_1", "2101234567");
            press(&window, "Post");
        };
        fill("Μαρία", "Ο'Μπράιαν");
        press(&window, "Insert");
        fill("Ελένη", "Παπά");
        QCOMPARE(log.texts.size(), 1);
        Connection c = connect();
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM STOIXEIA_PAIDIOY").toInt(), 2);
        QCOMPARE(c.scalar("SELECT ID FROM STOIXEIA_PAIDIOY WHERE ONOMA='Ελένη'").toInt(), 2);
        QCOMPARE(c.scalar("SELECT EPWNYMO FROM STOIXEIA_PAIDIOY WHERE ID=1").toString(), QString("Ο'Μπράιαν"));
        QCOMPARE(c.scalar("SELECT FYLO FROM STOIXEIA_PAIDIOY WHERE ID=1").toString(), QString("ΘΗΛΥ"));
        QCOMPARE(window.findChild<BoundChoice *>("ORFANOS_APO")->count(), 4);
    }

    // The initials find surnames whatever their case and accents, with or without an apostrophe.
    void searchByInitials_data()
    {
        QTest::addColumn<QString>("initials");
        QTest::addColumn<QStringList>("found");
        const QStringList pa{"Παπαδάκης", "ΠΑΠΑΣ", "Πάτρας"};
        QTest::newRow("as written") << "Πα" << pa;
        QTest::newRow("small letters") << "πα" << pa;
        QTest::newRow("with accent") << "Πά" << pa;
        QTest::newRow("apostrophe typed") << "ντ'α" << QStringList{"Ντ'Αμίκο"};
        QTest::newRow("apostrophe left out") << "ντα" << QStringList{"Ντ'Αμίκο"};
        QTest::newRow("typographic apostrophe") << "Ντ’Αμ" << QStringList{"Ντ'Αμίκο"};
    }
    void searchByInitials()
    {
        QFETCH(QString, initials);
        QFETCH(QStringList, found);
        for (const char *surname : {"Παπαδάκης", "Αλεξίου", "ΠΑΠΑΣ", "Πάτρας", "Σπανός", "Ντ'Αμίκο"})
            addChild("Νίκος", surname, "2010-01-01");
        search(
            [&](ChildSearchWindow &s) {
                auto *field = s.findChild<QLineEdit *>("Edit1");
                auto *find = s.findChild<QPushButton *>("Button1");
                auto *refusal = s.findChild<QLabel *>("InitialsRefusal");
                QVERIFY(!find->isEnabled());
                field->setText("   ");
                QVERIFY(!find->isEnabled());
                // A character still refused is named beside the field, with the reason.
                field->setText("Π%");
                QVERIFY(!find->isEnabled());
                QCOMPARE(refusal->text(), QString("Ο χαρακτήρας «%» δεν γίνεται δεκτός στο πεδίο «Αρχικά του επωνύμου»: "
                                                  "γράψτε τα πρώτα γράμματα του επωνύμου (η απόστροφος αγνοείται)."));
                field->setText(initials);
                QCOMPARE(refusal->text(), QString());
                QTest::mouseClick(find, Qt::LeftButton);
            },
            [&](ChildRegisterWindow &reg) {
                QCOMPARE(surnames(reg), found);
                QCOMPARE(countLine(&reg), QString("Βρέθηκαν %1 παιδιά").arg(found.size()));
            });
    }

    void searchByBirthDates()
    {
        addChild("Α", "Πρώτος", "2005-01-01");
        addChild("Β", "Τελευταίος", "2005-12-31");
        addChild("Γ", "Έξω", "2006-01-01");
        search(
            [](ChildSearchWindow &s) {
                s.findChild<QLineEdit *>("Edit2")->setText("1/1/2005");
                s.findChild<QLineEdit *>("Edit3")->setText("31/12/2005");
                click(&s, "Button2");
            },
            [](ChildRegisterWindow &reg) {
                QCOMPARE(surnames(reg), QStringList({"Πρώτος", "Τελευταίος"}));
                QCOMPARE(reg.WhereText,
                         QString(" WHERE HMEROMHNIA_GENNHSEWS BETWEEN #1/1/2005# AND #12/31/2005# ORDER BY EPWNYMO ASC"));
            });
    }

    void unreadableDatesAreRefused()
    {
        MessageLog log;
        ChildRegisterWindow reg;
        ChildSearchWindow s(reg);
        auto *find = s.findChild<QPushButton *>("Button2");
        QVERIFY(find->isEnabled());
        s.findChild<QLineEdit *>("Edit3")->setText("31/12/2005");
        QTest::mouseClick(find, Qt::LeftButton);
        QCOMPARE(log.texts, QStringList({"Λανθασμένα κριτήρια."}));
        QVERIFY(!find->isEnabled());
        QCOMPARE(s.findChild<QLabel *>("DatesRefusal")->text(), QString("Λανθασμένα κριτήρια.")); // why it waits
        s.findChild<QLineEdit *>("Edit2")->setText("1");
        QVERIFY(find->isEnabled());
        QCOMPARE(s.findChild<QLabel *>("DatesRefusal")->text(), QString());
        s.findChild<QLineEdit *>("Edit2")->setText("1.1.2005");
        QVERIFY(!find->isEnabled()); // "." fails check_chars, and the note beside says so
        QCOMPARE(s.findChild<QLabel *>("DatesRefusal")->text(),
                 QString("Ο χαρακτήρας «.» δεν γίνεται δεκτός στο πεδίο «Από»: η ημερομηνία γράφεται ημέρα/μήνας/έτος, "
                         "π.χ. 15/12/2026."));
    }

    void nobodyFoundLeavesOnlyTheCountAndTheExit()
    {
        searchAll([](ChildRegisterWindow &reg) {
            QCOMPARE(countLine(&reg), QString("Βρέθηκαν 0 παιδιά"));
            QVERIFY(reg.findChild<QPushButton *>("LoneExit")->isVisible());
            QVERIFY(!reg.findChild<QPushButton *>("TForm20")->isVisible());
            QVERIFY(!reg.findChild<NavigatorBar *>()->isVisible());
            QVERIFY(!reg.findChild<QRadioButton *>()->isVisible());
        });
    }

    void sortingResetsAtEachShowing()
    {
        addChild("Α", "Άλφα", "2010-01-01", "ΑΡΡΕΝ");
        addChild("Β", "Βήτα", "2010-01-01", "ΘΗΛΥ");
        ChildRegisterWindow reg;
        ChildSearchWindow s(reg);
        auto *all = s.findChild<QPushButton *>("Button3");
        whenShown("TForm18", [&](QWidget *) {
            QVERIFY(!reg.findChild<QPushButton *>("LoneExit")->isVisible());
            const auto radios = reg.findChildren<QRadioButton *>();
            QTest::mouseClick(radios[7], Qt::LeftButton); // Descending first: surname descending
            QCOMPARE(surnames(reg), QStringList({"Βήτα", "Άλφα"}));
            QTest::mouseClick(radios[2], Qt::LeftButton); // Φύλο, descending
            QCOMPARE(reg.data().value(0, reg.data().fieldIndex("FYLO")).toString(), QString("ΘΗΛΥ"));
            reg.close();
        });
        QTest::mouseClick(all, Qt::LeftButton);
        whenShown("TForm18", [&](QWidget *) {
            QVERIFY(reg.findChildren<QRadioButton *>()[0]->isChecked());
            QVERIFY(reg.findChildren<QRadioButton *>()[6]->isChecked());
            QCOMPARE(surnames(reg), QStringList({"Άλφα", "Βήτα"}));
            reg.close();
        });
        QTest::mouseClick(all, Qt::LeftButton);
    }

    void deletingAChild()
    {
        const int id = addChild("Α", "Άλφα", "2010-01-01");
        addChild("Β", "Βήτα", "2010-01-01");
        connect().execute("INSERT INTO EPISKEPSEIS(ID,HMEROMHNIA,AITIA,PERIGRAFH) VALUES(?,#1/1/2011#,'Πυρετός','x')", {id});
        MessageLog log;
        searchAll([](ChildRegisterWindow &reg) {
            press(&reg, "Delete");
            QCOMPARE(countLine(&reg), QString("Βρέθηκαν 1 παιδιά"));
        });
        QCOMPARE(log.texts, QStringList({"Να διαγραφεί το παιδί Α Άλφα;\nΜαζί διαγράφονται οι επισκέψεις, οι "
                                         "εργαστηριακές εξετάσεις και οι σωματομετρίες του. Οι αποδείξεις και "
                                         "οι εισπράξεις μένουν."}));
        QCOMPARE(connect().scalar("SELECT COUNT(*) FROM EPISKEPSEIS").toInt(), 0);
    }

    // Only the corrected child is read again: the list keeps its place, its selection and the
    // order it had, even where the new surname sorts elsewhere.
    void aCorrectedSurnameShowsAtOnceInPlace()
    {
        QStringList expected;
        for (int i = 0; i < 60; ++i) {
            expected << QString("Παιδί %1").arg(i, 2, 10, QChar('0'));
            addChild("Α", expected.last(), "2010-01-01");
        }
        MessageLog log;
        searchAll([&expected](ChildRegisterWindow &reg) {
            auto *list = reg.findChild<RecordList *>();
            reg.data().moveTo(40);
            list->scrollTo(list->currentIndex());
            QCoreApplication::processEvents();
            const int scrolled = list->verticalScrollBar()->value();
            QVERIFY(scrolled > 0);
            whenShown("TForm19", [](QWidget *details) {
                auto *window = static_cast<ChildDetailsWindow *>(details);
                QCOMPARE(window->data().state(), DataSet::State::Edit);
                type(details, "EPWNYMO", "Άλφα");
                press(details, "Post");
                QCOMPARE(window->data().state(), DataSet::State::Edit); // ready for the next correction
                details->close();
            });
            click(&reg, "TForm19");
            expected[40] = "Άλφα";
            QCOMPARE(surnames(reg), expected);
            QCOMPARE(reg.data().currentRow(), 40);
            QCOMPARE(list->currentIndex().row(), 40);
            QCOMPARE(list->verticalScrollBar()->value(), scrolled);
            QCOMPARE(countLine(&reg), QString("Βρέθηκαν 60 παιδιά"));
        });
        QCOMPARE(log.texts, QStringList());
    }

    // A column the child's windows show is printed too: a new dose or health column cannot be
    // left out of the printouts.
    void printoutsNameEveryColumnTheWindowsShow_data()
    {
        QTest::addColumn<QStringList>("columns"); // none: the health card window's
        QTest::addColumn<ChildPrintoutsWindow::Printout>("printout");
        QTest::newRow("health card window") << QStringList() << ChildPrintoutsWindow::Printout::HealthCard;
        QTest::newRow("health columns") << schema::healthColumns() << ChildPrintoutsWindow::Printout::History;
        QTest::newRow("dose columns") << schema::doseColumns() << ChildPrintoutsWindow::Printout::Vaccinations;
    }
    void printoutsNameEveryColumnTheWindowsShow()
    {
        QFETCH(QStringList, columns);
        QFETCH(ChildPrintoutsWindow::Printout, printout);
        if (columns.isEmpty()) {
            HealthCardWindow card;
            card.hand({QString::number(addChild("Α", "Άλφα", "2010-01-01")), "Α", "Άλφα", "Κηδεμόνας", "1/1/2010"});
            card.show();
            for (int column = 0; column < card.data().fieldCount(); ++column)
                columns << card.data().field(column).name;
        }
        QVERIFY(columns.size() > 20);
        for (bool selected : {false, true}) {
            const QString statement = ChildPrintoutsWindow::statement(printout, selected);
            const QString list = statement.mid(7, statement.indexOf(" FROM ") - 7);
            QStringList printed;
            for (const QString &name : list.split(','))
                printed << name.trimmed().remove('[').remove(']').toUpper();
            for (const QString &column : columns)
                QVERIFY2(printed.contains(column.toUpper()), qPrintable(column));
        }
    }

    void healthCardStoresOnlyWhatWasChosen()
    {
        const int id = addChild("Α", "Άλφα", "2010-01-01");
        MessageLog log;
        HealthCardWindow card;
        card.hand({QString::number(id), "Α", "Άλφα", "Κηδεμόνας", "1/1/2010"});
        card.show();
        QCOMPARE(card.findChild<QLabel *>("ChildSurname")->text(), QString("Άλφα"));
        QCOMPARE(card.findChild<BoundChoice *>("ASTHMA")->currentIndex(), -1);
        QVERIFY(!card.findChild<QToolButton *>("Post")->isEnabled());
        choose(&card, "ASTHMA", "ΝΑΙ");
        choose(&card, "5HNOSOS", "ΟΧΙ");
        QVERIFY(card.findChild<QToolButton *>("Post")->isEnabled());
        press(&card, "Post");
        Connection c = connect();
        QCOMPARE(c.scalar("SELECT ASTHMA FROM STOIXEIA_PAIDIOY").toString(), QString("ΝΑΙ"));
        QCOMPARE(c.scalar("SELECT [5HNOSOS] FROM STOIXEIA_PAIDIOY").toString(), QString("ΟΧΙ"));
        QVERIFY(c.scalar("SELECT DIABHTHS FROM STOIXEIA_PAIDIOY").isNull());
        QCOMPARE(c.scalar("SELECT EPWNYMO FROM STOIXEIA_PAIDIOY").toString(), QString("Άλφα"));
        QCOMPARE(log.texts, QStringList());
    }

    void vaccineDateChosenSavedAndCleared()
    {
        const int id = addChild("Α", "Άλφα", "2010-01-01");
        const ChildHandover child{QString::number(id), "Α", "Άλφα", "Κ", "1/1/2010"};
        MessageLog log;
        {
            VaccinationWindow window;
            window.hand(child);
            window.show();
            // The dose columns come from one table; the statement names them in an order of its own.
            const QString statement =
                "SELECT ID, HPATITIDA_B1, HPATITIDA_B2, HPATITIDA_B3, IFLOYENTZA_1, IFLOYENTZA_2, IFLOYENTZA_3, "
                "IFLOYENTZA_4, DIFTHERITIDA_TETANOS_KOKKITHS_1, DIFTHERITIDA_TETANOS_KOKKITHS_2, "
                "DIFTHERITIDA_TETANOS_KOKKITHS_3, DIFTHERITIDA_TETANOS_KOKKITHS_4, DIFTHERITIDA_TETANOS_KOKKITHS_5, "
                "POLIOMYELITIDA_1, POLIOMYELITIDA_2, POLIOMYELITIDA_3, POLIOMYELITIDA_4, PNEYMONIOKOKOS_1_PCV7, "
                "PNEYMONIOKOKOS_2_PCV7, PNEYMONIOKOKOS_3_PCV7, PNEYMONIOKOKOS_4_PCV7, ILARA_PARWTITIDA_ERYTHRA_1, "
                "ILARA_PARWTITIDA_ERYTHRA_2, ANEMEYLOGIA_1, ANEMEYLOGIA_2, IOS_TWN_ANTHRWPINWN_THILWMATWN_1, "
                "IOS_TWN_ANTHRWPINWN_THILWMATWN_2, IOS_TWN_ANTHRWPINWN_THILWMATWN_3, MHNIGGITIDOKOKOS_AC1, "
                "MHNIGGITIDOKOKOS_AC2, MHNIGGITIDOKOKOS_AC3, HPATITIDA_A1, HPATITIDA_A2, MHNIGGITIDOKOKOSC, ROTAIOS_1, "
                "ROTAIOS_2, FYMATIWSH, PNEYMONIOKOKOS_PNEYMO23, ANTIGRIPIKO, POLYOMYELITIDA FROM STOIXEIA_PAIDIOY "
                "where ID=?";
            QCOMPARE(window.data().sql(), statement);
            QCOMPARE(window.data().values(), QVariantList({id}));
            QCOMPARE(window.findChildren<QGroupBox *>().size(), 15);
            auto *calendar = window.findChild<CalendarButton *>("HPATITIDA_B2_CALENDAR");
            QTest::mouseClick(calendar, Qt::LeftButton);
            QCOMPARE(log.texts, QStringList());
            QCOMPARE(calendar->calendar()->selectedDate(), QDate::currentDate());
            emit calendar->calendar()->clicked(QDate(2012, 3, 5));
            QCOMPARE(window.findChild<QLineEdit *>("HPATITIDA_B2")->text(), QString("5/3/2012"));
            QCOMPARE(window.findChild<QLineEdit *>("HPATITIDA_B1")->text(), QString());
            press(&window, "Post");
            QCOMPARE(window.data().state(), DataSet::State::Edit);
        }
        QCOMPARE(connect().scalar("SELECT HPATITIDA_B2 FROM STOIXEIA_PAIDIOY").toString(), QString("2012-03-05"));
        VaccinationWindow again;
        again.hand(child);
        again.show();
        QCOMPARE(again.findChild<QLineEdit *>("HPATITIDA_B2")->text(), QString("5/3/2012"));
        click(&again, "HPATITIDA_B2_CLEAR");
        press(&again, "Post");
        QVERIFY(connect().scalar("SELECT HPATITIDA_B2 FROM STOIXEIA_PAIDIOY").isNull());
    }

    // Each series' state today beside the doses: a dose too early to count marked in its field
    // and named in the reason; doses with no column, and doses not given, kept in the second part.
    void vaccinationStatesAndOtherDoses()
    {
        const int id = addChild("Α", "Άλφα", "2010-01-01");
        // Hep B 3 before 24 weeks of age does not count.
        connect().execute("UPDATE STOIXEIA_PAIDIOY SET HPATITIDA_B1='2010-03-01', HPATITIDA_B2='2010-05-01', "
                          "HPATITIDA_B3='2010-05-20' WHERE ID=?",
                          {id});
        MessageLog log;
        VaccinationWindow window;
        window.hand({QString::number(id), "Α", "Άλφα", "Κ", "1/1/2010"});
        window.show();
        const auto row = [&window](const QString &series) { return stateRow(&window, series); };
        QCOMPARE(row("Ηπατίτιδα Β").mid(1, 3), (QStringList{"Καθυστερεί", "3", "26/6/2010"}));
        QVERIFY2(row("Ηπατίτιδα Β").last().contains("η δόση της 20/5/2010: Πρόωρη — δεν μετράει"),
                 qPrintable(row("Ηπατίτιδα Β").last()));
        QCOMPARE(window.findChild<QLineEdit *>("HPATITIDA_B3")->toolTip(), QString("Πρόωρη — δεν μετράει"));
        QCOMPARE(window.findChild<QLineEdit *>("HPATITIDA_B2")->toolTip(), QString());

        // A date typed on the first part is stored on leaving it, not left waiting on a hidden tab.
        type(&window, "HPATITIDA_A1", "1/3/2012");
        window.findChild<QTabWidget *>("Parts")->setCurrentIndex(1);
        QCOMPARE(connect().scalar("SELECT HPATITIDA_A1 FROM STOIXEIA_PAIDIOY").toDate(), QDate(2012, 3, 1));
        QCOMPARE(row("Ηπατίτιδα Α")[2], QString("2"));

        // A fourth Hep B dose, given elsewhere and kept in the second part, completes the series.
        const auto add = [&](const QString &series, const QString &date, const QString &product, const QString &reason) {
            press(&window, "Insert", "DBNavigator2");
            choose(&window, "OTHER_SEIRA", series);
            type(&window, "OTHER_HMEROMHNIA", date);
            choose(&window, "OTHER_SKEYASMA", product);
            choose(&window, "OTHER_MH_XORHGHSH", reason);
            press(&window, "Post", "DBNavigator2");
        };
        add("Ηπατίτιδα Β", "1/7/2010", "Εξαδύναμο (DTaP-IPV-Hib-HepB)", "");
        add("Ανεμευλογιά", "", "", "Ανοσία μετά τη νόσο");
        add("Ιός ανθρωπίνων θηλωμάτων", "1/9/2020", "", "Άρνηση"); // the day of the refusal: no dose
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(row("Ηπατίτιδα Β")[1], QString("Ολοκληρώθηκε"));
        QCOMPARE(row("Διφθερίτιδα-Τέτανος-Κοκκύτης")[2], QString("2")); // the hexavalent counted there too
        QCOMPARE(row("Ανεμευλογιά")[1], QString("Άνοσο"));
        QCOMPARE(row("Ιός ανθρωπίνων θηλωμάτων")[1], QString("Καθυστερεί"));
        QVERIFY(row("Ιός ανθρωπίνων θηλωμάτων").last().endsWith("άρνηση"));
        QCOMPARE(connect().scalar("SELECT COUNT(*) FROM EMBOLIA_EPIPLEON WHERE ID=?", {id}).toInt(), 3);
        QCOMPARE(connect().scalar("SELECT SEIRA FROM EMBOLIA_EPIPLEON WHERE MH_XORHGHSH='Άρνηση'").toString(),
                 QString("HPV"));
    }

    // A line of the second part that cannot stand is refused with its reason, nothing stored.
    void otherDoseRefusals_data()
    {
        QTest::addColumn<QString>("series");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("neither a date nor a reason")
            << "Μηνιγγιτιδόκοκκος B"
            << ""
            << ""
            << "Γράψτε την ημερομηνία της δόσης ή διαλέξτε γιατί δεν χορηγήθηκε.";
        QTest::newRow("a product for other series")
            << "Μηνιγγιτιδόκοκκος B"
            << "1/3/2011"
            << "MMR"
            << "Το σκεύασμα «MMR» δεν καλύπτει τη σειρά «Μηνιγγιτιδόκοκκος B».";
        QTest::newRow("before birth") << "Μηνιγγιτιδόκοκκος B"
                                      << "31/12/2009"
                                      << ""
                                      << "Το πεδίο «Ημερομηνία» δέχεται ημερομηνία από 1/1/2010 έως";
        QTest::newRow("in the future") << "Μηνιγγιτιδόκοκκος B"
                                       << Regional::current().formatDate(QDate::currentDate().addDays(1))
                                       << ""
                                       << "Το πεδίο «Ημερομηνία» δέχεται ημερομηνία από 1/1/2010 έως";
        QTest::newRow("no series") << ""
                                   << "1/3/2011"
                                   << ""
                                   << "Το πεδίο «Σειρά» είναι υποχρεωτικό.";
    }
    void otherDoseRefusals()
    {
        QFETCH(QString, series);
        QFETCH(QString, date);
        QFETCH(QString, product);
        QFETCH(QString, refusal);
        const int id = addChild("Α", "Άλφα", "2010-01-01");
        MessageLog log;
        VaccinationWindow window;
        window.hand({QString::number(id), "Α", "Άλφα", "Κ", "1/1/2010"});
        showActive(window); // the refusal names the field of the active window
        window.findChild<QTabWidget *>("Parts")->setCurrentIndex(1);
        press(&window, "Insert", "DBNavigator2");
        if (!series.isEmpty())
            choose(&window, "OTHER_SEIRA", series);
        type(&window, "OTHER_HMEROMHNIA", date);
        if (!product.isEmpty())
            choose(&window, "OTHER_SKEYASMA", product);
        press(&window, "Post", "DBNavigator2");
        QCOMPARE(log.texts.size(), 1);
        QVERIFY2(log.texts[0].startsWith(refusal), qPrintable(log.texts[0]));
        QCOMPARE(window.findChild<QLineEdit *>("OTHER_HMEROMHNIA")->text(), date); // kept for correction
        QCOMPARE(connect().scalar("SELECT COUNT(*) FROM EMBOLIA_EPIPLEON").toInt(), 0);
    }

    // The children whose next dose falls due in the period, overdue ones included; printed as
    // listed, and a line made a reminder.
    void dueVaccinesListedPrintedAndReminded()
    {
        const QString pdf = m_practice->useForPrinting();
        // The circular's worked example: first doses at 2 months, the second ones due 15/12/2026.
        const int baby = addChild("Μαρία", "Βήτα", "2026-08-15", "ΘΗΛΥ");
        connect().execute("UPDATE STOIXEIA_PAIDIOY SET HPATITIDA_B1='2026-10-16', IFLOYENTZA_1='2026-10-16', "
                          "POLIOMYELITIDA_1='2026-10-16', DIFTHERITIDA_TETANOS_KOKKITHS_1='2026-10-16', "
                          "PNEYMONIOKOKOS_1_PCV7='2026-10-16', ROTAIOS_1='2026-10-16' WHERE ID=?",
                          {baby});
        connect().execute("INSERT INTO EMBOLIA_EPIPLEON(ID, SEIRA, HMEROMHNIA) VALUES(?, 'MENB', '2026-10-16')", {baby});
        addChild("Νέο", "Άλφα", "2026-11-20"); // nothing due before January
        MessageLog log;
        DueVaccinesWindow window;
        window.show();
        type(&window, "From", "1/12/2026");
        type(&window, "To", "31/12/2026");
        click(&window, "Search");
        QCOMPARE(countLine(&window), QString("Βρέθηκαν 7 δόσεις σε 1 παιδιά"));
        DataSet &lines = window.data();
        QStringList seen;
        for (int r = 0; r < lines.recordCount(); ++r)
            seen << QStringList{lines.value(r, lines.fieldIndex("EPWNYMO")).toString(),
                                lines.value(r, lines.fieldIndex("SEIRA")).toString(),
                                lines.value(r, lines.fieldIndex("DOSH")).toString(),
                                lines.value(r, lines.fieldIndex("KATASTASH")).toString(),
                                displayText(lines.value(r, lines.fieldIndex("OFEILETAI"))),
                                lines.value(r, lines.fieldIndex("THLEFWNO")).toString()}
                        .join('|');
        seen.sort();
        QCOMPARE(seen, (QStringList{"Βήτα|Αιμόφιλος ινφλουέντζας b|2|Μπορεί να γίνει|15/12/2026|2101234567",
                                    "Βήτα|Διφθερίτιδα-Τέτανος-Κοκκύτης|2|Μπορεί να γίνει|15/12/2026|2101234567",
                                    "Βήτα|Ηπατίτιδα Β|2|Μπορεί να γίνει|15/12/2026|2101234567",
                                    "Βήτα|Μηνιγγιτιδόκοκκος B|2|Όχι ακόμη|15/12/2026|2101234567",
                                    "Βήτα|Πνευμονιόκοκκος συζευγμένο|2|Μπορεί να γίνει|15/12/2026|2101234567",
                                    "Βήτα|Πολιομυελίτιδα|2|Μπορεί να γίνει|15/12/2026|2101234567",
                                    "Βήτα|Ροταϊός|2|Μπορεί να γίνει|15/12/2026|2101234567"}));

        click(&window, "Print");
        const QString printed = pdfText(pdf);
        QVERIFY2(printed.contains("Εμβόλια που οφείλονται") && printed.contains("Οφείλονται έως 31/12/2026") &&
                     printed.contains("Μηνιγγιτιδόκοκκος B") && printed.contains("Σύνολο δόσεων: 7"),
                 qPrintable(printed));

        click(&window, "Remind");
        const QDate due = std::max(QDate(2026, 12, 15), QDate::currentDate());
        QCOMPARE(log.texts, QStringList{"Η υπενθύμιση καταχωρήθηκε για τις " + Regional::current().formatDate(due) + "."});
        QCOMPARE(connect().scalar("SELECT HMEROMHNIA FROM YPENTHIMISEIS").toDate(), due);
        QVERIFY(connect().scalar("SELECT PERIGRAFH FROM YPENTHIMISEIS").toString().startsWith("Εμβόλιο: Βήτα Μαρία, τηλ. 2101234567 — "));

        // An appointment: the sheet of the day the dose is due, the line in its first free time
        // (08:00 is taken), moved on to the next free one and stored.
        connect().execute("INSERT INTO RANTEBOU(HMEROMHNIA, [0800-0830]) VALUES(?, 'Άλλος')", {due});
        whenShown("TForm2a", [](QWidget *sheet) {
            showActive(*sheet);
            QTest::keyClick(sheet->focusWidget(), Qt::Key_Down, Qt::AltModifier);
            QTest::keyClick(sheet->focusWidget(), Qt::Key_S, Qt::ControlModifier);
            sheet->close();
        });
        click(&window, "Appointment");
        QCOMPARE(log.texts.size(), 1);
        Connection c = connect();
        const QString booked = c.scalar("SELECT [0900-0930] FROM RANTEBOU WHERE HMEROMHNIA=?", {due}).toString();
        QVERIFY2(booked.startsWith("Βήτα Μαρία, τηλ. 2101234567 — εμβόλιο ") && booked.endsWith(", δόση 2"), qPrintable(booked));
        QCOMPARE(c.scalar("SELECT [0800-0830] FROM RANTEBOU WHERE HMEROMHNIA=?", {due}).toString(), QString("Άλλος"));
        QVERIFY(c.scalar("SELECT [0830-0900] FROM RANTEBOU WHERE HMEROMHNIA=?", {due}).toString().isEmpty());
    }

    // The certificate lists every dose given, from the row's columns and the doses beside them,
    // under the letterhead; a dose not given is no dose and is not listed.
    void vaccinationCertificate()
    {
        const QString pdf = m_practice->useForPrinting();
        const int id = addChild("Μαρία", "Βήτα", "2026-01-10", "ΘΗΛΥ");
        Connection c = connect();
        c.execute("INSERT INTO INFORMATION(TITLE, ADDRESS1) VALUES('Παιδιατρείο Αθηνών', 'Ερμού 5')");
        c.execute("UPDATE STOIXEIA_PAIDIOY SET HPATITIDA_B1='2026-01-11', ROTAIOS_1='2026-03-10', "
                  "MHNIGGITIDOKOKOSC='2026-05-01' WHERE ID=?",
                  {id});
        c.execute("INSERT INTO EMBOLIA_EPIPLEON(ID, SEIRA, DOSH, HMEROMHNIA, SKEYASMA, ALLOU) "
                  "VALUES(?, 'HEPB', 2, '2026-03-10', 'Εξαδύναμο (DTaP-IPV-Hib-HepB)', 1)",
                  {id});
        c.execute("INSERT INTO EMBOLIA_EPIPLEON(ID, SEIRA, DOSH, HMEROMHNIA, SKEYASMA) VALUES(?, 'MENB', 1, '2026-03-12', 'MenB')", {id});
        c.execute("INSERT INTO EMBOLIA_EPIPLEON(ID, SEIRA, DOSH, HMEROMHNIA, MH_XORHGHSH) VALUES(?, 'PCV', 1, '2026-03-10', 'Άρνηση')", {id});
        QStringList rows;
        for (const vaccine_records::CertificateDose &dose : vaccine_records::certificateDoses(c, id))
            rows << QStringList{dose.vaccine, QString::number(dose.dose), dose.date.toString(Qt::ISODate), dose.product,
                                dose.elsewhere ? "αλλού" : ""}
                        .join('|');
        QCOMPARE(rows, (QStringList{"Ηπατίτιδα Β|1|2026-01-11||",
                                    "Ηπατίτιδα Β|2|2026-03-10|Εξαδύναμο (DTaP-IPV-Hib-HepB)|αλλού",
                                    "Μηνιγγιτιδόκοκκος B|1|2026-03-12|MenB|",
                                    "Ροταϊός|1|2026-03-10||",
                                    "Μηνιγγιτιδόκοκκος - Men A+C (Πολυσακχαριδικό)|1|2026-05-01||"}));

        MessageLog log;
        VaccinationWindow window;
        window.hand({QString::number(id), "Μαρία", "Βήτα", "Θ", "10/1/2026"});
        window.show();
        type(&window, "HPATITIDA_A1", "1/6/2026"); // typed, not yet stored: printed too
        click(&window, "Certificate");
        QCOMPARE(log.texts, QStringList());
        const QString printed = pdfText(pdf);
        for (const char *text : {"Παιδιατρείο Αθηνών", "ΒΕΒΑΙΩΣΗ ΕΜΒΟΛΙΑΣΜΩΝ", "Βήτα Μαρία, γεννημένος/η στις 10/1/2026",
                                 "Εξαδύναμο (DTaP-IPV-Hib-HepB)", "Έγινε αλλού", "12/3/2026", "Ηπατίτιδα Α", "1/6/2026",
                                 "Ο θεράπων ιατρός"})
            QVERIFY2(printed.contains(QString::fromUtf8(text)), qPrintable(text + QString(" not in: ") + printed));
        QVERIFY2(!printed.contains("Πνευμονιόκοκκος"), qPrintable(printed));
    }

    // The version in force is never edited in place: a copy is, refused where it would not stand,
    // and then put in force.
    void scheduleCopiedEditedAndPutInForce()
    {
        MessageLog log;
        VaccineScheduleWindow window;
        showActive(window);
        DataSet &doses = window.doses();
        const auto moveToDose = [&doses](const QString &series, int dose) {
            for (int r = 0; r < doses.recordCount(); ++r)
                if (doses.value(r, doses.fieldIndex("SEIRA")).toString() == series &&
                    doses.value(r, doses.fieldIndex("DOSH")).toInt() == dose)
                    doses.moveTo(r);
        };
        const int shipped = doses.recordCount();
        auto *pages = window.findChild<QTabWidget *>("Pages");
        pages->setCurrentIndex(1);
        moveToDose("MMR", 2);
        type(&window, "DOSE_SYNISTATAI_APO", "36m");
        press(&window, "Post", "DBNavigator2");
        QCOMPARE(log.texts, QStringList{"Το πρόγραμμα σε ισχύ δεν αλλάζει. Κάντε ένα αντίγραφο του και αλλάξτε εκείνο."});
        press(&window, "Cancel", "DBNavigator2");
        log.texts.clear();

        pages->setCurrentIndex(0);
        click(&window, "Copy");
        QCOMPARE(window.data().value("ONOMA").toString(), clinical::shippedSchedule().name + " (αντίγραφο)");
        QCOMPARE(window.data().value("HMEROMHNIA").toDate(), QDate::currentDate());
        type(&window, "ONOMA", "Πρόγραμμα 2025");
        type(&window, "HMEROMHNIA", "16/4/2025");
        pages->setCurrentIndex(1); // stores the name and date
        QCOMPARE(doses.recordCount(), shipped);

        moveToDose("MMR", 2);
        type(&window, "DOSE_ELAXISTO_DIASTHMA", "-4w");
        press(&window, "Post", "DBNavigator2");
        QCOMPARE(log.texts, QStringList{"Μη αναγνώσιμη ηλικία ή διάστημα «-4w» (MMR δόση 2)."});
        press(&window, "Cancel", "DBNavigator2");
        moveToDose("MMR", 1);
        log.answer = true;
        press(&window, "Delete", "DBNavigator2");
        QCOMPARE(log.texts.last(), QString("Η σειρά MMR δεν έχει την 1η δόση."));
        QCOMPARE(doses.recordCount(), shipped);
        log.texts.clear();
        moveToDose("MMR", 2);
        type(&window, "DOSE_SYNISTATAI_APO", "36m");
        press(&window, "Post", "DBNavigator2");
        QCOMPARE(log.texts, QStringList());

        pages->setCurrentIndex(0);
        click(&window, "InForce");
        QCOMPARE(log.texts, QStringList{"Να ισχύσει από τώρα το «Πρόγραμμα 2025»;"});
        Connection c = connect();
        const clinical::Schedule inForce = vaccine_records::scheduleInForce(c);
        QCOMPARE(inForce.name, QString("Πρόγραμμα 2025"));
        QCOMPARE(inForce.date, QDate(2025, 4, 16));
        QCOMPARE(inForce.rule("MMR", 2)->recommendedFrom.text(), QString("36m"));
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM EMBOLIA_PROGRAMMATA WHERE SE_ISXY").toInt(), 1);
    }

    // A series the schedule lacked (the RSV antibody), added with its product in a copy, is
    // offered by the vaccination window once the copy is in force, and a dose of it counts there.
    // Products and rules are edited only in a copy, and only as the copy stands whole.
    void newSeriesAddedInACopyCountsOnceInForce()
    {
        MessageLog log;
        qint64 shippedVersion = 0;
        {
            VaccineScheduleWindow window;
            showActive(window);
            shippedVersion = window.data().value("ID").toLongLong();
            auto *pages = window.findChild<QTabWidget *>("Pages");
            const auto addProduct = [&] {
                press(&window, "Insert", "DBNavigator3");
                type(&window, "PRODUCT_ONOMA", "Νιρσεβιμάμπη");
                type(&window, "PRODUCT_SEIRES", "RSV");
                press(&window, "Post", "DBNavigator3");
            };
            pages->setCurrentIndex(2);
            addProduct();
            press(&window, "Cancel", "DBNavigator3");
            pages->setCurrentIndex(0);
            click(&window, "Copy");
            type(&window, "ONOMA", "Πρόγραμμα 2025-26");
            pages->setCurrentIndex(2);
            addProduct(); // before its series is there
            press(&window, "Cancel", "DBNavigator3");
            pages->setCurrentIndex(3);
            press(&window, "Insert", "DBNavigator4");
            type(&window, "RULE_SEIRA", "RVS");
            choose(&window, "RULE_KANONAS", "Κάθε περίοδο");
            press(&window, "Post", "DBNavigator4");
            press(&window, "Cancel", "DBNavigator4");
            QCOMPARE(log.texts, (QStringList{"Το πρόγραμμα σε ισχύ δεν αλλάζει. Κάντε ένα αντίγραφο του και αλλάξτε εκείνο.",
                                             "Το σκεύασμα «Νιρσεβιμάμπη» αναφέρει άγνωστη σειρά RSV.",
                                             "Κανόνας για άγνωστη σειρά RVS."}));
            log.texts.clear();

            pages->setCurrentIndex(1);
            press(&window, "Insert", "DBNavigator2");
            const QStringList dose{"SEIRA", "RSV", "DOSH", "1", "ONOMA", "Αναπνευστικός συγκυτιακός ιός",
                                   "SYNISTATAI_APO", "0d", "SYNISTATAI_EWS", "6m", "ELAXISTH_HLIKIA", "0d",
                                   "MEGISTH_HLIKIA", "8m"};
            for (int i = 0; i < dose.size(); i += 2)
                type(&window, "DOSE_" + dose[i], dose[i + 1]);
            press(&window, "Post", "DBNavigator2");
            pages->setCurrentIndex(2);
            addProduct();
            pages->setCurrentIndex(0);
            click(&window, "InForce");
            QCOMPARE(log.texts, QStringList{"Να ισχύσει από τώρα το «Πρόγραμμα 2025-26»;"});
            log.texts.clear();
        }
        // The copy's product is a row of its own: the version it came from is as it was.
        Connection c = connect();
        QVERIFY(!vaccine_records::readSchedule(c, shippedVersion).product("Νιρσεβιμάμπη"));
        QVERIFY(vaccine_records::scheduleInForce(c).product("Νιρσεβιμάμπη"));

        const QDate birth = QDate::currentDate().addMonths(-2);
        const int id = addChild("Νίκος", "Γάμμα", birth.toString(Qt::ISODate));
        VaccinationWindow window;
        window.hand({QString::number(id), "Νίκος", "Γάμμα", "Α", Regional::current().formatDate(birth)});
        window.show();
        QCOMPARE(stateRow(&window, "Αναπνευστικός συγκυτιακός ιός").mid(1, 3),
                 (QStringList{"Οφείλεται", "1", Regional::current().formatDate(birth)}));
        QCOMPARE(stateRow(&window, "Αναπνευστικός συγκυτιακός ιός").last(),
                 QString("Η δόση 1 συνιστάται από τη γέννηση έως ηλικία 6 μηνών"));
        window.findChild<QTabWidget *>("Parts")->setCurrentIndex(1);
        press(&window, "Insert", "DBNavigator2");
        choose(&window, "OTHER_SEIRA", "Αναπνευστικός συγκυτιακός ιός");
        type(&window, "OTHER_HMEROMHNIA", Regional::current().formatDate(QDate::currentDate()));
        choose(&window, "OTHER_SKEYASMA", "Νιρσεβιμάμπη");
        press(&window, "Post", "DBNavigator2");
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(stateRow(&window, "Αναπνευστικός συγκυτιακός ιός")[1], QString("Ολοκληρώθηκε"));

        // A product named by doses on record keeps its name in a later copy, and stays in it.
        VaccineScheduleWindow schedule;
        showActive(schedule);
        click(&schedule, "Copy");
        schedule.findChild<QTabWidget *>("Pages")->setCurrentIndex(2);
        DataSet &products = schedule.products();
        for (int r = 0; r < products.recordCount(); ++r)
            if (products.value(r, products.fieldIndex("ONOMA")).toString() == "Νιρσεβιμάμπη")
                products.moveTo(r);
        type(&schedule, "PRODUCT_ONOMA", "Νιρσεβιμάμπη 50 mg");
        press(&schedule, "Post", "DBNavigator3");
        press(&schedule, "Cancel", "DBNavigator3");
        log.answer = true;
        press(&schedule, "Delete", "DBNavigator3");
        const QString kept = "Το σκεύασμα «Νιρσεβιμάμπη» είναι γραμμένο σε δόσεις παιδιών και κρατά το όνομά του· "
                             "αλλάζουν μόνο οι σειρές του.";
        QCOMPARE(log.texts, (QStringList{kept, kept}));
        QCOMPARE(products.value("ONOMA").toString(), QString("Νιρσεβιμάμπη"));
    }

    void measurementsBelongToTheChild()
    {
        const int id = addChild("Α", "Άλφα", "2010-01-01");
        MessageLog log;
        ChildHistoryWindow window(ChildHistory::measurements());
        window.hand({QString::number(id), "Α", "Άλφα", "", ""});
        window.show();
        QCOMPARE(countLine(&window), QString("Βρέθηκαν 0 μετρήσεις"));
        const QStringList days = {"3/3/2012", "1/1/2012", "2/2/2012"};
        for (const QString &day : days) {
            type(&window, "HMEROMHNIA", day);
            type(&window, "YPSOS", "102,5");
            type(&window, "BAROS", "16");
            press(&window, "Post");
        }
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(countLine(&window), QString("Βρέθηκαν 3 μετρήσεις"));
        QCOMPARE(connect().scalar("SELECT COUNT(*) FROM SWMATOMETRIA WHERE ID=?", {id}).toInt(), 3);
        QCOMPARE(displayText(window.list().value(0, 1)), QString("1/1/2012")); // oldest first
        QCOMPARE(window.list().value(0, 3).toString(), QString("102,50"));
        QCOMPARE(window.findChild<QLineEdit *>("YPSOS")->text(), QString()); // a fresh blank row
        press(&window, "Delete", "DBNavigator2");
        QCOMPARE(countLine(&window), QString("Βρέθηκαν 2 μετρήσεις"));
    }

    // A girl of 365 days weighing 9 kg lies at z 0.0488; a height typed as 1025 cm is caught.
    void growthReadAgainstTheWhoReferences()
    {
        const int id = addChild("Ελένη", "Άλφα", "2020-01-01", "ΘΗΛΥ");
        const QString pdf = m_practice->useForPrinting();
        MessageLog log;
        ChildHistoryWindow window(ChildHistory::measurements());
        window.hand({QString::number(id), "Ελένη", "Άλφα", "", "1/1/2020"});
        window.show();
        const std::pair<const char *, const char *> rows[][4] = {
            {{"HMEROMHNIA", "31/12/2020"}, {"YPSOS", "74"}, {"BAROS", "9"}, {"PERIMETROS_KEFALHS", "45,5"}},
            {{"HMEROMHNIA", "1/6/2021"}, {"YPSOS", "1025"}, {"BAROS", "10"}, {"PERIMETROS_KEFALHS", ""}},
        };
        for (const auto &row : rows) {
            for (const auto &[field, text] : row)
                type(&window, field, text);
            press(&window, "Post");
        }
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(connect().scalar("SELECT PERIMETROS_KEFALHS FROM SWMATOMETRIA WHERE HMEROMHNIA=#12/31/2020#").toDouble(), 45.5);

        const QAbstractItemModel *list = window.findChild<RecordList *>("DBGrid1")->model();
        const auto cell = [&](int row, const QString &title, int role = Qt::DisplayRole) {
            for (int c = 0; c < list->columnCount(); ++c)
                if (list->headerData(c, Qt::Horizontal).toString() == title)
                    return list->data(list->index(row, c), role);
            return QVariant(QStringLiteral("no column ") + title);
        };
        QCOMPARE(cell(0, "Βάρος/ηλικία").toString(), QString("P52 (z 0,05)"));
        QCOMPARE(cell(0, "Π. κεφαλής").toString(), QString("45,50"));
        QVERIFY(cell(0, "Π.Κ./ηλικία").toString().startsWith("P"));
        QVERIFY(!cell(0, "Ύψος/ηλικία", Qt::ForegroundRole).isValid());
        QCOMPARE(cell(1, "Ύψος/ηλικία", Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
        QCOMPARE(cell(1, "Ύψος/ηλικία", Qt::ToolTipRole).toString(), QString("Ελέγξτε την τιμή"));
        QCOMPARE(cell(1, "Π.Κ./ηλικία").toString(), QString());
        QCOMPARE(window.findChild<QLabel *>("CheckLine")->text(), QString("Ελέγξτε την τιμή: 1/6/2021"));

        QTest::mouseClick(window.findChild<QPushButton *>("PrintTableButton"), Qt::LeftButton);
        const QString table = pdfText(pdf);
        QVERIFY2(table.contains("Ελένη Άλφα") && table.contains("1/1/2020") && table.contains("P52 (z 0,05)") &&
                     table.contains("45,50") && table.contains("! P>99,9") &&
                     table.contains("11 μην. 30 ημ.") && table.contains("1 ετ. 5 μην."),
                 qPrintable(table));

        GrowthChartWindow chart;
        chart.hand({QString::number(id), "Ελένη", "Άλφα", "", "1/1/2020"});
        chart.show();
        QCOMPARE(chart.chart().sex, who::Sex::Girl);
        QCOMPARE(chart.chart().measurements.size(), size_t(2));
        QTest::mouseClick(chart.findChild<QPushButton *>("PrintButton"), Qt::LeftButton);
        const QString page = pdfText(pdf);
        QVERIFY2(page.contains("Ελένη Άλφα") && page.contains("1/1/2020") && page.contains("WHO 2006 / WHO 2007") &&
                     page.contains("Βάρος για την ηλικία") && page.contains("Εκτύπωση: "),
                 qPrintable(page));
        chart.findChild<QComboBox *>("Indicator")->setCurrentIndex(1);
        QTest::mouseClick(chart.findChild<QPushButton *>("PrintButton"), Qt::LeftButton);
        QVERIFY2(pdfText(pdf).contains("1/6/2021: 1025 cm"), "the implausible height is listed under the chart");
    }

    // A chart without a point says why, and lists under it, with their dates, the readings it
    // leaves out: past the ages the reference reaches, or implausible.
    void growthChartSaysWhatItLeavesOut_data()
    {
        QTest::addColumn<int>("indicator"); // the chart's place in the list
        QTest::addColumn<QString>("empty"); // what the empty chart says; empty where it has points
        QTest::addColumn<QString>("leftOut");
        QTest::newRow("head past 5 years") << 3 << "Οι 2 μετρήσεις αυτού του δείκτη είναι σε ηλικία που δεν καλύπτει η αναφορά WHO (έως 5 ετών)."
                                           << "Εκτός αναφοράς WHO (έως 5 ετών): 1/3/2024: 52 cm, 1/9/2024: 52,5 cm";
        QTest::newRow("height, one implausible") << 1 << ""
                                                 << "Εκτός καμπυλών (απίθανες τιμές κατά WHO, ελέγξτε τη μέτρηση): 1/9/2024: 1340 cm";
        QTest::newRow("weight within") << 0 << ""
                                       << "";
    }
    void growthChartSaysWhatItLeavesOut()
    {
        QFETCH(int, indicator);
        QFETCH(QString, empty);
        QFETCH(QString, leftOut);
        const int id = addChild("Άννα", "Βήτα", "2015-01-01", "ΘΗΛΥ"); // nine years old
        connect().execute("INSERT INTO SWMATOMETRIA(ID,HMEROMHNIA,YPSOS,BAROS,PERIMETROS_KEFALHS) VALUES(?,#3/1/2024#,130,28,52)", {id});
        connect().execute("INSERT INTO SWMATOMETRIA(ID,HMEROMHNIA,YPSOS,BAROS,PERIMETROS_KEFALHS) VALUES(?,#9/1/2024#,1340,29,52.5)", {id});
        GrowthChartWindow chart;
        chart.hand({QString::number(id), "Άννα", "Βήτα", "", "1/1/2015"});
        chart.show();
        chart.findChild<QComboBox *>("Indicator")->setCurrentIndex(indicator);
        const who::Indicator indicators[] = {who::Indicator::WeightForAge, who::Indicator::LengthHeightForAge,
                                             who::Indicator::BmiForAge, who::Indicator::HeadForAge};
        const who::Indicator chosen = indicators[indicator];
        QCOMPARE(chart.chart().readings(chosen, false).empty(), !empty.isEmpty());
        if (!empty.isEmpty())
            QCOMPARE(chart.chart().whyEmpty(chosen), empty);
        QCOMPARE(chart.findChild<QLabel *>("LeftOut")->text(), leftOut);
    }

    // The centile curves break where length gives way to height and where WHO 2006 gives way to
    // WHO 2007, whatever the sampling step: no piece joins the two sides of a joint.
    void centileCurvesBreakAtTheJoints_data()
    {
        QTest::addColumn<int>("indicator");
        QTest::addColumn<int>("spanDays");
        QTest::addColumn<QList<int>>("ends"); // the last day of each piece
        QTest::newRow("height to 6 years") << int(who::Indicator::LengthHeightForAge) << 2192 << QList<int>{730, 1856, 2192};
        QTest::newRow("BMI to 19 years") << int(who::Indicator::BmiForAge) << 6939 << QList<int>{730, 1856, 6939};
        QTest::newRow("weight to 10 years") << int(who::Indicator::WeightForAge) << 3652 << QList<int>{730, 1856, 3652};
        QTest::newRow("two years only") << int(who::Indicator::LengthHeightForAge) << 730 << QList<int>{730};
    }
    void centileCurvesBreakAtTheJoints()
    {
        QFETCH(int, indicator);
        QFETCH(int, spanDays);
        QFETCH(QList<int>, ends);
        const auto pieces = GrowthChart::centileCurve(who::Indicator(indicator), who::Sex::Girl, 0, spanDays);
        QList<int> lastDays;
        for (const auto &piece : pieces)
            lastDays << int(piece.back().x());
        QCOMPARE(lastDays, ends);
        for (size_t i = 1; i < pieces.size(); ++i)
            QCOMPARE(int(pieces[i].front().x()), ends[int(i) - 1] + 1);
    }

    void aVisitDatedBeforeTheOthersComesFirst()
    {
        const int id = addChild("Α", "Άλφα", "2010-01-01");
        connect().execute("INSERT INTO EPISKEPSEIS(ID,HMEROMHNIA,AITIA,PERIGRAFH) VALUES(?,#5/5/2012#,'Βήχας','x')", {id});
        MessageLog log;
        ChildHistoryWindow window(ChildHistory::visits());
        window.hand({QString::number(id), "Α", "Άλφα", "", ""});
        window.show();
        type(&window, "HMEROMHNIA", "1/1/2011");
        type(&window, "AITIA", "Πυρετός");
        type(&window, "PERIGRAFH", "38,5");
        press(&window, "Post");
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(window.list().value(0, window.list().fieldIndex("AITIA")).toString(), QString("Πυρετός"));
        QCOMPARE(countLine(&window), QString("Βρέθηκαν 2 επισκέψεις"));
    }
};

VELMORA_TEST_MAIN(new ChildrenTest)

#include "tst_children.moc"

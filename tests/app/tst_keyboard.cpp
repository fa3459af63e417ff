#include "ui/bound_fields.h"
#include "ui/calendar_button.h"
#include "data/connection.h"
#include "practice_test.h"
#include "data/global.h"
#include "app/main_window.h"
#include "modal.h"
#include "ui/password_windows.h"
#include "ui/record_window.h"
#include "ui/typed_values.h"
#include "app/window_catalog.h"
#include "app/recovery_key_window.h"

#include <QAccessible>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableView>
#include <QToolButton>
#include <QTest>

namespace {

// What a person types into a field of each column type, and what the field then shows.
QString typedFor(BoundLineEdit *field)
{
    const Field &column = field->link()->data().field(field->link()->fieldIndex());
    switch (column.type) {
    case FieldType::Date: return QStringLiteral("1/2/2020");
    case FieldType::Integer: return QStringLiteral("7");
    case FieldType::Double: return QStringLiteral("102.5");
    default: return QStringLiteral("Αβγ δεζ").left(field->maxLength());
    }
}

template <typename T>
QList<T *> visible(QWidget *window)
{
    QList<T *> shown;
    for (T *widget : window->findChildren<T *>())
        if (widget->isVisibleTo(window) && widget->isEnabled())
            shown << widget;
    return shown;
}

void enter(QWidget *widget)
{
    QTest::keyClick(widget, Qt::Key_Return);
}

// Every field keeps its typing through Enter, every drop-down closes alone on Esc, and the
// window stays open throughout.
void typeEverywhere(QWidget *window)
{
    // A screen reader names every field, list and drop-down.
    for (QWidget *part : visible<QWidget>(window))
        if (qobject_cast<QLineEdit *>(part) || qobject_cast<QComboBox *>(part) || qobject_cast<QTableView *>(part))
            QVERIFY2(!part->accessibleName().isEmpty(), qPrintable(part->objectName()));
    for (BoundLineEdit *field : visible<BoundLineEdit>(window)) {
        if (field->isReadOnly())
            continue;
        field->setFocus();
        field->selectAll();
        const QString text = typedFor(field);
        typeText(field, text);
        enter(field);
        QVERIFY2(window->isVisible(), qPrintable(field->objectName()));
        if (text == QLatin1String("102.5"))
            QCOMPARE(typedNumber(field->text()), 102.5); // shown again with the regional mark
        else
            QCOMPARE(field->text(), text);
        QVERIFY2(!field->hasFocus(), qPrintable(field->objectName())); // moved on, as Tab does
    }
    for (BoundMemo *memo : visible<BoundMemo>(window)) {
        memo->setFocus();
        memo->selectAll();
        typeText(memo, QStringLiteral("α"));
        enter(memo);
        typeText(memo, QStringLiteral("β"));
        QCOMPARE(memo->toPlainText(), QStringLiteral("α\nβ"));
    }
    for (QComboBox *choice : visible<QComboBox>(window)) {
        choice->setFocus();
        choice->showPopup();
        QWidget *popup = QApplication::activePopupWidget();
        QVERIFY2(popup, qPrintable(choice->objectName()));
        // Through the window system, where the window's own shortcuts are tried first.
        QTest::keyClick(popup->windowHandle(), Qt::Key_Escape);
        QVERIFY2(window->isVisible(), qPrintable(choice->objectName()));
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QApplication::setActiveWindow(window); // back from the pop-up, as the window system does
        QTest::keyClick(choice, Qt::Key_Down); // a value, for the required lists
    }
}

} // namespace

class KeyboardTest : public PrintingPracticeTest {
    Q_OBJECT
    QString m_previousDirectory;

    void setUpPractice() override
    {
        m_previousDirectory = QDir::currentPath();
        QDir::setCurrent(m_practice->directory());
        Connection c = connect();
        c.execute("INSERT INTO STOIXEIA_PAIDIOY(ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,"
                  "ONOMATEPWNYMO_MHTERAS,ONOMATEPWNYMO_KHDEMONA,DIEYTHYNSH,THLEFWNO_1,HPATITIDA_B1) VALUES('Νίκος',"
                  "'Παπαδάκης','ΑΡΡΕΝ','2010-01-01','Πατέρας','Μητέρα','Κηδεμόνας','Οδός 1','210','2010-02-01')");
        c.execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(1)");
        ReceiptNumberingSet = true;
    }
    void tearDownPractice() override { QDir::setCurrent(m_previousDirectory); }

    // Opens a window from the main window's menu, a child's window from the register of all
    // children, or the first day's sheet from the month calendar, and runs `act` on it.
    void open(const QString &name, bool perChild, const std::function<void(QWidget *)> &act)
    {
        MainWindow main;
        main.setSplashMilliseconds(1);
        registerWindows(main);
        bool acted = false;
        const auto run = [&](QWidget *window) {
            QApplication::setActiveWindow(window);
            QVERIFY(QTest::qWaitForWindowActive(window));
            act(window);
            acted = true;
            if (window->isVisible())
                window->close();
        };
        if (name == QLatin1String("TForm2a")) {
            whenShown("TForm1a", [&](QWidget *month) {
                // By keyboard only: Tab from the month lists to a day, the arrows to the 1st, Enter.
                whenShown(name, run);
                QApplication::setActiveWindow(month);
                QVERIFY(QTest::qWaitForWindowActive(month));
                const auto focusedDay = [month] { return qobject_cast<QLabel *>(month->focusWidget()); };
                if (QWidget *focus = month->focusWidget())
                    focus->clearFocus();
                for (int tab = 0; tab < 5 && !focusedDay(); ++tab)
                    QTest::keyClick(month, Qt::Key_Tab);
                QVERIFY(focusedDay());
                QCOMPARE(focusedDay()->text(), QString("1"));
                for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Right})
                    QTest::keyClick(focusedDay(), key);
                QCOMPARE(focusedDay()->text(), QString("16"));
                for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Left}) // no day 2 - 7
                    QTest::keyClick(focusedDay(), key);
                QCOMPARE(focusedDay()->text(), QString("1"));
                enter(focusedDay());
                month->close();
            });
            main.open("TForm1a");
        } else if (!perChild) {
            whenShown(name, run);
            main.open(name);
        } else {
            whenShown("TForm17", [&](QWidget *search) {
                whenShown("TForm18", [&](QWidget *childRegister) {
                    if (name == QLatin1String("TForm18")) {
                        run(childRegister);
                        return;
                    }
                    whenShown(name, run);
                    childRegister->findChild<QPushButton *>(name)->click();
                    childRegister->close();
                });
                search->findChild<QPushButton *>("Button3")->click();
                search->close();
            });
            main.open("TForm17");
        }
        QVERIFY2(acted, qPrintable(name));
    }

private slots:
    void typingSurvivesEnterAndEscAndCtrlSStores_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("perChild");
        QTest::addColumn<QString>("table"); // where Ctrl+S stores; empty where the window has no store
        QTest::newRow("registration") << "TForm16" << false << "STOIXEIA_PAIDIOY";
        QTest::newRow("expense ledger") << "TForm13" << false << "EKSODA";
        QTest::newRow("reminders") << "TForm11" << false << "YPENTHIMISEIS";
        QTest::newRow("diets") << "TForm1" << false << "DIAITES";
        QTest::newRow("notes") << "TForm6" << false << "SHMEIWSEIS";
        QTest::newRow("phones") << "TForm10" << false << "XRHSIMA_THLEFWNA";
        QTest::newRow("doctors") << "TForm2" << false << "GIATROI_ALLWN_EIDIKOTHTWN";
        QTest::newRow("receipt numbering") << "TForm9" << false << "LAST_APODEIKSH";
        QTest::newRow("letterhead") << "TForm73" << false << "INFORMATION";
        QTest::newRow("day sheet") << "TForm2a" << false << "RANTEBOU";
        QTest::newRow("details") << "TForm19" << true << "STOIXEIA_PAIDIOY";
        QTest::newRow("health card") << "TForm20" << true << "STOIXEIA_PAIDIOY";
        QTest::newRow("visits") << "TFORM17A" << true << "EPISKEPSEIS";
        QTest::newRow("lab tests") << "TForm17C" << true << "ERGASTHRIAKA";
        QTest::newRow("growth") << "TForm69" << true << "SWMATOMETRIA";
    }
    void typingSurvivesEnterAndEscAndCtrlSStores()
    {
        QFETCH(QString, window);
        QFETCH(bool, perChild);
        QFETCH(QString, table);
        MessageLog log;
        QString column, typed; // a text field, to find the stored row by
        open(window, perChild, [&](QWidget *shown) {
            // Whole on the smallest screen in use, 1024×768, frame included.
            QVERIFY2(shown->width() <= 1016 && shown->height() <= 738,
                     qPrintable(QStringLiteral("%1×%2").arg(shown->width()).arg(shown->height())));
            for (QTableView *list : visible<QTableView>(shown)) // every column in view
                QVERIFY2(list->horizontalScrollBar()->maximum() == 0, qPrintable(list->objectName()));
            typeEverywhere(shown);
            if (QTest::currentTestFailed())
                return;
            for (BoundLineEdit *field : visible<BoundLineEdit>(shown))
                if (!field->isReadOnly() && typedFor(field).startsWith(QStringLiteral("Αβγ")))
                    std::tie(column, typed) = std::pair(field->link()->column(), field->text());
            QTest::keyClick(shown->focusWidget(), Qt::Key_S, Qt::ControlModifier);
            QVERIFY2(log.texts.isEmpty(), qPrintable(log.texts.join('\n')));
            QVERIFY(shown->isVisible());
        });
        QVERIFY2(log.texts.isEmpty(), qPrintable(log.texts.join('\n')));
        const QString stored = column.isEmpty() ? QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)
                                                : QStringLiteral("SELECT COUNT(*) FROM %1 WHERE [%2]=?").arg(table, column);
        const QVariantList values = column.isEmpty() ? QVariantList() : QVariantList{typed};
        QVERIFY2(connect().scalar(stored, values).toInt() > 0, qPrintable(stored));
    }

    // A new row, from Ctrl+N or the Insert button wherever the focus stood, is typed from the
    // window's first field: Enter moves on through the fields in order and Ctrl+S stores them.
    void insertTypesFromTheFirstField_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("byButton");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("stored"); // counts the rows holding the typed values
        const QStringList expense{"20/11/2026", "50", "12", "Ενοίκιο"};
        const QString expenseRow("SELECT COUNT(*) FROM EKSODA WHERE HMEROMHNIA LIKE '2026-11-20%' AND POSO=50 "
                                 "AND VAT=12 AND PERIGRAFH='Ενοίκιο'");
        QTest::newRow("expense ledger, Ctrl+N") << "TForm13" << false << expense << expenseRow;
        QTest::newRow("expense ledger, Insert button") << "TForm13" << true << expense << expenseRow;
        QTest::newRow("diets, Ctrl+N") << "TForm1" << false << QStringList{"Δίαιτα Α", "Λίγη ζάχαρη"}
                                       << "SELECT COUNT(*) FROM DIAITES WHERE TITLOS='Δίαιτα Α' AND PERIGRAFH='Λίγη ζάχαρη'";
    }
    void insertTypesFromTheFirstField()
    {
        QFETCH(QString, window);
        QFETCH(bool, byButton);
        QFETCH(QStringList, typed);
        QFETCH(QString, stored);
        MessageLog log;
        open(window, false, [&](QWidget *shown) {
            QWidget *last = nullptr;
            for (FieldLink *link : shown->findChildren<FieldLink *>())
                if (link->editor()->focusPolicy() & Qt::TabFocus)
                    last = link->editor();
            last->setFocus();
            if (byButton)
                shown->findChild<QToolButton *>("Insert")->click();
            else
                QTest::keyClick(last, Qt::Key_N, Qt::ControlModifier);
            for (qsizetype i = 0; i < typed.size(); ++i) {
                QWidget *field = QApplication::focusWidget();
                typeText(field, typed[i]);
                if (i + 1 < typed.size())
                    enter(field);
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
        });
        QVERIFY2(log.texts.isEmpty(), qPrintable(log.texts.join('\n')));
        QCOMPARE(connect().scalar(stored).toInt(), 1);
    }

    // A number typed with either decimal mark is the number the person meant.
    void growthTakesBothDecimalMarks_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("stored");
        QTest::newRow("point") << "102.5" << 102.5;
        QTest::newRow("comma") << "1,5" << 1.5;
    }
    void growthTakesBothDecimalMarks()
    {
        QFETCH(QString, typed);
        QFETCH(double, stored);
        MessageLog log;
        open("TForm69", true, [&](QWidget *window) {
            for (const auto &[name, text] : {std::pair{"HMEROMHNIA", QString("3/4/2020")}, std::pair{"YPSOS", typed},
                                             std::pair{"BAROS", QString("12")}}) {
                auto *field = window->findChild<QLineEdit *>(name);
                field->setFocus();
                typeText(field, text);
                enter(field);
            }
            QTest::keyClick(window->focusWidget(), Qt::Key_S, Qt::ControlModifier);
            // The date field of the new row is ready for the next measurement.
            QCOMPARE(QApplication::focusWidget()->objectName(), QString("HMEROMHNIA"));
        });
        QVERIFY2(log.texts.isEmpty(), qPrintable(log.texts.join('\n')));
        QCOMPARE(connect().scalar("SELECT YPSOS FROM SWMATOMETRIA").toDouble(), stored);
    }

    // The dose calendar opens from its button or from the field (Alt+Down, F4), Enter and Space
    // there never clear a dose, and a day chosen with the arrows and Enter is stored.
    void vaccinationByKeyboard()
    {
        MessageLog log;
        open("TForm21", true, [&](QWidget *window) {
            auto *dose1 = window->findChild<QLineEdit *>("HPATITIDA_B1");
            QCOMPARE(QApplication::focusWidget(), dose1);
            auto *first = window->findChild<CalendarButton *>("HPATITIDA_B1_CALENDAR");
            for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
                first->setFocus();
                QTest::keyClick(first, key);
                QTRY_COMPARE(QApplication::activePopupWidget(), first->calendar());
                QTest::keyClick(first->calendar(), Qt::Key_Escape);
                QTRY_VERIFY(!QApplication::activePopupWidget());
                QVERIFY(window->isVisible());
                QCOMPARE(dose1->text(), QString("1/2/2010"));
            }

            // Only the child's days are offered: from birth to today.
            auto *calendar = window->findChild<CalendarButton *>("HPATITIDA_B2_CALENDAR");
            auto *dose2 = window->findChild<QLineEdit *>("HPATITIDA_B2");
            for (const auto &[key, modifier] : {std::pair{Qt::Key_Down, Qt::AltModifier}, {Qt::Key_F4, Qt::NoModifier}}) {
                dose2->setFocus();
                QTest::keyClick(dose2, key, modifier);
                QTRY_COMPARE(QApplication::activePopupWidget(), calendar->calendar());
                QCOMPARE(calendar->calendar()->minimumDate(), QDate(2010, 1, 1));
                QCOMPARE(calendar->calendar()->maximumDate(), QDate::currentDate());
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
                QTRY_VERIFY(!QApplication::activePopupWidget());
                QVERIFY(window->isVisible());
            }
            QCOMPARE(calendar->calendar()->findChild<QWidget *>("qt_calendar_prevmonth")->accessibleName(),
                     QString("Προηγούμενος μήνας"));
            QTest::keyClick(dose2, Qt::Key_F4);
            QTRY_COMPARE(QApplication::activePopupWidget(), calendar->calendar());
            calendar->calendar()->setSelectedDate(QDate(2021, 3, 10));
            auto *days = QApplication::focusWidget();
            QCOMPARE(days->objectName(), QString("qt_calendar_calendarview"));
            QTest::keyClick(days, Qt::Key_PageDown); // the next month
            QTest::keyClick(days, Qt::Key_Right);
            enter(days);
            QTRY_VERIFY(!QApplication::activePopupWidget());
            QVERIFY(window->isVisible());
            QCOMPARE(dose2->text(), QString("11/4/2021"));
            QCOMPARE(QApplication::focusWidget(), dose2);
            QTest::keyClick(dose2, Qt::Key_S, Qt::ControlModifier);
        });
        QVERIFY2(log.texts.isEmpty(), qPrintable(log.texts.join('\n')));
        QCOMPARE(connect().scalar("SELECT HPATITIDA_B2 FROM STOIXEIA_PAIDIOY").toString().left(10), QString("2021-04-11"));
        QCOMPARE(connect().scalar("SELECT HPATITIDA_B1 FROM STOIXEIA_PAIDIOY").toString().left(10), QString("2010-02-01"));
    }

    // A typed dose date is the date typed or one refusal naming the vaccine and dose; the typed
    // text stays for correction, and Esc then gives back that dose's stored value alone.
    void typedDoseDates_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("refusal"); // the start of the message; empty where taken
        QTest::addColumn<QString>("stored");  // the second dose afterwards
        QTest::addColumn<bool>("cleared");    // a refused date left by Tab and cleared by its "X", not Esc
        const QString tomorrow = QDate::currentDate().addDays(1).toString("d/M/yyyy");
        const QString yyAhead = "1/1/" + QDate::currentDate().addYears(1).toString("yy");
        const QString named = "Το πεδίο «Ηπατίτιδα (Hep B), δόση 2» ";
        QTest::newRow("d/m/yy") << "10/9/18"
                                << ""
                                << "2018-09-10" << false;
        QTest::newRow("d/m/yyyy") << "10/9/2018"
                                  << ""
                                  << "2018-09-10" << false;
        QTest::newRow("before birth") << "31/12/2009" << named + "δέχεται ημερομηνία από 1/1/2010 έως"
                                      << "" << false;
        QTest::newRow("before birth, X") << "31/12/2009" << named + "δέχεται ημερομηνία από 1/1/2010 έως"
                                         << "" << true;
        QTest::newRow("no such day") << "31/2/2020" << named + "δεν έχει έγκυρη ημερομηνία: «31/2/2020»."
                                     << "" << false;
        QTest::newRow("no such day, X") << "31/2/2020" << named + "δεν έχει έγκυρη ημερομηνία: «31/2/2020»."
                                        << "" << true;
        QTest::newRow("after today") << tomorrow << named + "δέχεται"
                                     << "" << false;
        QTest::newRow("yy ahead of today") << yyAhead << named + "δέχεται"
                                           << "" << false;
    }
    void typedDoseDates()
    {
        QFETCH(QString, typed);
        QFETCH(QString, refusal);
        QFETCH(QString, stored);
        QFETCH(bool, cleared);
        MessageLog log;
        open("TForm21", true, [&](QWidget *window) {
            auto *dose1 = window->findChild<QLineEdit *>("HPATITIDA_B1");
            auto *dose2 = window->findChild<QLineEdit *>("HPATITIDA_B2");
            dose1->selectAll();
            typeText(dose1, "5/5/2011"); // picked earlier in the session: Esc must not drop it
            QTest::keyClick(dose1, Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), dose2);
            typeText(dose2, typed);
            QTest::keyClick(dose2, Qt::Key_Tab);
            if (!refusal.isEmpty()) {
                QCOMPARE(log.texts.size(), 1);
                QVERIFY2(log.texts[0].startsWith(refusal), qPrintable(log.texts[0]));
                QTRY_COMPARE(QApplication::focusWidget(), dose2);
                QCOMPARE(dose2->text(), typed);
                if (cleared) {
                    // Told once: Tab goes on through the doses and the calendars to the "X".
                    auto *clear = window->findChild<QPushButton *>("HPATITIDA_B2_CLEAR");
                    for (int tab = 0; tab < 12 && QApplication::focusWidget() != clear; ++tab)
                        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                    QCOMPARE(QApplication::focusWidget(), clear);
                    QCOMPARE(log.texts.size(), 1);
                    QTest::keyClick(clear, Qt::Key_Space);
                } else {
                    QTest::keyClick(dose2, Qt::Key_Escape);
                    QVERIFY(window->isVisible());
                }
                QCOMPARE(dose2->text(), QString());
                QCOMPARE(dose1->text(), QString("5/5/2011"));
                QTest::keyClick(dose2, Qt::Key_Tab);
                QVERIFY(QApplication::focusWidget() != dose2);
                log.texts.clear();
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
        });
        QVERIFY2(log.texts.isEmpty(), qPrintable(log.texts.join('\n')));
        QCOMPARE(connect().scalar("SELECT HPATITIDA_B2 FROM STOIXEIA_PAIDIOY").toString().left(10), stored);
        QCOMPARE(connect().scalar("SELECT HPATITIDA_B1 FROM STOIXEIA_PAIDIOY").toString().left(10), QString("2011-05-05"));
    }

    // Enter moves from field to field until the required ones are filled, then presses
    // "Κατα&χώρηση"; the amount is read with either decimal mark, and a refused amount takes
    // the focus back while the other fields keep their text.
    void receiptIssueByKeyboard_data()
    {
        // clang-format off
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("message");
        QTest::addColumn<double>("stored");
        QTest::addColumn<bool>("ctrlS"); // the last field left with Ctrl+S rather than Enter
        QTest::newRow("point") << "102.5" << "" << 102.5 << false;
        QTest::newRow("comma") << "1,5" << "" << 1.5 << false;
        QTest::newRow("nought") << "0" << "Μη αποδεκτή τιμή" << 0.0 << false;
        QTest::newRow("grouped") << "1.000,5" << "Η καταχώρηση δεν έγινε" << 0.0 << false;
        QTest::newRow("Ctrl+S") << "102.5" << "" << 102.5 << true;
        // clang-format on
    }
    void receiptIssueByKeyboard()
    {
        QFETCH(QString, amount);
        QFETCH(QString, message);
        QFETCH(double, stored);
        QFETCH(bool, ctrlS);
        MessageLog log;
        open("TForm56", true, [&](QWidget *window) {
            for (const QString &text : {amount, QString("Επίσκεψη"), QString("Μητέρα")}) {
                QWidget *field = QApplication::focusWidget();
                QVERIFY(qobject_cast<QLineEdit *>(field));
                typeText(field, text);
                if (ctrlS && text == QStringLiteral("Μητέρα"))
                    QTest::keyClick(field, Qt::Key_S, Qt::ControlModifier);
                else
                    enter(field);
            }
            QCOMPARE(window->isVisible(), !message.isEmpty());
            if (window->isVisible()) {
                QCOMPARE(QApplication::focusWidget()->objectName(), QString("Amount"));
                QCOMPARE(window->findChild<QLineEdit *>("Recipient")->text(), QString("Μητέρα"));
            }
        });
        QCOMPARE(log.texts, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(connect().scalar("SELECT POSO_CY FROM APODEIKSEIS").toDouble(), stored);
    }

    // Enter in a criterion that is not the last moves on to the next one; the search waits.
    void enterMovesThroughTheCriteria_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("typed");
        QTest::newRow("income between dates") << "TForm59"
                                              << "1/1/2020";
        QTest::newRow("expenses between dates") << "TForm14"
                                                << "1/1/2020";
        QTest::newRow("expenses by month") << "TForm15"
                                           << "1";
    }
    void enterMovesThroughTheCriteria()
    {
        QFETCH(QString, window);
        QFETCH(QString, typed);
        MessageLog log;
        open(window, false, [&](QWidget *shown) {
            auto *first = qobject_cast<QLineEdit *>(QApplication::focusWidget());
            QVERIFY(first);
            typeText(first, typed);
            enter(first);
            QVERIFY(shown->isVisible());
            QVERIFY(qobject_cast<QLineEdit *>(QApplication::focusWidget()));
            QVERIFY(QApplication::focusWidget() != first);
        });
        QVERIFY2(log.texts.isEmpty(), qPrintable(log.texts.join('\n')));
    }

    // The receipts register by keyboard: Tab reaches the list and the arrows move in it, every
    // column is in view at 1024×768, validity reads «Ναι»/«Όχι», and on a cancelled receipt the
    // note beside the buttons says why they wait.
    void receiptRegisterByKeyboard()
    {
        Connection c = connect();
        for (int n : {1, 2, 3})
            c.execute("INSERT INTO APODEIKSEIS(AR_APODEIKSHS,HMEROMHNIA,ONOMA_PAIDIOY,EPWNYMO_PAIDIOY,PARALHPTHS,POSO,TAMEIO,"
                      "POSO_CY,PERIGRAFH,EGKYRH) VALUES(?,?,'Κωνσταντίνος','Κωνσταντινόπουλος-Αναστασιάδης',"
                      "'Τζιοβάνι Ντ''Αμίκο',85.43,'ΕΟΠΥΥ',50,'Κατ'' οίκον επίσκεψη και εμβόλιο',?)",
                      {n, QDate(2026, 1, n), n != 2});
        open("TForm71", false, [&](QWidget *window) {
            QVERIFY2(window->width() <= 1016 && window->height() <= 738,
                     qPrintable(QStringLiteral("%1×%2").arg(window->width()).arg(window->height())));
            auto *list = window->findChild<QTableView *>("DBGrid1");
            QCOMPARE(list->horizontalScrollBar()->maximum(), 0);
            auto *exit = window->findChild<QPushButton *>("ExitButton");
            exit->setFocus();
            for (int tab = 0; tab < 12 && !list->hasFocus(); ++tab)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY(list->hasFocus());
            const auto validity = [list](int row) { return list->model()->index(row, 8).data().toString(); };
            QCOMPARE(QStringList({validity(0), validity(1), validity(2)}), QStringList({"Ναι", "Όχι", "Ναι"}));
            auto *print = window->findChild<QPushButton *>("Button1");
            auto *cancelled = window->findChild<QLabel *>("Cancelled");
            QVERIFY(print->isEnabled());
            QTest::keyClick(list, Qt::Key_Down);
            QCOMPARE(list->currentIndex().row(), 1);
            QVERIFY(!print->isEnabled());
            QCOMPARE(cancelled->text(), QString("Η απόδειξη 2 έχει ακυρωθεί: δεν εκτυπώνεται ούτε ακυρώνεται ξανά."));
            QTest::keyClick(list, Qt::Key_Down);
            QCOMPARE(list->currentIndex().row(), 2);
            QVERIFY(print->isEnabled());
            QCOMPARE(cancelled->text(), QString());
        });
    }

    // The keyboard comes back to the control that had it when a message or a modal window
    // closes: the refused criterion after its message, the search's "Όλα τα παιδιά" after the
    // register, the main window after the password change.
    void focusReturnsWhenAWindowCloses()
    {
        open("TForm59", false, [&](QWidget *window) {
            auto *from = window->findChild<QLineEdit *>("Edit1");
            auto *to = window->findChild<QLineEdit *>("Edit2");
            typeText(from, "1/1/2020");
            enter(from);
            QCOMPARE(QApplication::focusWidget(), to);
            typeText(to, "31/2/2020");
            bool told = false;
            whenShown("Message", [&](QWidget *box) {
                QVERIFY(QTest::qWaitForWindowActive(box));
                told = true;
                qobject_cast<QDialog *>(box)->accept();
            });
            enter(to);
            QVERIFY(told);
            QTRY_COMPARE(QApplication::focusWidget(), to);
        });
        MessageLog log;
        MainWindow main;
        main.setSplashMilliseconds(1);
        registerWindows(main);
        main.show();
        QApplication::setActiveWindow(&main);
        QVERIFY(QTest::qWaitForWindowActive(&main));
        whenShown("TForm17", [&](QWidget *search) {
            QVERIFY(QTest::qWaitForWindowActive(search));
            auto *all = search->findChild<QPushButton *>("Button3");
            all->setFocus();
            whenShown("TForm18", [](QWidget *childRegister) {
                QVERIFY(QTest::qWaitForWindowActive(childRegister));
                childRegister->close();
            });
            QTest::keyClick(all, Qt::Key_Space);
            QTRY_COMPARE(QApplication::focusWidget(), all);
            search->close();
        });
        main.open("TForm17");
        QTRY_COMPARE(QApplication::activeWindow(), &main);

        whenShown("TForm66", [](QWidget *change) {
            QVERIFY(QTest::qWaitForWindowActive(change));
            change->close();
        });
        main.findChild<QAction *>("ChangePassword")->trigger();
        QTRY_COMPARE(QApplication::activeWindow(), &main);
    }

    // Screen readers read values: a day of the month calendar its date and bookings, the
    // recovery key window its key.
    void screenReadersReadValues()
    {
        const QDate today = QDate::currentDate();
        connect().execute("INSERT INTO RANTEBOU(HMEROMHNIA,[0800-0830],[0900-0930]) VALUES(?,'Νίκος','Άννα')", {today});
        open("TForm1a", false, [&](QWidget *window) {
            QLabel *day = nullptr;
            for (QLabel *label : window->findChildren<QLabel *>(QRegularExpression("^LabelD")))
                if (label->isVisible() && label->text() == QString::number(today.day()))
                    day = label;
            QVERIFY(day);
            const QString month = QLocale(QLocale::Greek).monthName(today.month(), QLocale::LongFormat);
            QCOMPARE(QAccessible::queryAccessibleInterface(day)->text(QAccessible::Name),
                     QStringLiteral("%1 %2 %3, 2 ραντεβού").arg(today.day()).arg(month).arg(today.year()));
        });
        RecoveryKeyWindow recovery("ABCD-EFGH-JKLM-NPQR-STUV-WXYZ");
        auto *key = recovery.findChild<QLabel *>("RecoveryKeyText");
        QCOMPARE(QAccessible::queryAccessibleInterface(key)->text(QAccessible::Name), QString("ABCD-EFGH-JKLM-NPQR-STUV-WXYZ"));
    }

    // The date boxes of the calendar utilities take a typed date whole, and Enter moves on.
    void typedDateReplacesTheShownOne()
    {
        open("TForm8", false, [&](QWidget *window) {
            auto *box = window->findChild<QDateEdit *>("DateTimePicker1");
            box->setDate(QDate(2024, 12, 25));
            box->setFocus(Qt::TabFocusReason);
            QTest::keyClicks(box, "1/1/2010");
            enter(box);
            QVERIFY(window->isVisible());
            QCOMPARE(box->date(), QDate(2010, 1, 1));
            QVERIFY(!box->hasFocus());
        });
    }

    // Captions that carry a Latin letter inside Greek words read exactly as they always have.
    void captionsWithLatinLettersReadAsAlways_data()
    {
        QTest::addColumn<QString>("window"); // "" for the main window itself
        QTest::addColumn<bool>("perChild");
        QTest::addColumn<QString>("caption");
        QTest::newRow("login note") << "TForm65" << false << "Προσοχή έχoυν σημασία Πεζά / Κεφαλαία";
        QTest::newRow("reminders item") << "" << false << "Yπενθ&υμίσεις";
        QTest::newRow("income search") << "TForm59" << false << "Eύ&ρεση";
        QTest::newRow("expense search") << "TForm14" << false << "Eύ&ρεση";
        QTest::newRow("diseases") << "TForm20" << true << "Aσθένειες";
        QTest::newRow("vaccinations item") << "TForm18" << true << "Ε&μβoλιασμοί";
        QTest::newRow("vaccinations printout") << "TForm22" << true << "Εμβoλιασμοί";
    }
    void captionsWithLatinLettersReadAsAlways()
    {
        QFETCH(QString, window);
        QFETCH(bool, perChild);
        QFETCH(QString, caption);
        const auto shows = [&](QWidget *shown) {
            QStringList texts;
            for (QLabel *label : shown->findChildren<QLabel *>())
                texts << label->text();
            for (QAbstractButton *button : shown->findChildren<QAbstractButton *>())
                texts << button->text();
            for (QGroupBox *box : shown->findChildren<QGroupBox *>())
                texts << box->title();
            for (QAction *action : shown->findChildren<QAction *>())
                texts << action->text();
            QVERIFY2(texts.contains(caption), qPrintable(caption));
        };
        if (window.isEmpty()) {
            MainWindow main;
            shows(&main);
        } else if (window == QLatin1String("TForm65")) {
            LoginWindow login;
            shows(&login);
        } else {
            open(window, perChild, shows);
        }
    }
};

VELMORA_TEST_MAIN(new KeyboardTest)

#include "tst_keyboard.moc"

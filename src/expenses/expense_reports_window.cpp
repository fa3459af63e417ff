#include "expenses/expense_reports_window.h"

#include "ui/captions.h"
#include "printing/data_connections.h"
#include "data/db_error.h"
#include "data/global.h"
#include "ui/look.h"
#include "ui/messages.h"
#include "ui/navigator_bar.h"
#include "printing/print_run.h"
#include "ui/record_list.h"
#include "ui/record_window.h"
#include "data/regional.h"
#include "ui/typed_values.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString Refused = QStringLiteral("Λανθασμένα κριτήρια.");
constexpr Qt::Alignment Right = Qt::AlignRight | Qt::AlignVCenter;

} // namespace

ExpenseReportWindow::ExpenseReportWindow(Kind kind, QWidget *parent)
    : Window(kind == Kind::ByDate ? QStringLiteral("TForm14") : QStringLiteral("TForm15"),
             kind == Kind::ByDate ? QStringLiteral("Λειτουργικά έξοδα - Αναλυτική έρευνα")
                                  : QStringLiteral("Λειτουργικά έξοδα - Κατά μήνα"),
             parent),
      m_kind(kind)
{
    const bool byDate = kind == Kind::ByDate;
    data_connections::add(byDate ? QStringLiteral("RvDataSetConnection3") : QStringLiteral("RvDataSetConnection5"),
                          m_reportList, this);
    data_connections::add(byDate ? QStringLiteral("RvDataSetConnection4") : QStringLiteral("RvDataSetConnection6"),
                          m_reportTotals, this);
    data_connections::add(byDate ? QStringLiteral("RvDataSetConnection4Rates") : QStringLiteral("RvDataSetConnection6Rates"),
                          m_reportRates, this);

    auto *criteria = new QGridLayout;
    if (byDate) {
        m_criteria.emplace(criteria, 0, QStringLiteral("Edit1"), QStringLiteral("Edit2"), this);
        m_criteria->showExamples();
    } else {
        m_criteria.emplace(criteria, 0, QStringLiteral("Edit1"), QStringLiteral("Edit2"), this,
                           DateRangeCaptions{QStringLiteral("Από το έτος:"), QStringLiteral("Μέχρι το έτος:")});
        m_criteria->from()->setToolTip(QStringLiteral("(π.χ 2000)"));
        m_criteria->to()->setToolTip(QStringLiteral("(π.χ 2007)"));
    }
    m_search = newDefaultButton(byDate ? captions::FindBetweenDates : QStringLiteral("Εύ&ρεση"), QStringLiteral("Button1"), Starts::Enabled);
    m_print = new QPushButton(QStringLiteral("Εκτύ&πωση"), this);
    m_print->setObjectName(QStringLiteral("Button2"));
    m_print->setEnabled(false);
    QPushButton *exit = look::exitButton(this);

    RecordList *list = buildList(byDate);
    auto *navigator = new NavigatorBar(m_list, NavigatorBar::Browser, this);

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto *top = new QHBoxLayout;
    top->addLayout(criteria);
    top->addStretch();
    top->addWidget(m_search);
    top->addWidget(m_print);
    top->addWidget(exit);
    layout->addLayout(top);
    m_refusal = look::note(QString(), this);
    m_refusal->setObjectName(QStringLiteral("Refusal"));
    layout->addWidget(m_refusal);
    layout->addWidget(list);
    layout->addWidget(navigator, 0, Qt::AlignLeft);
    layout->addLayout(buildSums());

    m_criteria->enable(m_search, m_refusal,
                       byDate ? DateCriterionRule : QStringLiteral("γράψτε το έτος με αριθμούς, π.χ. 2026"));
    connect(m_search, &QPushButton::clicked, this, guarded(&ExpenseReportWindow::search));
    connect(m_print, &QPushButton::clicked, this, guarded(&ExpenseReportWindow::print));
}

RecordList *ExpenseReportWindow::buildList(bool byDate)
{
    std::vector<ListColumn> columns =
        byDate ? std::vector<ListColumn>{{"PERIGRAFH", "Περιγραφή", 421},
                                         {"HMEROMHNIA", "Ημερομηνία", 99, Qt::AlignCenter},
                                         {"AKSIA", "Αξία (EUR)", 86, Right},
                                         {"VAT", "Φ.Π.Α (EUR)", 74, Right},
                                         {"SYNOLO", "Αξία + Φ.Π.Α (EUR)", 110, Right}}
               : std::vector<ListColumn>{{"MONTH", "Μήνας", 67, Qt::AlignCenter},
                                         {"YEAR", "Έτος", 74, Qt::AlignCenter},
                                         {"AKSIA", "Αξία (EUR)", 103, Right},
                                         {"VAT", "Φ.Π.Α (EUR)", 89, Right},
                                         {"SYNOLO", "Αξία +Φ.Π.Α (EUR)", 111, Right}};
    auto *list = new RecordList(m_list, columns, this);
    list->setObjectName(QStringLiteral("DBGrid1"));
    list->setDeleteAllowed(false);
    list->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    list->setMinimumHeight(260);
    list->fitWidthToColumns();
    return list;
}

// "Ολικά ποσά": the three sums of the last search.
QGridLayout *ExpenseReportWindow::buildSums()
{
    auto *sums = new QGridLayout;
    sums->addWidget(look::caption(QStringLiteral("Ολικά ποσά"), nullptr, this), 0, 0, 1, 2);
    const QString sumCaptions[] = {QStringLiteral("Αξία (EUR):"), QStringLiteral("Φ.Π.Α (EUR):"),
                                QStringLiteral("Αξία + Φ.Π.Α (EUR):")};
    for (int i = 0; i < 3; ++i) {
        m_sums[i] = look::note(QString(), this);
        m_sums[i]->setObjectName(QStringLiteral("Total%1").arg(i + 1));
        sums->addWidget(look::caption(sumCaptions[i], m_sums[i], this), i + 1, 0, Qt::AlignRight);
        sums->addWidget(m_sums[i], i + 1, 1);
    }
    sums->setColumnStretch(2, 1);
    return sums;
}

QString ExpenseReportWindow::listStatement() const
{
    if (m_kind == Kind::ByDate)
        return QStringLiteral("SELECT Format(EKSODA.HMEROMHNIA,\"d/m/yyyy\") AS HMEROMHNIA, "
                              "Format(EKSODA.POSO,'0.00') AS AKSIA, Format(EKSODA.VAT,'0.00') AS VAT") +
               QStringLiteral(", Format((EKSODA.POSO+EKSODA.VAT),'0.00') AS SYNOLO, EKSODA.PERIGRAFH FROM EKSODA WHERE "
                              "EKSODA.HMEROMHNIA Between ? AND ? ORDER BY EKSODA.HMEROMHNIA ASC");
    return QStringLiteral("SELECT MONTH(EKSODA.HMEROMHNIA) AS [MONTH], YEAR(EKSODA.HMEROMHNIA) AS [YEAR], "
                          "Format(SUM(EKSODA.POSO),'0.00') AS AKSIA,Format(SUM(EKSODA.VAT),'0.00') AS VAT, "
                          "Format(SUM(EKSODA.POSO+EKSODA.VAT),'0.00') AS SYNOLO FROM EKSODA WHERE "
                          "YEAR(EKSODA.HMEROMHNIA) BETWEEN ? AND ? GROUP BY MONTH(EKSODA.HMEROMHNIA), "
                          "YEAR(EKSODA.HMEROMHNIA)  ORDER BY YEAR(EKSODA.HMEROMHNIA), MONTH(EKSODA.HMEROMHNIA) ASC");
}

QString ExpenseReportWindow::totalsStatement() const
{
    if (m_kind == Kind::ByDate)
        return QStringLiteral("SELECT Format(SUM(EKSODA.POSO),'0.00') AS AKSIA, Format(SUM(EKSODA.VAT),'0.00') AS VAT") +
               QStringLiteral(", Format(SUM((EKSODA.POSO+EKSODA.VAT)),'0.00') AS SYNOLO FROM EKSODA WHERE "
                              "EKSODA.HMEROMHNIA Between ? AND ?");
    return QStringLiteral("SELECT Format(SUM(EKSODA.POSO),'0.00') AS AKSIA,Format(SUM(EKSODA.VAT),'0.00') AS VAT, "
                          "Format(SUM(EKSODA.POSO+EKSODA.VAT),'0.00') AS SYNOLO FROM EKSODA WHERE "
                          "YEAR(EKSODA.HMEROMHNIA) BETWEEN ? AND ?");
}

// The sums of each VAT rate, highest rate first. The rate is read back from the amounts, as
// the ledger keeps only the VAT itself; an expense without value has no rate.
QString ExpenseReportWindow::ratesStatement() const
{
    const QString period = m_kind == Kind::ByDate ? QStringLiteral("EKSODA.HMEROMHNIA Between ? AND ?")
                                                  : QStringLiteral("YEAR(EKSODA.HMEROMHNIA) BETWEEN ? AND ?");
    // NULLIF: the server refuses a division by zero where the file gives NULL.
    return QStringLiteral("SELECT CAST(ROUND(100*EKSODA.VAT/NULLIF(EKSODA.POSO,0)) AS INTEGER) AS RATE, "
                          "Format(SUM(EKSODA.POSO),'0.00') AS AKSIA, Format(SUM(EKSODA.VAT),'0.00') AS VAT, "
                          "Format(SUM(EKSODA.POSO+EKSODA.VAT),'0.00') AS SYNOLO FROM EKSODA WHERE ") +
           period + QStringLiteral(" GROUP BY 1 ORDER BY 1 DESC");
}

void ExpenseReportWindow::refuse()
{
    m_print->setEnabled(false);
    messages::plain(this, Refused);
    m_refusal->setText(Refused); // until the criteria are edited
}

void ExpenseReportWindow::search()
{
    connectToDatabase();
    m_print->setEnabled(true);
    m_period[0] = m_criteria->from()->text().trimmed();
    m_period[1] = m_criteria->to()->text().trimmed();
    if (m_kind == Kind::ByDate) {
        const auto dates = typedDateRange(m_period[0], m_period[1]);
        if (!dates) {
            refuse();
            return;
        }
        m_bounds = {dates->first, dates->last};
        // The period printed as the practice writes dates, whatever shape was typed.
        m_period[0] = Regional::current().formatDate(dates->first);
        m_period[1] = Regional::current().formatDate(dates->last);
    } else {
        bool fromIsYear = false, toIsYear = false;
        m_bounds = {m_period[0].toInt(&fromIsYear), m_period[1].toInt(&toIsYear)};
        if (!fromIsYear || !toIsYear) {
            refuse();
            return;
        }
    }
    try {
        m_list.setSql(listStatement(), m_bounds);
        m_totals.setSql(totalsStatement(), m_bounds);
        m_list.open();
        m_totals.open();
    } catch (const DbError &) {
        m_list.close();
        m_totals.close();
        refuse();
        return;
    }
    // A sum over no expenses has no value; the totals then read nought.
    for (int i = 0; i < 3; ++i) {
        m_sums[i]->setText(amountOrNought(m_totals.isEmpty() ? QString() : displayText(m_totals.value(i))));
    }
}

void ExpenseReportWindow::print()
{
    PrintRun run; // on the connection the last search left open
    run.query(m_reportList, listStatement(), m_bounds);
    run.query(m_reportTotals, totalsStatement(), m_bounds);
    run.query(m_reportRates, ratesStatement(), m_bounds);
    run.parameter(QStringLiteral("PERIOD_FROM"), m_period[0]);
    run.parameter(QStringLiteral("PERIOD_TO"), m_period[1]);
    run.print(m_project, m_kind == Kind::ByDate ? QStringLiteral("EKSODA1.RAV") : QStringLiteral("EKSODA2.RAV"), this);
}

void ExpenseReportWindow::done(int result)
{
    Window::done(result);
    // The window lives for the whole run: each showing starts from empty criteria.
    m_criteria->from()->clear();
    m_criteria->to()->clear();
    m_print->setEnabled(false);
    for (QLabel *sum : m_sums)
        sum->clear();
}

#include "printing/child_printouts_window.h"

#include "ui/captions.h"
#include "printing/data_connections.h"
#include "data/global.h"
#include "ui/look.h"
#include "printing/print_run.h"
#include "printing/vaccination_certificate.h"
#include "data/schema.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <limits>

namespace {

using Printout = ChildPrintoutsWindow::Printout;

const QString DetailsFirst = QStringLiteral(
    "SELECT ID, ONOMA, EPWNYMO, FYLO, HMEROMHNIA_GENNHSEWS, ONOMATEPWNYMO_PATERA, ONOMATEPWNYMO_MHTERAS, "
    "ONOMATEPWNYMO_KHDEMONA, THLEFWNO_1, THLEFWNO_2, GONEIS_DIAZEYGMENOI_DIASTASH, ");
const QString ChildNamed = QStringLiteral(
    "SELECT ID, ONOMA, EPWNYMO, FYLO, HMEROMHNIA_GENNHSEWS, ONOMATEPWNYMO_PATERA, ONOMATEPWNYMO_MHTERAS, "
    "ONOMATEPWNYMO_KHDEMONA, THLEFWNO_1, ");

// Columns as the statements name them: one that starts with a digit in brackets.
QString named(const QStringList &columns)
{
    QStringList names;
    for (const QString &column : columns)
        names << (column.front().isDigit() ? QLatin1Char('[') + column + QLatin1Char(']') : column);
    return names.join(QStringLiteral(", "));
}

// The health and dose columns come from the schema, so that a new one is printed too; the
// statements keep the pieces and the spacing they have always had.
QString health(qsizetype from, qsizetype count = -1)
{
    return named(schema::listedHealthColumns().mid(from, count));
}

QString doses(int firstListed, int lastListed = std::numeric_limits<int>::max())
{
    QStringList columns;
    for (const QString &column : schema::listedDoseColumns())
        for (const schema::Vaccine &vaccine : schema::vaccines())
            if (vaccine.listed >= firstListed && vaccine.listed <= lastListed && vaccine.doses().contains(column))
                columns << column;
    return named(columns);
}

// The statement's pieces up to its FROM clause, then the FROM clause's start; "all" appends
// WhereText, "the selected" a blank and " WHERE ID=" and the child's ID, bound.
struct Statements {
    QString all;
    QString selected;
};

Statements statementsFor(Printout printout)
{
    switch (printout) {
    case Printout::Details: {
        const QString tail = QStringLiteral("ORFANOS_APO, DIEYTHYNSH, ERGASIA_PATERA, ERGASIA_MHTERAS, ERGASIA_KHDEMONA, "
                                            "HLIKIA_PATERA, HLIKIA_MHTERA, HLIKIA_KHDEMONA FROM STOIXEIA_PAIDIOY ");
        return {DetailsFirst + tail, DetailsFirst + tail + QStringLiteral("WHERE ID=")};
    }
    case Printout::History:
    case Printout::HealthCard: {
        const QString first = ChildNamed + QStringLiteral("THLEFWNO_2, DIEYTHYNSH, ") + health(0, 6) +
                              QStringLiteral(", ISTORIKO, PROHGOYMENOS_PAIDIATROS,  ") + health(6, 13) +
                              QStringLiteral(", ") + health(19);
        return {first + QStringLiteral(" FROM STOIXEIA_PAIDIOY "), first + QStringLiteral(" FROM STOIXEIA_PAIDIOY  WHERE ID=")};
    }
    case Printout::Vaccinations: {
        const QString first = ChildNamed + doses(1, 1) + QStringLiteral(", ") + doses(2, 3) + QStringLiteral(", ") +
                              doses(4, 6) + QStringLiteral(",  ") + doses(7, 10) + QStringLiteral(",  ") + doses(11) +
                              QStringLiteral(", THLEFWNO_2, DIEYTHYNSH FROM STOIXEIA_PAIDIOY ");
        return {first, first + QStringLiteral(" WHERE ID=")};
    }
    }
    return {};
}

QString reportFor(Printout printout)
{
    switch (printout) {
    case Printout::Details: return QStringLiteral("STOIXEIA.RAV");
    case Printout::History: return QStringLiteral("ISTORIKO.RAV");
    case Printout::HealthCard: return QStringLiteral("DYGEIAS.RAV");
    case Printout::Vaccinations: return QStringLiteral("EMBOLIA.RAV");
    }
    return {};
}

} // namespace

ChildPrintoutsWindow::ChildPrintoutsWindow(QWidget *parent)
    : Window(QStringLiteral("TForm22"), QStringLiteral("Εκτύπωση"), parent)
{
    data_connections::add(QStringLiteral("RvDataSetConnection7"), m_query, this);

    auto *layout = new QGridLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    const std::pair<QString, Printout> groups[] = {{QStringLiteral("Στοιχεία του παιδιού"), Printout::Details},
                                                   {QStringLiteral("Ιστορικό"), Printout::History},
                                                   {QStringLiteral("Δελτίο υγείας"), Printout::HealthCard},
                                                   {captions::VaccinationsPrintout, Printout::Vaccinations}};
    int index = 0;
    for (const auto &[caption, printout] : groups) {
        auto *box = new QGroupBox(caption, this);
        auto *column = new QVBoxLayout(box);
        auto *all = new QPushButton(QStringLiteral("Εκτύπωση όλων"), box);
        auto *selected = new QPushButton(QStringLiteral("Εκτύπωση του επιλεγμένου"), box);
        all->setObjectName(QStringLiteral("All%1").arg(index));
        selected->setObjectName(QStringLiteral("Selected%1").arg(index));
        column->addWidget(all);
        column->addWidget(selected);
        const Printout which = printout;
        connect(all, &QPushButton::clicked, this, guarded([this, which] { printAll(which); }));
        connect(selected, &QPushButton::clicked, this, guarded([this, which] { printSelected(which); }));
        layout->addWidget(box, index / 2, index % 2);
        ++index;
    }
    // One child's certificate, left of the list and before it in the Tab order.
    auto *certificateBox = new QGroupBox(QStringLiteral("Βεβαίωση εμβολιασμών"), this);
    auto *certificateColumn = new QVBoxLayout(certificateBox);
    auto *certificate = new QPushButton(QStringLiteral("Εκτύπωση του επιλεγμένου"), certificateBox);
    certificate->setObjectName(QStringLiteral("Certificate"));
    certificateColumn->addWidget(certificate);
    connect(certificate, &QPushButton::clicked, this, guarded([this] { printVaccinationCertificate(ChildID.toLongLong(), this); }));
    auto *listBox = new QGroupBox(QStringLiteral("Λίστα των πελατών"), this);
    auto *listColumn = new QVBoxLayout(listBox);
    auto *list = new QPushButton(QStringLiteral("Εκτύπωση της λίστας των παιδιών"), listBox);
    list->setObjectName(QStringLiteral("List"));
    listColumn->addWidget(list);
    connect(list, &QPushButton::clicked, this, guarded(&ChildPrintoutsWindow::printList));
    layout->addWidget(certificateBox, 2, 0);
    layout->addWidget(listBox, 2, 1);
    QPushButton *exit = look::exitButton(this);
    exit->setText(QStringLiteral("Έξοδος"));
    layout->addWidget(exit, 3, 1, Qt::AlignRight);
}

QString ChildPrintoutsWindow::statement(Printout printout, bool selected)
{
    const Statements statements = statementsFor(printout);
    return selected ? statements.selected : statements.all;
}

void ChildPrintoutsWindow::printAll(Printout printout)
{
    print(statementsFor(printout).all + WhereText, reportFor(printout));
}

void ChildPrintoutsWindow::printSelected(Printout printout)
{
    print(statementsFor(printout).selected + QLatin1Char('?'), reportFor(printout), {ChildID.toInt()});
}

void ChildPrintoutsWindow::printList()
{
    print(SelectText, QStringLiteral("LIST.RAV"));
}

void ChildPrintoutsWindow::print(const QString &statement, const QString &reportFile, const QVariantList &values)
{
    PrintRun run(&m_connection);
    run.query(m_query, statement, values);
    run.print(m_projects[reportFile], reportFile, this);
}

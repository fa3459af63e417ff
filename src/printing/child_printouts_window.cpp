#include "printing/child_printouts_window.h"

#include "ui/captions.h"
#include "printing/data_connections.h"
#include "data/global.h"
#include "ui/look.h"
#include "printing/print_run.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

using Printout = ChildPrintoutsWindow::Printout;

const QString DetailsFirst = QStringLiteral(
    "SELECT ID, ONOMA, EPWNYMO, FYLO, HMEROMHNIA_GENNHSEWS, ONOMATEPWNYMO_PATERA, ONOMATEPWNYMO_MHTERAS, "
    "ONOMATEPWNYMO_KHDEMONA, THLEFWNO_1, THLEFWNO_2, GONEIS_DIAZEYGMENOI_DIASTASH, ");
const QString HealthFirst = QStringLiteral(
    "SELECT ID, ONOMA, EPWNYMO, FYLO, HMEROMHNIA_GENNHSEWS, ONOMATEPWNYMO_PATERA, ONOMATEPWNYMO_MHTERAS, "
    "ONOMATEPWNYMO_KHDEMONA, THLEFWNO_1, THLEFWNO_2, DIEYTHYNSH, DIABHTHS, EPILHPSIA, KARDIOPATHIA, ASTHMA, "
    "ALLERGIES, BROGXIKA,");
const QString HealthSecond = QStringLiteral(
    " ISTORIKO, PROHGOYMENOS_PAIDIATROS,  DIATARAXES_AKOH, DIATARAXES_ORASH, ILARA, DIFTHERITIDA, KOKKITHS, "
    "PARWTITIDA, ERYTHRA, OSTRAKIA, ANEMEBLOGIA, POLYOMYELITIDA, ANAIMIA, HPATITIDA, [5HNOSOS],");
const QString VaccinesFirst = QStringLiteral(
    "SELECT ID, ONOMA, EPWNYMO, FYLO, HMEROMHNIA_GENNHSEWS, ONOMATEPWNYMO_PATERA, ONOMATEPWNYMO_MHTERAS, "
    "ONOMATEPWNYMO_KHDEMONA, THLEFWNO_1, HPATITIDA_B1, HPATITIDA_B2, HPATITIDA_B3,");
const QString VaccinesSecond = QStringLiteral(
    " IFLOYENTZA_1, IFLOYENTZA_2, IFLOYENTZA_3, IFLOYENTZA_4, DIFTHERITIDA_TETANOS_KOKKITHS_1, "
    "DIFTHERITIDA_TETANOS_KOKKITHS_2, DIFTHERITIDA_TETANOS_KOKKITHS_3, DIFTHERITIDA_TETANOS_KOKKITHS_4, "
    "DIFTHERITIDA_TETANOS_KOKKITHS_5, ");
const QString VaccinesThird = QStringLiteral(
    "POLIOMYELITIDA_1, POLIOMYELITIDA_2, POLIOMYELITIDA_3, POLIOMYELITIDA_4, PNEYMONIOKOKOS_1_PCV7, "
    "PNEYMONIOKOKOS_2_PCV7, PNEYMONIOKOKOS_3_PCV7, PNEYMONIOKOKOS_4_PCV7, ILARA_PARWTITIDA_ERYTHRA_1, "
    "ILARA_PARWTITIDA_ERYTHRA_2, ");
const QString VaccinesFourth = QStringLiteral(
    " ANEMEYLOGIA_1, ANEMEYLOGIA_2, IOS_TWN_ANTHRWPINWN_THILWMATWN_1, IOS_TWN_ANTHRWPINWN_THILWMATWN_2, "
    "IOS_TWN_ANTHRWPINWN_THILWMATWN_3, MHNIGGITIDOKOKOS_AC1, MHNIGGITIDOKOKOS_AC2, MHNIGGITIDOKOKOS_AC3, "
    "HPATITIDA_A1, HPATITIDA_A2, ");
const QString VaccinesLast = QStringLiteral(
    " MHNIGGITIDOKOKOSC, ROTAIOS_1, ROTAIOS_2, FYMATIWSH, PNEYMONIOKOKOS_PNEYMO23, ANTIGRIPIKO, THLEFWNO_2, "
    "DIEYTHYNSH FROM STOIXEIA_PAIDIOY ");

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
    case Printout::HealthCard:
        return {HealthFirst + HealthSecond +
                    QStringLiteral(" AIFNIDIO_EKSANTHIMA, PSWRIASH, EKZEMA, LEYXAIMIA FROM STOIXEIA_PAIDIOY "),
                HealthFirst + HealthSecond +
                    QStringLiteral(" AIFNIDIO_EKSANTHIMA, PSWRIASH, EKZEMA, LEYXAIMIA FROM STOIXEIA_PAIDIOY  WHERE ID=")};
    case Printout::Vaccinations: {
        const QString first = VaccinesFirst + VaccinesSecond + VaccinesThird + VaccinesFourth;
        return {first + VaccinesLast,
                first + QStringLiteral(" MHNIGGITIDOKOKOSC, ROTAIOS_1, ROTAIOS_2, FYMATIWSH, PNEYMONIOKOKOS_PNEYMO23, "
                                       "ANTIGRIPIKO, THLEFWNO_2, DIEYTHYNSH FROM STOIXEIA_PAIDIOY  WHERE ID=")};
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
    auto *listBox = new QGroupBox(QStringLiteral("Λίστα των πελατών"), this);
    auto *listColumn = new QVBoxLayout(listBox);
    auto *list = new QPushButton(QStringLiteral("Εκτύπωση της λίστας των παιδιών"), listBox);
    list->setObjectName(QStringLiteral("List"));
    listColumn->addWidget(list);
    connect(list, &QPushButton::clicked, this, guarded(&ChildPrintoutsWindow::printList));
    layout->addWidget(listBox, 2, 0, 1, 2);
    QPushButton *exit = look::exitButton(this);
    exit->setText(QStringLiteral("Έξοδος"));
    layout->addWidget(exit, 3, 1, Qt::AlignRight);
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

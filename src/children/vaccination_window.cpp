#include "children/vaccination_window.h"

#include "ui/bound_fields.h"
#include "ui/calendar_button.h"
#include "ui/messages.h"
#include "ui/navigator_bar.h"
#include "ui/record_list.h"
#include "ui/set_pages.h"
#include "data/db_error.h"
#include "data/regional.h"
#include "data/schema.h"
#include "data/vaccine_records.h"
#include "printing/vaccination_certificate.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QScreen>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QHeaderView>
#include <QScrollArea>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The days a dose date may take, read when it is checked.
struct DoseDays {
    std::function<QDate()> earliest;
    std::function<QDate()> latest;
};

// A dose's date, typed or chosen in its calendar; its "X" clears it. Only days from the
// child's birth to today are taken.
struct DoseLine {
    QWidget *field;
    QWidget *calendar;
    QWidget *clear;
};

DoseLine doseLine(DataSet &data, const QString &column, const DoseDays &days, QWidget *box)
{
    auto *field = new BoundLineEdit(data, column, box);
    field->setObjectName(column);
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("88/88/8888")) + 12);
    field->link()->setDateRange(days.earliest, days.latest);
    auto *calendar = new CalendarButton(box);
    calendar->setObjectName(column + QStringLiteral("_CALENDAR"));
    calendar->serve(field);
    calendar->setRange(days.earliest, days.latest);
    calendar->setFixedWidth(20);
    auto *clear = new QPushButton(QStringLiteral("X"), box);
    clear->setObjectName(column + QStringLiteral("_CLEAR"));
    clear->setFixedWidth(24);
    QObject::connect(calendar, &CalendarButton::chosen, field, [field](QDate date) {
        runGuarded(field, [&] { field->setTextAsTyped(Regional::current().formatDate(date)); });
    });
    QObject::connect(clear, &QPushButton::clicked, field,
                     [field] { runGuarded(field, [field] { field->setTextAsTyped(QString()); }); });
    return {field, calendar, clear};
}

// One vaccine's doses; Tab goes through the dates, then the calendars, then the "X"s.
QGroupBox *vaccineGroup(DataSet &data, const schema::Vaccine &vaccine, const DoseDays &days, QWidget *parent)
{
    auto *box = new QGroupBox(QString::fromUtf8(vaccine.caption), parent);
    auto *grid = new QGridLayout(box);
    QList<QWidget *> fields, calendars, clears;
    const QStringList doses = vaccine.doses();
    for (int dose = 0; dose < doses.size(); ++dose) {
        const DoseLine line = doseLine(data, doses[dose], days, box);
        // The five-dose group stands in two columns, doses 1-3 and 4-5; the others in one.
        const int perColumn = doses.size() == 5 ? 3 : int(doses.size());
        const int row = dose % perColumn, column4 = (dose / perColumn) * 4;
        grid->addWidget(look::caption(QStringLiteral("Δόση %1:").arg(dose + 1), line.field, box), row, column4);
        // A refusal names the vaccine and the dose.
        line.field->setAccessibleName(QStringLiteral("%1, δόση %2").arg(box->title()).arg(dose + 1));
        grid->addWidget(line.field, row, column4 + 1);
        grid->addWidget(line.calendar, row, column4 + 2);
        grid->addWidget(line.clear, row, column4 + 3);
        fields << line.field;
        calendars << line.calendar;
        clears << line.clear;
    }
    grid->setRowStretch(grid->rowCount(), 1);
    grid->setColumnStretch(8, 1); // lines keep to the left of their group
    const QList<QWidget *> order = fields + calendars + clears;
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    return box;
}

// Groups left to right, then top to bottom, in the order of their columns.
QWidget *vaccineGroups(DataSet &data, const DoseDays &days)
{
    auto *panel = new QWidget;
    look::paint(panel, look::Cream);
    auto *grid = new QGridLayout(panel);
    int index = 0;
    for (const schema::Vaccine &vaccine : schema::vaccines()) {
        grid->addWidget(vaccineGroup(data, vaccine, days, panel), index / 3, index % 3);
        ++index;
    }
    return panel;
}

QScrollArea *scrollingOver(QWidget *panel, QWidget *parent)
{
    auto *scroll = new QScrollArea(parent);
    scroll->setWidget(panel);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus); // Tab goes from dose to dose, not to the scrolling
    return scroll;
}

} // namespace

VaccinationWindow::VaccinationWindow(QWidget *parent)
    : ChildWindow(QStringLiteral("TForm21"), QStringLiteral("Εμβολιασμοί"), parent, look::Cream)
{
    m_parts = new SetPages(this);
    m_parts->setObjectName(QStringLiteral("Parts"));
    QWidget *scheduled = scheduleDosesPage();
    m_parts->addPage(scheduled, QStringLiteral("&Δόσεις του βιβλιαρίου"), m_data);
    m_parts->addPage(otherDosesPage(), QStringLiteral("Ά&λλες δόσεις και μη χορηγήσεις"), m_other);
    // The child's row stays in editing, as after its own save.
    connect(m_parts, &SetPages::pageShown, this, [this] {
        if (m_data.state() == DataSet::State::Browse && !m_data.isEmpty())
            m_data.edit();
    });
    m_states = seriesStates();
    auto *certificate = new QPushButton(QStringLiteral("Εκτύπωση &βεβαίωσης"), this);
    certificate->setObjectName(QStringLiteral("Certificate"));
    connect(certificate, &QPushButton::clicked, this, guarded(&VaccinationWindow::printCertificate));
    QPushButton *exit = look::exitButton(this);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(header(true));
    layout->addWidget(m_parts, 3);
    layout->addWidget(look::caption(QStringLiteral("&Κατάσταση σήμερα:"), m_states, this));
    layout->addWidget(m_states, 2);
    layout->addLayout(look::spreadRow({certificate}, {exit}));
    // The whole record where the screen allows it; scrolling where it is smaller.
    const QSize wanted = scheduled->sizeHint() + QSize(60, 420);
    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                          : QRect(0, 0, 1024, 768);
    resize(qMin(wanted.width(), screen.width() - 20), qMin(wanted.height(), screen.height() - 40));
}

// The dose columns of the child's row, in their fifteen groups, with their save button.
QWidget *VaccinationWindow::scheduleDosesPage()
{
    auto *page = new QWidget;
    const DoseDays days{[this] { return m_birth; }, [] { return QDate::currentDate(); }};
    QWidget *groups = vaccineGroups(m_data, days);
    auto *navigator = new NavigatorBar(m_data, NavigatorBar::Post, page);
    connect(navigator, &NavigatorBar::actionDone, this, guarded([this] { m_data.edit(); }));
    connect(&m_data, &DataSet::posted, this, &VaccinationWindow::showStates);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scrollingOver(groups, page), 1);
    layout->addWidget(navigator, 0, Qt::AlignHCenter);
    page->setMinimumWidth(groups->sizeHint().width() + 20);
    return page;
}

// Doses with no column of their own (MenB, MenACWY, adolescent Tdap, extra doses, each season's
// influenza) and doses not given, with the reason: a form over a list of the child's rows.
QWidget *VaccinationWindow::otherDosesPage()
{
    auto *page = new QWidget;
    look::paint(page, look::Cream);
    const auto line = [this, page](const QString &column, int width) {
        auto *field = new BoundLineEdit(m_other, column, page);
        field->setObjectName(QStringLiteral("OTHER_") + column);
        if (width)
            field->setFixedWidth(width);
        return field;
    };
    const auto choice = [this, page](const QString &column, const std::vector<BoundChoice::Item> &items) {
        auto *field = new BoundChoice(m_other, column, {}, page);
        field->setItems(items);
        field->setObjectName(QStringLiteral("OTHER_") + column);
        field->setMinimumWidth(220);
        return field;
    };
    m_series = choice(QStringLiteral("SEIRA"), {});
    BoundLineEdit *dose = line(QStringLiteral("DOSH"), 40);
    BoundLineEdit *date = line(QStringLiteral("HMEROMHNIA"), 100);
    date->link()->setDateRange([this] { return m_birth; }, [] { return QDate::currentDate(); });
    m_product = choice(QStringLiteral("SKEYASMA"), {});
    BoundChoice *elsewhere = choice(QStringLiteral("ALLOU"), {{QStringLiteral("False"), QStringLiteral("Όχι")},
                                                              {QStringLiteral("True"), QStringLiteral("Ναι")}});
    BoundChoice *notGiven = choice(QStringLiteral("MH_XORHGHSH"), {{QString(), QString()},
                                                                   {vaccine_records::RefusedReason, vaccine_records::RefusedReason},
                                                                   {vaccine_records::ContraindicatedReason, vaccine_records::ContraindicatedReason},
                                                                   {vaccine_records::ImmuneReason, vaccine_records::ImmuneReason}});
    BoundLineEdit *note = line(QStringLiteral("SHMEIWSH"), 260);

    auto *form = new QGridLayout;
    look::addField(form, 0, QStringLiteral("&Σειρά:"), m_series, QStringLiteral("*"));
    look::addField(form, 1, QStringLiteral("Δ&όση:"), dose);
    look::addField(form, 2, QStringLiteral("&Ημερομηνία:"), date, QStringLiteral("(π.χ 28/12/2007)"));
    look::addField(form, 3, QStringLiteral("Σκε&ύασμα:"), m_product);
    look::addField(form, 4, QStringLiteral("Έγινε &αλλού:"), elsewhere);
    look::addField(form, 5, QStringLiteral("Δεν &χορηγήθηκε:"), notGiven);
    look::addField(form, 6, QStringLiteral("Σημεί&ωση:"), note);
    form->setRowStretch(7, 1);

    const auto seriesText = [this](const QVariant &value, int role) -> QVariant {
        return role == Qt::DisplayRole ? QVariant(vaccine_records::seriesName(m_schedule, value.toString())) : QVariant();
    };
    auto *list = new RecordList(m_other,
                                {{QStringLiteral("SEIRA"), QStringLiteral("Σειρά"), 170, Qt::AlignLeft | Qt::AlignVCenter, seriesText},
                                 {QStringLiteral("DOSH"), QStringLiteral("Δόση"), 40, Qt::AlignCenter},
                                 {QStringLiteral("HMEROMHNIA"), QStringLiteral("Ημερομηνία"), 80, Qt::AlignCenter},
                                 {QStringLiteral("SKEYASMA"), QStringLiteral("Σκεύασμα"), 120},
                                 {QStringLiteral("MH_XORHGHSH"), QStringLiteral("Δεν χορηγήθηκε"), 110}},
                                page);
    list->setObjectName(QStringLiteral("OtherDosesList"));
    auto *navigator = new NavigatorBar(m_other, NavigatorBar::FullEditor | NavigatorBar::Cancel, page);
    navigator->setObjectName(QStringLiteral("DBNavigator2"));
    connect(&m_other, &DataSet::posted, this, &VaccinationWindow::showStates);
    connect(&m_other, &DataSet::rowRemoved, this, &VaccinationWindow::showStates);
    m_other.addBeforePost(this, [this] { checkOtherDose(); });

    auto *layout = new QGridLayout(page);
    layout->addLayout(form, 0, 0);
    layout->addWidget(list, 0, 1);
    layout->addWidget(navigator, 1, 0, 1, 2, Qt::AlignLeft);
    layout->setColumnStretch(1, 1);
    const QList<QWidget *> order{m_series, dose, date, m_product, elsewhere, notGiven, note, list};
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    return page;
}

// Every series of the schedule: its state today, coloured, the dates of its next dose and why.
QTableWidget *VaccinationWindow::seriesStates()
{
    auto *table = new QTableWidget(0, 8, this);
    table->setObjectName(QStringLiteral("SeriesStates"));
    table->setHorizontalHeaderLabels({QStringLiteral("Σειρά"), QStringLiteral("Κατάσταση"), QStringLiteral("Δόση"),
                                      QStringLiteral("Από"), QStringLiteral("Οφείλεται"), QStringLiteral("Καθυστερεί"),
                                      QStringLiteral("Έως"), QStringLiteral("Γιατί")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setTabKeyNavigation(false);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setWordWrap(false);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    const int widths[] = {190, 120, 40, 76, 76, 76, 76};
    for (int c = 0; c < 7; ++c)
        table->setColumnWidth(c, widths[c]);
    table->setMinimumHeight(150);
    return table;
}

void VaccinationWindow::load()
{
    // POLYOMYELITIDA belongs to the health card; it is selected but has no field here.
    openQuery(QStringLiteral("SELECT ID, ") + schema::listedDoseColumns().join(QStringLiteral(", ")) +
                  QStringLiteral(", POLYOMYELITIDA FROM STOIXEIA_PAIDIOY where ID=?"),
              QVariantList{childId()});
    m_birth = readSexAndBirth().birth;
    if (!m_data.isEmpty())
        m_data.edit();

    m_schedule = vaccine_records::scheduleInForce(m_connection);
    std::vector<BoundChoice::Item> series;
    for (const QString &code : m_schedule.series())
        series.push_back({code, vaccine_records::seriesName(m_schedule, code)});
    m_series->setItems(series);
    std::vector<BoundChoice::Item> products{{QString(), QString()}};
    for (const clinical::Product &product : m_schedule.products)
        products.push_back({product.name, product.name});
    m_product->setItems(products);
    m_other.setSql(QStringLiteral("SELECT ID, SEIRA, DOSH, HMEROMHNIA, SKEYASMA, ALLOU, MH_XORHGHSH, SHMEIWSH "
                                  "FROM EMBOLIA_EPIPLEON WHERE ID=?"),
                   {childId()});
    m_other.open();
    m_other.setSort(QStringLiteral("HMEROMHNIA"));
    showStates();
}

// A row is a dose given or a dose not given, and a product counts only for the series it covers.
void VaccinationWindow::checkOtherDose()
{
    m_other.setValue(QStringLiteral("ID"), childId());
    const QString series = m_other.value(QStringLiteral("SEIRA")).toString();
    const bool dated = m_other.value(QStringLiteral("HMEROMHNIA")).toDate().isValid();
    const bool notGiven = !m_other.value(QStringLiteral("MH_XORHGHSH")).toString().isEmpty();
    if (!series.isEmpty() && !dated && !notGiven)
        throw DbError(DbError::Kind::Other,
                      QStringLiteral("Γράψτε την ημερομηνία της δόσης ή διαλέξτε γιατί δεν χορηγήθηκε."));
    const QString productName = m_other.value(QStringLiteral("SKEYASMA")).toString();
    const clinical::Product *product = m_schedule.product(productName);
    if (!productName.isEmpty() && product && !product->series.contains(series))
        throw DbError(DbError::Kind::Other, QStringLiteral("Το σκεύασμα «%1» δεν καλύπτει τη σειρά «%2».")
                                                .arg(productName, vaccine_records::seriesName(m_schedule, series)));
}

void VaccinationWindow::showStates()
{
    const std::vector<vaccine_records::ChildDoses> read = vaccine_records::readDoses(m_connection, m_schedule, childId());
    const std::vector<clinical::SeriesStatus> all =
        read.empty() || !m_birth.isValid()
            ? std::vector<clinical::SeriesStatus>{}
            : clinical::evaluate(m_schedule, m_birth, read.front().given, QDate::currentDate(), read.front().notGiven);

    // A dose field whose date does not count says so where it stands.
    const std::vector<vaccine_records::ColumnDose> &columns = vaccine_records::columnDoses();
    for (const vaccine_records::ColumnDose &column : columns)
        if (auto *field = findChild<QLineEdit *>(column.column)) {
            field->setStyleSheet(QString());
            field->setToolTip(QString());
        }
    for (const clinical::SeriesStatus &status : all)
        for (const clinical::DoseVerdict &verdict : status.doses)
            if (verdict.validity != clinical::Validity::Valid && verdict.dose.source >= 0)
                if (auto *field = findChild<QLineEdit *>(columns[size_t(verdict.dose.source)].column)) {
                    field->setStyleSheet(QStringLiteral("background: #F4C2C2"));
                    field->setToolTip(clinical::validityText(verdict.validity));
                }

    const Regional &regional = Regional::current();
    m_states->setRowCount(int(all.size()));
    for (int row = 0; row < int(all.size()); ++row) {
        const clinical::SeriesStatus &status = all[size_t(row)];
        const QStringList texts = {vaccine_records::seriesName(m_schedule, status.series),
                                   clinical::stateText(status.state),
                                   status.nextDose ? QString::number(status.nextDose) : QString(),
                                   regional.formatDate(status.earliest),
                                   regional.formatDate(status.due),
                                   regional.formatDate(status.overdue),
                                   regional.formatDate(status.latest),
                                   vaccine_records::reasonInWords(m_schedule, status)};
        QColor colour;
        switch (status.state) {
        case clinical::State::Overdue: colour = QColor(0xF4, 0xB6, 0xB6); break;
        case clinical::State::Due: colour = QColor(0xFF, 0xDD, 0x99); break;
        case clinical::State::Complete:
        case clinical::State::Immune: colour = QColor(0xC6, 0xEF, 0xCE); break;
        default: break;
        }
        for (int c = 0; c < texts.size(); ++c) {
            auto *item = new QTableWidgetItem(texts[c]);
            if (colour.isValid())
                item->setBackground(colour);
            if (c == texts.size() - 1)
                item->setToolTip(texts[c]);
            m_states->setItem(row, c, item);
        }
    }
}

// What is typed and not yet stored is stored first: the certificate says what the record does.
void VaccinationWindow::printCertificate()
{
    for (DataSet *set : {&m_data, &m_other})
        if (set->state() == DataSet::State::Edit || set->state() == DataSet::State::Insert)
            set->post();
    if (m_data.state() == DataSet::State::Browse && !m_data.isEmpty())
        m_data.edit(); // the row stays in editing, as after its own save
    printVaccinationCertificate(childId(), this);
}

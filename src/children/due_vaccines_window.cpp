#include "children/due_vaccines_window.h"

#include "appointments/day_sheet_window.h"
#include "ui/bound_fields.h"
#include "ui/messages.h"
#include "ui/navigator_bar.h"
#include "ui/record_list.h"
#include "data/db_error.h"
#include "data/regional.h"
#include "data/vaccine_records.h"
#include "printing/data_connections.h"
#include "printing/print_run.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct SortChoice {
    const char *caption;
    const char *sort;
};
const SortChoice SortChoices[] = {
    {"Ημερομηνία που οφείλεται", "OFEILETAI ASC, EPWNYMO ASC, ONOMA ASC"},
    {"Επώνυμο", "EPWNYMO ASC, ONOMA ASC, OFEILETAI ASC"},
    {"Σειρά εμβολίου", "SEIRA ASC, OFEILETAI ASC"},
    {"Κατάσταση", "KATASTASH ASC, OFEILETAI ASC"},
};

constexpr Qt::Alignment Centred = Qt::AlignCenter;

} // namespace

DueVaccinesWindow::DueVaccinesWindow(QWidget *parent)
    : RecordWindow(QStringLiteral("DueVaccines"), QStringLiteral("Εμβόλια που οφείλονται"), parent)
{
    data_connections::add(QStringLiteral("DueVaccines"), m_data, this);
    const Regional &regional = Regional::current();
    m_from = new QLineEdit(regional.formatDate(QDate::currentDate()), this);
    m_from->setObjectName(QStringLiteral("From"));
    m_to = new QLineEdit(regional.formatDate(QDate::currentDate().addMonths(1)), this);
    m_to->setObjectName(QStringLiteral("To"));
    for (QLineEdit *field : {m_from, m_to})
        field->setFixedWidth(100);
    QPushButton *find = newDefaultButton(QStringLiteral("&Αναζήτηση"), QStringLiteral("Search"), Starts::Enabled, this);
    m_sort = new QComboBox(this);
    m_sort->setObjectName(QStringLiteral("Sort"));
    for (const SortChoice &choice : SortChoices)
        m_sort->addItem(QString::fromUtf8(choice.caption));

    auto *list = new RecordList(m_data,
                                {{QStringLiteral("EPWNYMO"), QStringLiteral("Επώνυμο"), 130},
                                 {QStringLiteral("ONOMA"), QStringLiteral("Όνομα"), 90},
                                 {QStringLiteral("THLEFWNO"), QStringLiteral("Τηλέφωνο"), 90},
                                 {QStringLiteral("SEIRA"), QStringLiteral("Εμβόλιο"), 170},
                                 {QStringLiteral("DOSH"), QStringLiteral("Δόση"), 40, Centred},
                                 {QStringLiteral("KATASTASH"), QStringLiteral("Κατάσταση"), 100},
                                 {QStringLiteral("OFEILETAI"), QStringLiteral("Οφείλεται"), 76, Centred},
                                 {QStringLiteral("KATHYSTEREI"), QStringLiteral("Καθυστερεί"), 76, Centred},
                                 {QStringLiteral("EWS"), QStringLiteral("Έως"), 76, Centred}},
                                this);
    list->setObjectName(QStringLiteral("DueList"));
    list->setDeleteAllowed(false);
    list->setTabStop(); // after the criteria, Tab reaches the lines and the arrows pick one
    list->setMinimumHeight(360);
    list->fitWidthToColumns();
    // A click on a heading sorts by that column.
    connect(list->horizontalHeader(), &QHeaderView::sectionClicked, this, [this, list](int section) {
        auto *model = static_cast<DataSetModel *>(list->model());
        m_data.setSort(model->column(section).field + QStringLiteral(" ASC"));
    });
    m_count = look::note(QString(), this);
    m_count->setObjectName(QStringLiteral("CountLine"));
    m_print = new QPushButton(QStringLiteral("Εκτύ&πωση"), this);
    m_print->setObjectName(QStringLiteral("Print"));
    m_remind = new QPushButton(QStringLiteral("Υπεν&θύμιση"), this);
    m_remind->setObjectName(QStringLiteral("Remind"));
    m_appointment = new QPushButton(QStringLiteral("&Ραντεβού"), this);
    m_appointment->setObjectName(QStringLiteral("Appointment"));
    QPushButton *exit = look::exitButton(this);

    auto *criteria = new QGridLayout;
    QHBoxLayout *fromLine = look::addField(criteria, 0, QStringLiteral("&Από:"), m_from);
    fromLine->insertWidget(1, look::caption(QStringLiteral("Έ&ως:"), m_to, this));
    fromLine->insertWidget(2, m_to);
    fromLine->insertWidget(3, find);
    look::addField(criteria, 1, QStringLiteral("&Ταξινόμηση:"), m_sort);

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(criteria);
    layout->addWidget(list);
    layout->addLayout(look::spreadRow({new NavigatorBar(m_data, NavigatorBar::Browser, this), m_count}, {}));
    layout->addLayout(look::spreadRow({m_print, m_remind, m_appointment}, {exit}));

    connect(find, &QPushButton::clicked, this, guarded(&DueVaccinesWindow::search));
    connect(m_sort, &QComboBox::activated, this, guarded(&DueVaccinesWindow::sortChosen));
    connect(m_print, &QPushButton::clicked, this, guarded(&DueVaccinesWindow::print));
    connect(m_remind, &QPushButton::clicked, this, guarded(&DueVaccinesWindow::remindOfCurrent));
    connect(m_appointment, &QPushButton::clicked, this, guarded(&DueVaccinesWindow::bookCurrent));
    search();
}

void DueVaccinesWindow::search()
{
    const Regional &regional = Regional::current();
    const std::optional<QDate> from = regional.parseDate(m_from->text().trimmed());
    const std::optional<QDate> to = regional.parseDate(m_to->text().trimmed());
    if (!from || !to || *to < *from) {
        messages::error(this, QStringLiteral("Γράψτε δύο ημερομηνίες, την πρώτη όχι μετά τη δεύτερη (π.χ 1/9/2026 και 30/9/2026)."));
        m_from->setFocus();
        return;
    }
    m_data.close();
    connectToDatabase();
    vaccine_records::writeDueBetween(m_connection, *from, *to);
    m_data.setSql(QStringLiteral("SELECT ID, EPWNYMO, ONOMA, THLEFWNO, SEIRA, DOSH, KATASTASH, APO, OFEILETAI, "
                                 "KATHYSTEREI, EWS FROM ") +
                  vaccine_records::DueTable);
    m_data.open();
    sortChosen();
    m_count->setText(QStringLiteral("Βρέθηκαν %1 δόσεις σε %2 παιδιά")
                         .arg(m_data.recordCount())
                         .arg(m_connection.scalar(QStringLiteral("SELECT COUNT(DISTINCT ID) FROM ") + vaccine_records::DueTable)
                                  .toInt()));
    m_print->setEnabled(!m_data.isEmpty());
    m_remind->setEnabled(!m_data.isEmpty());
    m_appointment->setEnabled(!m_data.isEmpty());
}

void DueVaccinesWindow::sortChosen()
{
    m_data.setSort(QString::fromLatin1(SortChoices[qMax(0, m_sort->currentIndex())].sort));
}

void DueVaccinesWindow::print()
{
    PrintRun run; // the rows shown, in the order shown
    run.parameter(QStringLiteral("PERIOD_FROM"), m_from->text().trimmed());
    run.parameter(QStringLiteral("PERIOD_TO"), m_to->text().trimmed());
    run.print(m_project, QStringLiteral("EMBOLIA_OFEILOMENA.RAV"), this);
}

// The child and the guardian's phone of the current line, as a reminder and an appointment name them.
QString DueVaccinesWindow::currentChild() const
{
    const QString phone = m_data.value(QStringLiteral("THLEFWNO")).toString();
    return QStringLiteral("%1 %2%3").arg(m_data.value(QStringLiteral("EPWNYMO")).toString(),
                                         m_data.value(QStringLiteral("ONOMA")).toString(),
                                         phone.isEmpty() ? QString() : QStringLiteral(", τηλ. ") + phone);
}

// The series and dose of the current line: «Ηπατίτιδα Β, δόση 2».
QString DueVaccinesWindow::currentDose() const
{
    return QStringLiteral("%1, δόση %2").arg(m_data.value(QStringLiteral("SEIRA")).toString(), m_data.value(QStringLiteral("DOSH")).toString());
}

// The day the current line's dose falls due; today, for one already due.
QDate DueVaccinesWindow::currentDueDay() const
{
    return std::max(m_data.value(QStringLiteral("OFEILETAI")).toDate(), QDate::currentDate());
}

// The current line as a reminder on the day the dose falls due.
void DueVaccinesWindow::remindOfCurrent()
{
    if (m_data.isEmpty())
        return;
    const Regional &regional = Regional::current();
    const QDate due = currentDueDay();
    const QString text = QStringLiteral("Εμβόλιο: %1 — %2, οφείλεται από %3.")
                             .arg(currentChild(), currentDose(),
                                  regional.formatDate(m_data.value(QStringLiteral("OFEILETAI")).toDate()));
    m_connection.execute(QStringLiteral("INSERT INTO YPENTHIMISEIS(HMEROMHNIA, PERIGRAFH) VALUES(?, ?)"), {due.toString(Qt::ISODate), text});
    messages::plain(this, QStringLiteral("Η υπενθύμιση καταχωρήθηκε για τις %1.").arg(regional.formatDate(due)));
}

// The current line as an appointment, the child's name first as the sheet's slots show it: the
// appointment book's sheet of the day the dose falls due, the line in its first free time, for
// the user to move and store.
void DueVaccinesWindow::bookCurrent()
{
    if (!m_data.isEmpty())
        DaySheetWindow::book(currentDueDay(), currentChild() + QStringLiteral(" — εμβόλιο ") + currentDose(), this);
}

#include "children/vaccination_window.h"

#include "ui/bound_fields.h"
#include "ui/calendar_button.h"
#include "ui/navigator_bar.h"
#include "data/regional.h"
#include "data/schema.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QScreen>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
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
    const DoseDays days{[this] { return m_birth; }, [] { return QDate::currentDate(); }};
    QWidget *groups = vaccineGroups(m_data, days);
    QScrollArea *scroll = scrollingOver(groups, this);
    const QSize wanted = groups->sizeHint() + QSize(40, 200);

    auto *navigator = new NavigatorBar(m_data, NavigatorBar::Post, this);
    connect(navigator, &NavigatorBar::actionDone, this, guarded([this] { m_data.edit(); }));
    QPushButton *exit = look::exitButton(this);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(header(true));
    layout->addWidget(scroll, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(navigator);
    bottom->addStretch();
    bottom->addWidget(exit);
    layout->addLayout(bottom);
    // The whole record where the screen allows it; scrolling where it is smaller.
    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                          : QRect(0, 0, 1024, 768);
    resize(qMin(wanted.width(), screen.width() - 20), qMin(wanted.height(), screen.height() - 40));
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
}

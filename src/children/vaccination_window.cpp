#include "vaccination_window.h"

#include "bound_fields.h"
#include "calendar_button.h"
#include "navigator_bar.h"
#include "regional.h"
#include "schema.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QScreen>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

VaccinationWindow::VaccinationWindow(QWidget *parent)
    : ChildWindow(QStringLiteral("TForm21"), QStringLiteral("Εμβολιασμοί"), parent, look::Cream)
{
    auto *groupsPanel = new QWidget;
    look::paint(groupsPanel, look::Cream);
    auto *groupsGrid = new QGridLayout(groupsPanel);
    int index = 0;
    // Groups left to right, then top to bottom, in the order of their columns.
    for (const schema::Vaccine &vaccine : schema::vaccines()) {
        auto *box = new QGroupBox(QString::fromUtf8(vaccine.caption), groupsPanel);
        auto *grid = new QGridLayout(box);
        QList<QWidget *> fields, calendars, clears;
        const QStringList doses = vaccine.doses();
        for (int dose = 0; dose < doses.size(); ++dose) {
            const QString column = doses[dose];
            // Every dose line is the same: the field, its calendar, its "X".
            auto *field = new BoundLineEdit(m_data, column, box);
            field->setObjectName(column);
            field->setTypingAllowed(false);
            field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("88/88/8888")) + 12);
            auto *calendar = new CalendarButton(box);
            calendar->setObjectName(column + QStringLiteral("_CALENDAR"));
            calendar->setFixedWidth(20);
            auto *clear = new QPushButton(QStringLiteral("X"), box);
            clear->setObjectName(column + QStringLiteral("_CLEAR"));
            clear->setFixedWidth(24);
            connect(calendar, &CalendarButton::chosen, field, [field](QDate date) {
                field->setTextAsTyped(Regional::current().formatDate(date));
            });
            connect(clear, &QPushButton::clicked, field, [field] { field->setTextAsTyped(QString()); });
            // The five-dose group stands in two columns, doses 1-3 and 4-5; the others in one.
            const int perColumn = doses.size() == 5 ? 3 : int(doses.size());
            const int row = dose % perColumn, column4 = (dose / perColumn) * 4;
            grid->addWidget(look::caption(QStringLiteral("Δόση %1:").arg(dose + 1), field, box), row, column4);
            grid->addWidget(field, row, column4 + 1);
            grid->addWidget(calendar, row, column4 + 2);
            grid->addWidget(clear, row, column4 + 3);
            fields << field;
            calendars << calendar;
            clears << clear;
        }
        grid->setRowStretch(grid->rowCount(), 1);
        grid->setColumnStretch(8, 1); // lines keep to the left of their group
        const QList<QWidget *> order = fields + calendars + clears; // Tab within the group
        for (int i = 1; i < order.size(); ++i)
            setTabOrder(order[i - 1], order[i]);
        groupsGrid->addWidget(box, index / 3, index % 3);
        ++index;
    }
    auto *scroll = new QScrollArea(this);
    scroll->setWidget(groupsPanel);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus); // Tab goes from dose to dose, not to the scrolling
    // The whole record where the screen allows it; scrolling where it is smaller.
    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                          : QRect(0, 0, 1024, 768);
    const QSize wanted = groupsPanel->sizeHint() + QSize(40, 200);

    auto *navigator = new NavigatorBar(m_data, NavigatorBar::Post, this);
    connect(navigator, &NavigatorBar::actionDone, this, [this] { m_data.edit(); });
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
    resize(qMin(wanted.width(), screen.width() - 20), qMin(wanted.height(), screen.height() - 40));
}

void VaccinationWindow::load()
{
    // POLYOMYELITIDA belongs to the health card; it is selected but has no field here.
    openQuery(QStringLiteral("SELECT ID, ") + schema::listedDoseColumns().join(QStringLiteral(", ")) +
              QStringLiteral(", POLYOMYELITIDA FROM STOIXEIA_PAIDIOY where ID=") + ChildID);
    if (!m_data.isEmpty())
        m_data.edit();
}

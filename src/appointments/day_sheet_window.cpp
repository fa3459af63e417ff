#include "appointments/day_sheet_window.h"

#include "ui/bound_fields.h"
#include "ui/navigator_bar.h"
#include "data/schema.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

QString slotCaption(const QString &column)
{
    return column.mid(0, 2) + QLatin1Char(':') + column.mid(2, 2) + QStringLiteral(" - ") + column.mid(5, 2) +
           QLatin1Char(':') + column.mid(7, 2);
}

DaySheetWindow::DaySheetWindow(QWidget *parent)
    : RecordWindow(QStringLiteral("TForm2a"), QStringLiteral("Αναλυτική κατάσταση των ραντεβού"), parent)
{
    m_header = new QLabel(this);
    m_header->setObjectName(QStringLiteral("Label1"));
    m_header->setAlignment(Qt::AlignCenter);
    m_header->setStyleSheet(QStringLiteral("QLabel { color: blue; font-size: 24px; font-weight: bold; }"));

    // The 28 slots, generated from the columns: 1-14 on the left, 15-28 on the right.
    auto *slotsPanel = new QWidget;
    auto *grid = new QGridLayout(slotsPanel);
    grid->setHorizontalSpacing(12);
    const QStringList columns = schema::appointmentSlots();
    for (int i = 0; i < columns.size(); ++i) {
        auto *field = new BoundLineEdit(m_data, columns[i], slotsPanel);
        field->setObjectName(QStringLiteral("DBEdit%1").arg(i + 1));
        field->setFrame(false);
        field->setFixedWidth(217);
        field->setStyleSheet(QStringLiteral("QLineEdit { color: red; background: white; font-weight: bold; }"));
        auto *caption = look::caption(slotCaption(columns[i]), field, slotsPanel);
        caption->setFrameShape(QFrame::Panel);
        caption->setFrameShadow(QFrame::Raised);
        caption->setAlignment(Qt::AlignCenter);
        caption->setMinimumWidth(caption->sizeHint().width() + 12);
        const int column = (i / 14) * 2, row = i % 14;
        grid->addWidget(caption, row, column);
        grid->addWidget(field, row, column + 1);
        m_slots << field;
    }
    auto *scroll = new QScrollArea(this);
    scroll->setWidget(slotsPanel);
    scroll->setWidgetResizable(true);
    scroll->setMinimumSize(slotsPanel->sizeHint().width() + 24, 420);
    look::paint(slotsPanel);

    auto *navigator = new NavigatorBar(m_data, NavigatorBar::Post, this, false);
    QPushButton *exit = look::exitButton(this);
    exit->setObjectName(QStringLiteral("Button29"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_header);
    layout->addWidget(scroll, 1);
    layout->addLayout(look::spreadRow({navigator}, {exit}));

    // Another seat's booking shows at once; what is being typed here is never read over (its
    // store is refused instead, should the other seat have changed the same day meanwhile).
    refreshRowsOnChanges(QStringLiteral("RANTEBOU"), [this] { closeSlotsWithoutRow(); });
}

void DaySheetWindow::closeSlotsWithoutRow()
{
    // Without the day's row the slots stay empty and closed to typing: a row without its
    // date could never be stored.
    for (BoundLineEdit *slot : std::as_const(m_slots))
        slot->setReadOnly(m_data.isEmpty());
}

void DaySheetWindow::openDay(const QString &dateText, QDate day)
{
    m_header->setText(dateText);
    openQuery(QStringLiteral("SELECT * FROM RANTEBOU WHERE HMEROMHNIA=?"), {day});
    closeSlotsWithoutRow();
    if (!m_slots.isEmpty())
        m_slots.first()->setFocus();
}

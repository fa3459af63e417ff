#include "calendar_button.h"

#include "look.h"

#include <QCalendarWidget>
#include <QKeyEvent>

CalendarButton::CalendarButton(QWidget *parent) : QToolButton(parent), m_calendar(new QCalendarWidget(this))
{
    setText(QStringLiteral("▾"));
    setAccessibleName(QStringLiteral("Ημερολόγιο"));
    setFocusPolicy(Qt::StrongFocus);
    m_calendar->setWindowFlags(Qt::Popup);
    m_calendar->setGridVisible(true);
    look::nameCalendarButtons(m_calendar);
    connect(m_calendar, &QCalendarWidget::clicked, this, &CalendarButton::choose);
    connect(m_calendar, &QCalendarWidget::activated, this, &CalendarButton::choose); // Enter
    if (QWidget *days = m_calendar->findChild<QWidget *>(QStringLiteral("qt_calendar_calendarview")))
        days->installEventFilter(this);
    connect(this, &QToolButton::clicked, this, [this] { showCalendar(QDate::currentDate()); });
}

void CalendarButton::showCalendar(const QDate &shown)
{
    m_calendar->setSelectedDate(shown);
    m_calendar->adjustSize();
    m_calendar->move(mapToGlobal(QPoint(0, height())));
    m_calendar->show();
    m_calendar->setFocus(Qt::PopupFocusReason);
}

void CalendarButton::choose(QDate date)
{
    m_calendar->hide();
    setFocus();
    emit chosen(date);
}

bool CalendarButton::eventFilter(QObject *watched, QEvent *event)
{
    // Space chooses the day as Enter does.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Space) {
        choose(m_calendar->selectedDate());
        return true;
    }
    return QToolButton::eventFilter(watched, event);
}

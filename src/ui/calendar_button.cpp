#include "ui/calendar_button.h"

#include "ui/look.h"
#include "data/regional.h"

#include <QCalendarWidget>
#include <QKeyEvent>
#include <QLineEdit>

CalendarButton::CalendarButton(QWidget *parent) : QToolButton(parent), m_calendar(new QCalendarWidget(this))
{
    setText(QStringLiteral("▾"));
    setAccessibleName(QStringLiteral("Ημερολόγιο"));
    setFocusPolicy(Qt::StrongFocus);
    m_calendar->setWindowFlags(Qt::Popup);
    m_calendar->setGridVisible(true);
    // The calendar's own typing read "10/9/18" as a day of 2028 and let half-typed dates through.
    m_calendar->setDateEditEnabled(false);
    look::nameCalendarButtons(m_calendar);
    connect(m_calendar, &QCalendarWidget::clicked, this, &CalendarButton::choose);
    connect(m_calendar, &QCalendarWidget::activated, this, &CalendarButton::choose); // Enter
    if (QWidget *days = m_calendar->findChild<QWidget *>(QStringLiteral("qt_calendar_calendarview")))
        days->installEventFilter(this);
    connect(this, &QToolButton::clicked, this, [this] {
        m_returnTo = this;
        openAtField();
    });
}

void CalendarButton::serve(QLineEdit *field)
{
    m_field = field;
    field->installEventFilter(this);
}

void CalendarButton::setRange(std::function<QDate()> earliest, std::function<QDate()> latest)
{
    m_earliest = std::move(earliest);
    m_latest = std::move(latest);
}

void CalendarButton::openAtField()
{
    std::optional<QDate> shown;
    if (m_field)
        shown = Regional::current().parseDate(m_field->text().trimmed());
    showCalendar(shown ? *shown : QDate::currentDate());
}

void CalendarButton::showCalendar(const QDate &shown)
{
    const QDate earliest = m_earliest ? m_earliest() : QDate(1900, 1, 1);
    const QDate latest = m_latest ? m_latest() : QDate(9999, 12, 31);
    m_calendar->setDateRange(earliest.isValid() ? earliest : QDate(1900, 1, 1), latest);
    m_calendar->setSelectedDate(shown); // a day outside the range shows its nearest end
    m_calendar->adjustSize();
    m_calendar->move(mapToGlobal(QPoint(0, height())));
    m_calendar->show();
    // The days take the keys, however the calendar was opened.
    QWidget *days = m_calendar->findChild<QWidget *>(QStringLiteral("qt_calendar_calendarview"));
    (days ? days : m_calendar)->setFocus(Qt::PopupFocusReason);
}

void CalendarButton::choose(QDate date)
{
    m_calendar->hide();
    m_returnTo->setFocus();
    emit chosen(date);
}

bool CalendarButton::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool dropDown = (key->key() == Qt::Key_Down && key->modifiers() == Qt::AltModifier) ||
                              (key->key() == Qt::Key_F4 && key->modifiers() == Qt::NoModifier);
        if (dropDown) {
            m_returnTo = m_field;
            openAtField();
            return true;
        }
        return false;
    }
    // Space chooses the day as Enter does.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Space) {
        choose(m_calendar->selectedDate());
        return true;
    }
    return QToolButton::eventFilter(watched, event);
}

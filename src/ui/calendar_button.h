#pragma once

#include <QDate>
#include <QToolButton>

class QCalendarWidget;

// A small button that opens a month calendar beneath it. In the calendar the arrows move the
// day, and Enter, Space or a click choose it; Esc closes the calendar alone.
class CalendarButton : public QToolButton {
    Q_OBJECT
public:
    explicit CalendarButton(QWidget *parent = nullptr);
    QCalendarWidget *calendar() const { return m_calendar; }
    void showCalendar(const QDate &shown);

signals:
    void chosen(QDate date);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void choose(QDate date);
    QCalendarWidget *m_calendar;
};

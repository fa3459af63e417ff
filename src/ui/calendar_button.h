#pragma once

#include <QDate>
#include <QToolButton>
#include <functional>

class QCalendarWidget;
class QLineEdit;

// A small button that opens a month calendar beneath it. In the calendar the arrows move the
// day, PageUp/PageDown the month, and Enter, Space or a click choose it; Esc closes the
// calendar alone. Days are chosen, never typed into the calendar: typing belongs to the field.
class CalendarButton : public QToolButton {
    Q_OBJECT
public:
    explicit CalendarButton(QWidget *parent = nullptr);
    QCalendarWidget *calendar() const { return m_calendar; }
    void showCalendar(const QDate &shown);
    // Alt+Down and F4 in `field` open the calendar too, at the field's day.
    void serve(QLineEdit *field);
    // The days the calendar offers, read each time it opens.
    void setRange(std::function<QDate()> earliest, std::function<QDate()> latest);

signals:
    void chosen(QDate date);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void choose(QDate date);
    void openAtField();
    QCalendarWidget *m_calendar;
    QLineEdit *m_field = nullptr;
    QWidget *m_returnTo = this; // where the focus goes back once a day is chosen
    std::function<QDate()> m_earliest;
    std::function<QDate()> m_latest;
};

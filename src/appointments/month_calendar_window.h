#pragma once

#include "ui/window.h"

#include <QDate>
#include <vector>

class QComboBox;
class QFrame;
class QLayout;
class QLabel;

// The slots of a day's row that hold something other than blanks and control characters.
int bookedSlots(Connection &connection, QDate day);

inline constexpr int FirstBookYear = 2008;
inline constexpr int LastBookYear = 2035;

// TForm1a: a month of the appointment book, with the number of booked slots under each day.
class MonthCalendarWindow : public Window {
    Q_OBJECT
public:
    explicit MonthCalendarWindow(QWidget *parent = nullptr);

    void showToday();
    void openDay(int day);

protected:
    QWidget *firstField() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Cell {
        QLabel *day;
        QLabel *count;
    };

    QLayout *monthBand();
    QLayout *monthGrid();
    QFrame *dayCell(int k);
    void rebuild();
    void countAppointments();
    int shownMonth() const;
    int shownYear() const;
    QDate shownMonthStart() const;
    // Day 1 stands in the column of its weekday, Monday first; the other days follow it.
    const Cell &cellOf(int day) const;
    QString dateText(int day) const;

    QDate m_today;
    QComboBox *m_months;
    QComboBox *m_years;
    std::vector<Cell> m_cells;
};

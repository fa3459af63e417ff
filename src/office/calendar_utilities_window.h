#pragma once

#include <QDateTime>

#include "ui/window.h"

class QLabel;
class QLayout;
class QLineEdit;
class QSpinBox;

// The Orthodox Easter of a year from 1583 to 2100 as the window writes it ("είναι 12 Απριλίου"),
// or an empty text for a year outside that range.
QString find_pasxa(int year);

// "Αριθμός ημερών=N" for whole days from `from` to `to`; empty unless `from` is before `to`.
QString daysBetween(const QDateTime &from, const QDateTime &to);

// TForm8: a large month calendar, the date of Easter and the days between two dates.
class CalendarUtilitiesWindow : public Window {
    Q_OBJECT
public:
    explicit CalendarUtilitiesWindow(QWidget *parent = nullptr);

private:
    QLayout *easterRow(int year);
    QLayout *daysRow();
    void easterChanged();
    void datesChanged();

    QSpinBox *m_year;
    QLabel *m_easter;
    QDateTime m_from;
    QDateTime m_to;
    QLineEdit *m_fromText;
    QLineEdit *m_toText;
    QLabel *m_days;
};

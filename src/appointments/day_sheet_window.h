#pragma once

#include "ui/record_window.h"

// TForm2a: one day of the appointment book, 28 half-hour slots from 08:00 to 22:00.
class DaySheetWindow : public RecordWindow {
    Q_OBJECT
public:
    explicit DaySheetWindow(QWidget *parent = nullptr);
    // The day's date text for the header, and the day whose row it opens.
    void openDay(const QString &dateText, QDate day);

private:
    void closeSlotsWithoutRow();

    class QLabel *m_header;
    QList<class BoundLineEdit *> m_slots;
};

// "0800-0830" -> "08:00 - 08:30"
QString slotCaption(const QString &column);

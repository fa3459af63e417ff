#pragma once

#include "ui/record_window.h"

// TForm2a: one day of the appointment book, 28 half-hour slots from 08:00 to 22:00.
class DaySheetWindow : public RecordWindow {
    Q_OBJECT
public:
    explicit DaySheetWindow(QWidget *parent = nullptr);
    // The day's date text for the header, and the day whose row it opens.
    void openDay(const QString &dateText, QDate day);

    // Books `text` from another window: the sheet of `day` (its row made when it has none) with
    // the text typed into the first free slot, for the user to move to another time or day and
    // store with Ctrl+S, or leave unstored with Esc.
    static void book(QDate day, const QString &text, QWidget *parent);

protected:
    QWidget *firstField() override;

private:
    void closeSlotsWithoutRow();
    void offer(const QString &text);
    void moveOfferToSlot(int step);
    void moveOfferToDay(int step);
    void showOffer();

    class QLabel *m_header;
    class QLabel *m_offerNote;
    QList<class BoundLineEdit *> m_slots;
    QDate m_day;
    QString m_offered;
    int m_offeredSlot = -1;
};

// Makes sure the appointment book has the row of `day`, which its slots are stored in.
void addDayRow(Connection &connection, QDate day);

// "0800-0830" -> "08:00 - 08:30"
QString slotCaption(const QString &column);

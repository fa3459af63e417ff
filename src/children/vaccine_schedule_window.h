#pragma once

#include "ui/record_window.h"

class SetPages;

// «Πρόγραμμα εμβολιασμών»: the schedule versions the practice keeps, each with its circular and
// date, and the doses of each. The version in force is never changed in place: the doctor makes
// a copy under a new name and date, edits its doses, and puts it in force once it stands.
class VaccineScheduleWindow : public RecordWindow {
    Q_OBJECT
public:
    explicit VaccineScheduleWindow(QWidget *parent = nullptr);
    DataSet &doses() { return m_doses; }

    void copyVersion();
    void putInForce();

private:
    QWidget *versionsPage();
    QWidget *dosesPage();
    void readDoses();
    qint64 version() const;
    bool inForce() const;
    void refuseInForce() const;
    // The version's doses as the list holds them, without the row `leaving` (-1: none), checked
    // with its rules and products; throws naming what cannot stand.
    void checkDoses(int leaving);

    DataSet m_doses{m_connection, this};
    SetPages *m_pages;
};

#pragma once

#include "ui/child_window.h"
#include "clinical/vaccine_schedule.h"

#include <QDate>

class BoundChoice;
class SetPages;
class QTableWidget;

// TForm21: the date of every vaccine dose of one child, typed or chosen in calendars; the doses
// the child's row has no column for and those not given, with the reason; and where every series
// of the schedule in force stands today.
class VaccinationWindow : public ChildWindow {
    Q_OBJECT
public:
    explicit VaccinationWindow(QWidget *parent = nullptr);
    DataSet &otherDoses() { return m_other; }
    void printCertificate();

protected:
    void load() override;

private:
    QWidget *scheduleDosesPage();
    QWidget *otherDosesPage();
    QTableWidget *seriesStates();
    void checkOtherDose();
    void showStates();

    QDate m_birth; // the first day a dose may have
    clinical::Schedule m_schedule;
    DataSet m_other{m_connection, this}; // EMBOLIA_EPIPLEON, the child's rows
    SetPages *m_parts = nullptr;
    QTableWidget *m_states = nullptr;
    BoundChoice *m_series = nullptr;
    BoundChoice *m_product = nullptr;
};

#pragma once

#include "ui/record_window.h"
#include "printing/report_project.h"

#include <QDate>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// «Εμβόλια που οφείλονται»: the children whose next dose of a series falls due by the end of a
// period (the coming month unless changed), overdue ones included, with the guardian's phone;
// sorted as chosen, printed, and a line turned into a reminder or an appointment.
class DueVaccinesWindow : public RecordWindow {
    Q_OBJECT
public:
    explicit DueVaccinesWindow(QWidget *parent = nullptr);

    void search();
    void print();
    void remindOfCurrent();
    void bookCurrent();

private:
    void sortChosen();
    QString currentChild() const;
    QString currentDose() const;
    QDate currentDueDay() const;

    QLineEdit *m_from;
    QLineEdit *m_to;
    QComboBox *m_sort;
    QLabel *m_count;
    QPushButton *m_print;
    QPushButton *m_remind;
    QPushButton *m_appointment;
    ReportProject m_project;
};

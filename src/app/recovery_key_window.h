#pragma once

#include "data/dataset.h"
#include "printing/report_project.h"
#include "ui/window.h"

class QPushButton;

// Shows the recovery key made with the access password, once: the doctor prints it or writes
// it down and keeps it in a safe place; the program keeps it nowhere.
class RecoveryKeyWindow : public Window {
    Q_OBJECT
public:
    explicit RecoveryKeyWindow(const QString &recoveryKey, QWidget *parent = nullptr);
    void reject() override {} // left only through "Συνέχεια", so that the key is not lost by a slip

protected:
    QWidget *firstField() override;

private:
    void print();

    QString m_recoveryKey;
    QPushButton *m_proceed = nullptr;
    DataSet m_sheet{m_connection, this};
    ReportProject m_project;
};

// Shows a new recovery key once; it counts from «Συνέχεια» on, and the one before it stops
// working then.
void showRecoveryKey(const QString &recoveryKey, QWidget *parent);
// A practice whose recovery key was never confirmed (the program was ended while it was shown)
// gets a new one now.
void ensureRecoveryKey(QWidget *parent);

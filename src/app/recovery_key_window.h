#pragma once

#include "connection.h"
#include "dataset.h"
#include "report_project.h"

#include <QDialog>

// Shows the recovery key made with the access password, once: the doctor prints it or writes
// it down and keeps it in a safe place; the program keeps it nowhere.
class RecoveryKeyWindow : public QDialog {
    Q_OBJECT
public:
    explicit RecoveryKeyWindow(const QString &recoveryKey, QWidget *parent = nullptr);
    void reject() override {} // left only through "Συνέχεια", so that the key is not lost by a slip

private:
    void print();

    QString m_recoveryKey;
    Connection m_connection;
    DataSet m_sheet{m_connection};
    ReportProject m_project;
};

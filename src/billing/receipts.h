#pragma once

#include "data/connection.h"
#include "data/dataset.h"
#include "printing/report_project.h"

#include <QDialog>

struct ChildHandover;

// A receipt stores the amount as typed (POSO_CY, the one shown and summed) and the same amount
// times this fixed factor (POSO), the figure the practice's earlier bookkeeping kept.
inline constexpr double ReceiptAmountFactor = 1.7086;

// What the receipt issue records: the payment, the receipt and the raised counter, as one
// transaction, so that either all three change or none does. Returns the receipt's number.
struct ReceiptEntry {
    QString childId, childName, childSurname;
    double amount = 0; // EUR, as typed
    QString description, recipient, fund;
};
int recordReceipt(Connection &connection, const ReceiptEntry &entry);

// TForm72: prints one receipt, with the letterhead, by its number. Lives for the whole run.
class ReceiptPrinter : public QObject {
    Q_OBJECT
public:
    explicit ReceiptPrinter(QObject *parent = nullptr);
    void PrintReceipt(int number, QWidget *window = nullptr);

private:
    Connection m_connection;
    DataSet m_receipt{m_connection};
    DataSet m_letterhead{m_connection};
    ReportProject m_project;
};

// TForm23: the prescription form and the sick-leave certificate, carrying the letterhead.
class CertificatePrinter : public QObject {
    Q_OBJECT
public:
    explicit CertificatePrinter(QObject *parent = nullptr);
    void printPrescription(QWidget *window = nullptr);
    void printSickNote(QWidget *window = nullptr);

private:
    void print(ReportProject &project, const QString &file, QWidget *window);

    Connection m_connection;
    DataSet m_prescriptionLetterhead{m_connection};
    DataSet m_sickNoteLetterhead{m_connection};
    ReportProject m_prescription;
    ReportProject m_sickNote;
};

#pragma once

#include "ui/child_window.h"
#include "ui/date_range_criteria.h"
#include "ui/record_window.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class ReceiptPrinter;

// TForm9: sets the number the first receipt will carry; only while the counter is empty.
class ReceiptNumberingWindow : public RecordWindow {
    Q_OBJECT
public:
    explicit ReceiptNumberingWindow(QWidget *parent = nullptr);
};

// TForm56: records a payment of the child the register hands over, and prints its receipt.
class ReceiptIssueWindow : public Window {
    Q_OBJECT
public:
    ReceiptIssueWindow(ReceiptPrinter &printer, QWidget *parent = nullptr);
    QString ChildID;
    QString ChildName;
    QString ChildSurname;
    void issue();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void fieldsChanged();
    void refuseAmount(const QString &message);

    ReceiptPrinter &m_printer;
    QLabel *m_name;
    QLabel *m_surname;
    QLabel *m_number;
    QLineEdit *m_amount;
    QLineEdit *m_description;
    QLineEdit *m_recipient;
    QLineEdit *m_fund;
    QLabel *m_refusal; // why the store button waits, when a character is at fault
    QPushButton *m_issue;
};

// TForm71: every receipt issued; reprints a valid one, cancels one.
class ReceiptRegisterWindow : public RecordWindow {
    Q_OBJECT
public:
    ReceiptRegisterWindow(ReceiptPrinter &printer, QWidget *parent = nullptr);
    void printCurrent();
    void cancelCurrent();

private:
    void load();
    void applyButtonRule();

    ReceiptPrinter &m_printer;
    QLabel *m_count;
    QLabel *m_cancelled; // why printing and cancelling wait
    QPushButton *m_print;
    QPushButton *m_cancel;
    QButtonGroup *m_sort;
};

// TForm57: what one child has paid.
class ChildIncomeWindow : public ChildWindow {
    Q_OBJECT
public:
    explicit ChildIncomeWindow(QWidget *parent = nullptr);

protected:
    void load() override;

private:
    QLabel *m_count;
    QLabel *m_total;
};

// TForm59: the income of valid receipts between two dates.
class IncomeBetweenDatesWindow : public Window {
    Q_OBJECT
public:
    explicit IncomeBetweenDatesWindow(QWidget *parent = nullptr);
    void search();

private:
    std::optional<DateRangeCriteria> m_dates;
    QPushButton *m_search;
    QLabel *m_total;
    QLabel *m_refusal; // a character the dates may not hold
};

// TForm73: the practice's letterhead, previewed on a receipt.
class LetterheadWindow : public RecordWindow {
    Q_OBJECT
public:
    LetterheadWindow(ReceiptPrinter &printer, QWidget *parent = nullptr);
    void preview();

private:
    ReceiptPrinter &m_printer;
};

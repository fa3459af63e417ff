#pragma once

#include "data/dataset.h"
#include "printing/report_project.h"
#include "ui/date_range_criteria.h"
#include "ui/window.h"

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

// TForm14 (expenses between two dates) and TForm15 (expenses by month between two years).
// Both live for the whole run and print the criteria of their last search.
class ExpenseReportWindow : public Window {
    Q_OBJECT
public:
    enum class Kind { ByDate, ByMonth };
    ExpenseReportWindow(Kind kind, QWidget *parent = nullptr);

    void search();
    void print();

protected:
    void done(int result) override;

private:
    class RecordList *buildList(bool byDate);
    class QGridLayout *buildSums();
    QString listStatement() const;
    QString totalsStatement() const;
    QString ratesStatement() const;
    void refuse();

    Kind m_kind;
    DataSet m_list{m_connection, this};
    DataSet m_totals{m_connection, this};
    DataSet m_reportList{m_connection, this};
    DataSet m_reportTotals{m_connection, this};
    DataSet m_reportRates{m_connection, this}; // the sums of each VAT rate, under the totals
    ReportProject m_project;
    QVariantList m_bounds; // the last search's criteria: two dates or two years
    QString m_period[2]; // the same criteria as the printout states them
    std::optional<DateRangeCriteria> m_criteria; // dates, or years by month
    QPushButton *m_search;
    QPushButton *m_print;
    QLabel *m_sums[3];
    QLabel *m_refusal; // what is wrong with the criteria, beside them
};

#pragma once

#include "ui/child_window.h"
#include "ui/dataset_model.h"
#include "printing/report_project.h"

class QGridLayout;
class QLabel;
class QLayout;
class QVBoxLayout;
class RecordList;

// What tells the visits, laboratory tests and growth measurements windows apart.
struct HistoryEntryField {
    QString caption;
    QString column;
    int width; // 0: wide
    QString marker;
};

struct ChildHistory {
    QString objectName;
    QString title;
    QString table;
    std::vector<HistoryEntryField> entry;
    QString listStatement; // ?1 the child's ID; followed by `listOrder`
    QString listOrder;
    std::vector<ListColumn> listColumns;
    QString countNoun;
    bool growth = false; // WHO z-scores in the list, growth curves

    static const ChildHistory &visits();
    static const ChildHistory &labTests();
    static const ChildHistory &measurements();
};

// TFORM17A, TForm17C, TForm69: an entry form that only adds rows for the child, over a list of
// the child's rows that only deletes.
class ChildHistoryWindow : public ChildWindow {
    Q_OBJECT
public:
    ChildHistoryWindow(const ChildHistory &history, QWidget *parent = nullptr);
    DataSet &list() { return m_list; }

protected:
    void load() override;

private:
    QGridLayout *entryForm(QWidget *&first);
    RecordList *historyList();
    QLayout *listCommands();
    void addGrowthLines(QVBoxLayout *layout);
    void beginNewRow();
    void runList();

    void markImplausibleRows();
    void printGrowthTable();

    const ChildHistory &m_history;
    DataSet m_list{m_connection, this};
    RecordList *m_listView;
    QLabel *m_count;
    QLabel *m_check = nullptr;
    QVariant m_childSex;                 // "ΑΡΡΕΝ" / "ΘΗΛΥ", or NULL
    QVariant m_childBirth;               // the birth date, or NULL
    DataSet m_growthTable{m_connection, this}; // RvDataSetConnectionGrowth, for GROWTH.RAV
    ReportProject m_growthReport;
};

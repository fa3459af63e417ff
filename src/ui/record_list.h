#pragma once

#include "ui/dataset_model.h"

#include <QTableView>

class DataSet;

// The grid of a record editor: follows the set's current row, moves it on a click or a key,
// never edits; Ctrl+Delete deletes as the window's record bar does, with its question, unless
// the list is read-only.
class RecordList : public QTableView {
    Q_OBJECT
public:
    RecordList(DataSet &data, std::vector<ListColumn> columns, QWidget *parent = nullptr);
    void setDeleteAllowed(bool allowed) { m_deleteAllowed = allowed; }
    // As wide as its columns, so that none is hidden behind a scroll bar.
    void fitWidthToColumns();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void followCurrentRow();
    void fitColumnsToView();
    void moveDataSet(const QModelIndex &current);
    void deleteCurrentRow();

    DataSet &m_data;
    DataSetModel *m_model;
    bool m_deleteAllowed = true;
    bool m_following = false;
    std::vector<int> m_wantedWidths; // as given, before a narrow view shrinks the text columns
};

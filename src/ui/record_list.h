#pragma once

#include "data/dataset.h"
#include "ui/dataset_model.h"

#include <QPointer>
#include <QTableView>

// The grid of a record editor: follows the set's current row, moves it on a click or a key,
// never edits; Ctrl+Delete deletes as the window's record bar does, with its question, unless
// the list is read-only.
class RecordList : public QTableView {
    Q_OBJECT
public:
    RecordList(DataSet &data, std::vector<ListColumn> columns, QWidget *parent = nullptr);
    void setDeleteAllowed(bool allowed) { m_deleteAllowed = allowed; }
    // Tab stops at the list (a window where nothing is typed); elsewhere Tab goes field to field.
    void setTabStop() { setFocusPolicy(Qt::StrongFocus); }
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

    QPointer<DataSet> m_data; // null once the set is gone
    DataSetModel *m_model;
    bool m_deleteAllowed = true;
    bool m_following = false;
    bool m_rowsMoving = false;       // a row was added or dropped; the view settles after the set
    std::vector<int> m_wantedWidths; // as given, before a narrow view shrinks the text columns
};

#pragma once

#include "data/dataset.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <functional>
#include <vector>

// One column of a record list: the field it shows, its bold centred title, its width in
// pixels (0: natural width, elided beyond a limit), the alignment of its values and, for an
// amount, its decimals.
struct ListColumn {
    QString field;
    QString title;
    int width = 0;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    // How a value reads (display text, colour, hint by role); by default its display text.
    std::function<QVariant(const QVariant &value, int role)> present = {};
    int decimals = -1; // an amount's fixed decimals
};

// How a list or a field shows a stored value: an amount with its fixed decimals.
QString shownValue(const QVariant &value, int decimals);

// The rows of a DataSet as a table for a view; it follows every change of the set.
class DataSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    DataSetModel(DataSet &data, std::vector<ListColumn> columns, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    const ListColumn &column(int section) const { return m_columns.at(size_t(section)); }

private:
    void findFields();

    QPointer<DataSet> m_data; // null once the set is gone
    std::vector<ListColumn> m_columns;
    std::vector<int> m_fields; // the set's column of each list column, found once per reset
    bool m_resetting = false;
};

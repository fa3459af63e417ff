#include "ui/dataset_model.h"

#include "data/dataset.h"
#include "data/global.h"
#include "data/regional.h"

#include <QFont>

DataSetModel::DataSetModel(DataSet &data, std::vector<ListColumn> columns, QObject *parent)
    : QAbstractTableModel(parent), m_data(data), m_columns(std::move(columns))
{
    connect(&data, &DataSet::reset, this, [this] {
        beginResetModel();
        findFields();
        endResetModel();
    });
    findFields();
    connect(&data, &DataSet::rowInserted, this, [this](int row) {
        // The set has the row already; a reset keeps the view consistent at no real cost.
        Q_UNUSED(row);
        beginResetModel();
        endResetModel();
    });
    connect(&data, &DataSet::rowRemoved, this, [this](int) {
        beginResetModel();
        endResetModel();
    });
    connect(&data, &DataSet::rowChanged, this, [this](int row) {
        if (row >= 0)
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
    const auto indicatorMoved = [this] { emit headerDataChanged(Qt::Vertical, 0, qMax(0, rowCount() - 1)); };
    connect(&data, &DataSet::currentChanged, this, indicatorMoved);
    connect(&data, &DataSet::stateChanged, this, indicatorMoved);
}

void DataSetModel::findFields()
{
    m_fields.clear();
    for (const ListColumn &c : m_columns)
        m_fields.push_back(m_data.isOpen() ? m_data.fieldIndex(c.field) : -1);
}

int DataSetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_data.isOpen() ? 0 : m_data.recordCount();
}

int DataSetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QString shownValue(const QVariant &value, int decimals)
{
    bool number = false;
    const double amount = value.toDouble(&number);
    if (decimals < 0 || !number || value.isNull() || value.typeId() == QMetaType::QString)
        return displayText(value);
    return Regional::current().formatFixed(amount, decimals);
}

QVariant DataSetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const ListColumn &c = column(index.column());
    const int field = m_fields[size_t(index.column())];
    if (c.present && (role == Qt::DisplayRole || role == Qt::ForegroundRole || role == Qt::ToolTipRole))
        return field < 0 ? QVariant() : c.present(m_data.value(index.row(), field), role);
    if (role == Qt::DisplayRole)
        return field < 0 ? QVariant() : QVariant(shownValue(m_data.value(index.row(), field), c.decimals));
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(c.alignment);
    return {};
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole)
            return column(section).title;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignCenter);
        if (role == Qt::FontRole) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    }
    // The row indicator marks the current row, with a star while it is being inserted.
    if (role == Qt::DisplayRole) {
        if (section != m_data.currentRow())
            return QString();
        if (m_data.state() == DataSet::State::Insert)
            return QStringLiteral("✱");
        return m_data.state() == DataSet::State::Edit ? QStringLiteral("✎") : QStringLiteral("▶");
    }
    return {};
}

#include "ui/dataset_model.h"

#include "data/dataset.h"
#include "data/global.h"
#include "data/regional.h"

#include <QFont>

DataSetModel::DataSetModel(DataSet &data, std::vector<ListColumn> columns, QObject *parent)
    : QAbstractTableModel(parent), m_data(&data), m_columns(std::move(columns))
{
    // The set announces each change before it makes it: the views keep their selection and
    // place, and only the rows that moved are told.
    connect(&data, &DataSet::aboutToReset, this, [this] {
        beginResetModel();
        m_resetting = true;
    });
    connect(&data, &DataSet::reset, this, [this] {
        if (!m_resetting)
            beginResetModel();
        findFields();
        m_resetting = false;
        endResetModel();
    });
    findFields();
    connect(&data, &DataSet::aboutToInsertRow, this, [this](int row) { beginInsertRows({}, row, row); });
    connect(&data, &DataSet::rowInserted, this, [this] { endInsertRows(); });
    connect(&data, &DataSet::aboutToRemoveRow, this, [this](int row) { beginRemoveRows({}, row, row); });
    connect(&data, &DataSet::rowRemoved, this, [this] { endRemoveRows(); });
    connect(&data, &DataSet::rowChanged, this, [this](int row) {
        if (row >= 0)
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
    // Widgets may outlive a set their window declared after them: the rows go with it.
    connect(&data, &QObject::destroyed, this, [this] {
        beginResetModel();
        m_fields.assign(m_columns.size(), -1);
        endResetModel();
    });
    const auto indicatorMoved = [this] {
        if (rowCount() > 0)
            emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    };
    connect(&data, &DataSet::currentChanged, this, indicatorMoved);
    connect(&data, &DataSet::stateChanged, this, indicatorMoved);
}

void DataSetModel::findFields()
{
    m_fields.clear();
    for (const ListColumn &c : m_columns)
        m_fields.push_back(m_data && m_data->isOpen() ? m_data->fieldIndex(c.field) : -1);
}

int DataSetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_data || !m_data->isOpen() ? 0 : m_data->recordCount();
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
    const int field = m_data ? m_fields[size_t(index.column())] : -1;
    if (c.present && (role == Qt::DisplayRole || role == Qt::ForegroundRole || role == Qt::ToolTipRole))
        return field < 0 ? QVariant() : c.present(m_data->value(index.row(), field), role);
    if (role == Qt::DisplayRole)
        return field < 0 ? QVariant() : QVariant(shownValue(m_data->value(index.row(), field), c.decimals));
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
        if (!m_data || section != m_data->currentRow())
            return QString();
        if (m_data->state() == DataSet::State::Insert)
            return QStringLiteral("✱");
        return m_data->state() == DataSet::State::Edit ? QStringLiteral("✎") : QStringLiteral("▶");
    }
    return {};
}

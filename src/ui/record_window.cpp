#include "ui/record_window.h"

#include "ui/bound_fields.h"

RecordWindow::RecordWindow(const QString &objectName, const QString &title, QWidget *parent, const QColor &background)
    : Window(objectName, title, parent, background)
{
}

void RecordWindow::openTable(const QString &table, const QString &sort)
{
    connectToDatabase();
    m_data.setTableName(table);
    m_data.open();
    if (!sort.isEmpty())
        m_data.setSort(sort);
}

void RecordWindow::openTableForAppend(const QString &table)
{
    connectToDatabase();
    m_data.setTableName(table);
    m_data.openForAppend();
}

void RecordWindow::openQuery(const QString &jetSql, const QString &sort)
{
    openQuery(jetSql, {}, sort);
}

void RecordWindow::openQuery(const QString &jetSql, const QVariantList &values, const QString &sort)
{
    connectToDatabase();
    m_data.setSql(jetSql, values);
    m_data.open();
    if (!sort.isEmpty())
        m_data.setSort(sort);
}

BoundLineEdit *RecordWindow::boundLine(const QString &column, const QString &name, int width)
{
    auto *field = new BoundLineEdit(m_data, column, this);
    field->setObjectName(name.isEmpty() ? column : name);
    if (width > 0)
        field->setFixedWidth(width);
    return field;
}

BoundMemo *RecordWindow::boundMemo(const QString &column, const QString &name)
{
    auto *memo = new BoundMemo(m_data, column, this);
    memo->setObjectName(name.isEmpty() ? column : name);
    return memo;
}

void RecordWindow::refreshRowsOnChanges(const QString &table, std::function<void()> then)
{
    refreshOnChanges({table}, [this, then = std::move(then)] {
        if (!m_data.isOpen())
            return;
        m_data.refresh();
        if (then)
            then();
    });
}

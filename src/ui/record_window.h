#pragma once

#include "data/dataset.h"
#include "ui/window.h"

class BoundLineEdit;
class BoundMemo;

// What every record editor window shares beyond any window: its set, opened when the window
// is made and closed when it closes (a change not stored is dropped without a question).
class RecordWindow : public Window {
    Q_OBJECT
public:
    RecordWindow(const QString &objectName, const QString &title, QWidget *parent = nullptr,
                 const QColor &background = look::SkyBlue);

    DataSet &data() { return m_data; }

protected:
    void openTable(const QString &table, const QString &sort = {});
    void openQuery(const QString &jetSql, const QString &sort = {});
    void openQuery(const QString &jetSql, const QVariantList &values, const QString &sort = {});
    // The table's columns without its rows, for a window that only adds.
    void openTableForAppend(const QString &table);
    // A field over `column` of the window's set, named `name` (the column's own name when none is
    // given); a positive `width` is its fixed width.
    BoundLineEdit *boundLine(const QString &column, const QString &name = {}, int width = 0);
    BoundMemo *boundMemo(const QString &column, const QString &name = {});
    // Reads the set again when another seat changes `table` (see Window::refreshOnChanges),
    // keeping the current row; `then` follows what the window derives from the rows.
    void refreshRowsOnChanges(const QString &table, std::function<void()> then = {});

    DataSet m_data{m_connection, this};
};

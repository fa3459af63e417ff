#pragma once

#include <QStringView>
#include <QVariant>
#include <cstdint>
#include <string>
#include <vector>

struct sqlite3_stmt;
enum class FieldType;

// The rows of a result set in memory, compactly: one flat array of 16-byte cells and one
// buffer holding every text, so that a register of 100,000 children loads without a memory
// allocation per value. Texts are appended, never moved, so a cell kept aside (an edit's
// original values) stays valid.
class RowStore {
public:
    struct Cell {
        enum class Kind : std::uint8_t { Null, Integer, Double, Boolean, Date, Text };
        Kind kind = Kind::Null;
        std::uint32_t length = 0; // characters of a text
        union {
            qint64 integer = 0; // also a boolean, a Julian day or a text's offset
            double real;
        };
    };

    void reset(int columns);
    int rowCount() const { return int(m_rowIds.size()); }
    int columnCount() const { return m_columns; }

    qint64 rowId(int row) const { return m_rowIds[size_t(row)]; }
    void setRowId(int row, qint64 id) { m_rowIds[size_t(row)] = id; }

    QVariant value(int row, int column) const;
    QVariant valueOf(const Cell &cell) const; // a cell of this store, kept aside or not
    QStringView text(int row, int column) const; // empty unless the cell holds a text
    const Cell &cell(int row, int column) const { return m_cells[index(row, column)]; }
    void setValue(int row, int column, const QVariant &value);
    // The engine's value of a statement column, read as the field's type.
    void setFromEngine(int row, int column, sqlite3_stmt *stmt, int statementColumn, FieldType type);

    void appendRow(qint64 rowId = 0);
    void insertRow(int at);
    void removeRow(int at);
    std::vector<Cell> rowCells(int row) const;
    void setRowCells(int row, const std::vector<Cell> &cells);
    // Reorders the rows: row i of the result is the former row order[i].
    void permute(const std::vector<size_t> &order);

private:
    size_t index(int row, int column) const { return size_t(row) * size_t(m_columns) + size_t(column); }
    Cell storeText(const char *utf8, int bytes);
    Cell storeText(QStringView text);

    int m_columns = 0;
    std::vector<Cell> m_cells;
    std::vector<qint64> m_rowIds;
    std::u16string m_text;
};

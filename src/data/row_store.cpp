#include "row_store.h"

#include "dataset.h"
#include "regional.h"

#include <QDate>
#include <sqlite3.h>

namespace {

using Cell = RowStore::Cell;

Cell integerCell(Cell::Kind kind, qint64 value)
{
    Cell cell;
    cell.kind = kind;
    cell.integer = value;
    return cell;
}

Cell realCell(double value)
{
    Cell cell;
    cell.kind = Cell::Kind::Double;
    cell.real = value;
    return cell;
}

} // namespace

void RowStore::reset(int columns)
{
    m_columns = columns;
    m_cells.clear();
    m_rowIds.clear();
    m_text.clear();
}

QVariant RowStore::value(int row, int column) const
{
    return valueOf(cell(row, column));
}

QVariant RowStore::valueOf(const Cell &c) const
{
    switch (c.kind) {
    case Cell::Kind::Null: return {};
    case Cell::Kind::Integer: return c.integer == qint64(int(c.integer)) ? QVariant(int(c.integer)) : QVariant(c.integer);
    case Cell::Kind::Double: return c.real;
    case Cell::Kind::Boolean: return c.integer != 0;
    case Cell::Kind::Date: return QDate::fromJulianDay(c.integer);
    case Cell::Kind::Text: return QString(reinterpret_cast<const QChar *>(m_text.data() + c.integer), qsizetype(c.length));
    }
    return {};
}

QStringView RowStore::text(int row, int column) const
{
    const Cell &c = cell(row, column);
    if (c.kind != Cell::Kind::Text)
        return {};
    return QStringView(m_text.data() + c.integer, qsizetype(c.length));
}

Cell RowStore::storeText(QStringView text)
{
    Cell cell;
    cell.kind = Cell::Kind::Text;
    cell.integer = qint64(m_text.size());
    cell.length = std::uint32_t(text.size());
    m_text.append(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()));
    return cell;
}

Cell RowStore::storeText(const char *utf8, int bytes)
{
    // UTF-8 straight into the text buffer, without a QString in between: a text never needs
    // more UTF-16 units than it has bytes.
    Cell cell;
    cell.kind = Cell::Kind::Text;
    const size_t start = m_text.size();
    cell.integer = qint64(start);
    m_text.resize(start + size_t(bytes));
    char16_t *out = m_text.data() + start;
    const auto *s = reinterpret_cast<const unsigned char *>(utf8);
    const auto at = [&](int i) { return i < bytes ? char32_t(s[i] & 0x3F) : 0; };
    for (int i = 0; i < bytes;) {
        const unsigned char b = s[i];
        if (b < 0x80) {
            *out++ = b;
            i += 1;
            continue;
        }
        char32_t c;
        if ((b & 0xE0) == 0xC0) {
            c = (char32_t(b & 0x1F) << 6) | at(i + 1);
            i += 2;
        } else if ((b & 0xF0) == 0xE0) {
            c = (char32_t(b & 0x0F) << 12) | (at(i + 1) << 6) | at(i + 2);
            i += 3;
        } else {
            c = (char32_t(b & 0x07) << 18) | (at(i + 1) << 12) | (at(i + 2) << 6) | at(i + 3);
            i += 4;
        }
        if (c > 0xFFFF) {
            *out++ = QChar::highSurrogate(c);
            *out++ = QChar::lowSurrogate(c);
        } else {
            *out++ = char16_t(c);
        }
    }
    const size_t end = size_t(out - m_text.data());
    m_text.resize(end);
    cell.length = std::uint32_t(end - start);
    return cell;
}

void RowStore::setValue(int row, int column, const QVariant &value)
{
    Cell &target = m_cells[index(row, column)];
    if (value.isNull()) {
        target = Cell{};
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool: target = integerCell(Cell::Kind::Boolean, value.toBool()); break;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt: target = integerCell(Cell::Kind::Integer, value.toLongLong()); break;
    case QMetaType::Double:
    case QMetaType::Float: target = realCell(value.toDouble()); break;
    case QMetaType::QDate: target = integerCell(Cell::Kind::Date, value.toDate().toJulianDay()); break;
    default: target = storeText(value.toString()); break;
    }
}

void RowStore::setFromEngine(int row, int column, sqlite3_stmt *stmt, int statementColumn, FieldType type)
{
    const int storage = sqlite3_column_type(stmt, statementColumn);
    Cell result;
    switch (storage) {
    case SQLITE_NULL: break;
    case SQLITE_INTEGER: {
        const qint64 v = sqlite3_column_int64(stmt, statementColumn);
        result = type == FieldType::Double    ? realCell(double(v))
                 : type == FieldType::Boolean ? integerCell(Cell::Kind::Boolean, v != 0)
                                              : integerCell(Cell::Kind::Integer, v);
        break;
    }
    case SQLITE_FLOAT: result = realCell(sqlite3_column_double(stmt, statementColumn)); break;
    default: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, statementColumn));
        const int bytes = sqlite3_column_bytes(stmt, statementColumn);
        const QDate date = type == FieldType::Date && bytes == 10 ? storedDate({text, size_t(bytes)}) : QDate();
        if (date.isValid())
            result = integerCell(Cell::Kind::Date, date.toJulianDay());
        else
            result = storeText(text, bytes);
        break;
    }
    }
    m_cells[index(row, column)] = result;
}

void RowStore::appendRow(qint64 rowId)
{
    m_cells.resize(m_cells.size() + size_t(m_columns));
    m_rowIds.push_back(rowId);
}

void RowStore::insertRow(int at)
{
    m_cells.insert(m_cells.begin() + qsizetype(index(at, 0)), size_t(m_columns), Cell{});
    m_rowIds.insert(m_rowIds.begin() + at, 0);
}

void RowStore::removeRow(int at)
{
    const auto first = m_cells.begin() + qsizetype(index(at, 0));
    m_cells.erase(first, first + m_columns);
    m_rowIds.erase(m_rowIds.begin() + at);
}

std::vector<Cell> RowStore::rowCells(int row) const
{
    const auto first = m_cells.begin() + qsizetype(index(row, 0));
    return std::vector<Cell>(first, first + m_columns);
}

void RowStore::setRowCells(int row, const std::vector<Cell> &cells)
{
    std::copy(cells.begin(), cells.end(), m_cells.begin() + qsizetype(index(row, 0)));
}

void RowStore::permute(const std::vector<size_t> &order)
{
    std::vector<Cell> cells;
    std::vector<qint64> rowIds;
    cells.reserve(m_cells.size());
    rowIds.reserve(m_rowIds.size());
    for (const size_t from : order) {
        const auto first = m_cells.begin() + qsizetype(from * size_t(m_columns));
        cells.insert(cells.end(), first, first + m_columns);
        rowIds.push_back(m_rowIds[from]);
    }
    m_cells = std::move(cells);
    m_rowIds = std::move(rowIds);
}

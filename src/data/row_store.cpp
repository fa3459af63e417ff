#include "data/row_store.h"

#include "data/dataset.h"
#include "data/regional.h"

#include <QDate>
#include <cstdlib>
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
    // Freed blocks stay with the allocator for the next opening: trimming the heap here gave the
    // memory back but made every later opening of the register fault it all in again (twice
    // the time to fill the grid).
    m_columns = columns;
    m_cellBlocks = decltype(m_cellBlocks)();
    m_rowIds = decltype(m_rowIds)();
    m_textBlocks = decltype(m_textBlocks)();
    m_textUsed = 0;
    m_textCapacity = 0;
}

const char16_t *RowStore::textStart(const Cell &cell) const
{
    return m_textBlocks[size_t(cell.integer >> 32)].get() + (cell.integer & 0xFFFFFFFF);
}

RowStore::Cell *RowStore::newCellBlock() const
{
    auto *block = static_cast<Cell *>(std::malloc(std::max<size_t>(1, RowsPerBlock * size_t(m_columns) * sizeof(Cell))));
    if (!block)
        throw std::bad_alloc();
    return block;
}

void RowStore::addRowSpace()
{
    if (size_t(rowCount()) / RowsPerBlock >= m_cellBlocks.size())
        m_cellBlocks.emplace_back(newCellBlock());
}

char16_t *RowStore::textSpace(size_t units, Cell &cell)
{
    if (m_textBlocks.empty() || m_textCapacity - m_textUsed < units) {
        // A text longer than a block gets a block of its own.
        m_textCapacity = std::max(TextBlockUnits, units);
        m_textBlocks.emplace_back(new char16_t[m_textCapacity]);
        m_textUsed = 0;
    }
    cell.kind = Cell::Kind::Text;
    cell.integer = qint64((m_textBlocks.size() - 1) << 32 | m_textUsed);
    return m_textBlocks.back().get() + m_textUsed;
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
    case Cell::Kind::Text: return QString(reinterpret_cast<const QChar *>(textStart(c)), qsizetype(c.length));
    }
    return {};
}

QStringView RowStore::text(int row, int column) const
{
    const Cell &c = cell(row, column);
    if (c.kind != Cell::Kind::Text)
        return {};
    return QStringView(textStart(c), qsizetype(c.length));
}

Cell RowStore::storeText(QStringView text)
{
    Cell cell;
    const size_t units = size_t(text.size());
    std::copy_n(reinterpret_cast<const char16_t *>(text.utf16()), units, textSpace(units, cell));
    m_textUsed += units;
    cell.length = std::uint32_t(units);
    return cell;
}

Cell RowStore::storeText(const char *utf8, int bytes)
{
    // UTF-8 straight into the text buffer, without a QString in between: a text never needs
    // more UTF-16 units than it has bytes.
    Cell cell;
    char16_t *const start = textSpace(size_t(bytes), cell);
    char16_t *out = start;
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
    const auto units = size_t(out - start);
    m_textUsed += units;
    cell.length = std::uint32_t(units);
    return cell;
}

void RowStore::setValue(int row, int column, const QVariant &value)
{
    Cell &target = rowStart(row)[column];
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
    rowStart(row)[column] = engineCell(stmt, statementColumn, type);
}

void RowStore::appendFromEngine(qint64 rowId, sqlite3_stmt *stmt, int firstColumn, const std::vector<FieldType> &types)
{
    addRowSpace();
    m_rowIds.push_back(rowId);
    Cell *row = rowStart(rowCount() - 1);
    for (int c = 0; c < m_columns; ++c)
        row[c] = engineCell(stmt, firstColumn + c, types[size_t(c)]);
}

RowStore::Cell RowStore::engineCell(sqlite3_stmt *stmt, int statementColumn, FieldType type)
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
    return result;
}

void RowStore::appendRow(qint64 rowId)
{
    addRowSpace();
    m_rowIds.push_back(rowId);
    std::fill_n(rowStart(rowCount() - 1), m_columns, Cell{});
}

void RowStore::insertRow(int at)
{
    appendRow();
    for (int row = rowCount() - 1; row > at; --row) {
        std::copy_n(rowStart(row - 1), m_columns, rowStart(row));
        m_rowIds[size_t(row)] = m_rowIds[size_t(row) - 1];
    }
    std::fill_n(rowStart(at), m_columns, Cell{});
    m_rowIds[size_t(at)] = 0;
}

void RowStore::removeRow(int at)
{
    for (int row = at; row + 1 < rowCount(); ++row)
        std::copy_n(rowStart(row + 1), m_columns, rowStart(row));
    m_rowIds.erase(m_rowIds.begin() + at);
}

std::vector<Cell> RowStore::rowCells(int row) const
{
    const Cell *first = rowStart(row);
    return std::vector<Cell>(first, first + m_columns);
}

void RowStore::setRowCells(int row, const std::vector<Cell> &cells)
{
    std::copy(cells.begin(), cells.end(), rowStart(row));
}

void RowStore::permute(const std::vector<size_t> &order)
{
    decltype(m_cellBlocks) blocks;
    std::vector<qint64> rowIds;
    rowIds.reserve(m_rowIds.size());
    for (const size_t from : order) {
        const size_t to = rowIds.size();
        if (to % RowsPerBlock == 0)
            blocks.emplace_back(newCellBlock());
        std::copy_n(rowStart(int(from)), m_columns, blocks.back().get() + (to % RowsPerBlock) * size_t(m_columns));
        rowIds.push_back(m_rowIds[from]);
    }
    m_cellBlocks = std::move(blocks);
    m_rowIds = std::move(rowIds);
}

#include "data/row_store.h"

#include "data/dataset.h"
#include "data/engine.h"
#include "data/regional.h"

#include <QDate>
#include <algorithm>
#include <cstdlib>
#include <sys/mman.h>
#include <utility>

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

constexpr size_t HugePage = 2 * 1024 * 1024;
constexpr size_t SmallestPiece = 64 * 1024;
constexpr size_t LargestPiece = 16 * 1024 * 1024;

} // namespace

BlockArena::BlockArena(BlockArena &&other) noexcept
    : m_pieces(std::exchange(other.m_pieces, {})), m_used(std::exchange(other.m_used, 0)),
      m_total(std::exchange(other.m_total, 0))
{
}

BlockArena &BlockArena::operator=(BlockArena &&other) noexcept
{
    if (this != &other) {
        release();
        m_pieces = std::exchange(other.m_pieces, {});
        m_used = std::exchange(other.m_used, 0);
        m_total = std::exchange(other.m_total, 0);
    }
    return *this;
}

void *BlockArena::allocate(size_t bytes)
{
    bytes = (bytes + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
    if (m_pieces.empty() || m_pieces.back().size - m_used < bytes) {
        // Each piece as large as all before it: a few pieces whatever the size of the result.
        size_t size = std::max(bytes, std::clamp(m_total, SmallestPiece, LargestPiece));
        Piece piece{nullptr, size, false};
        if (size >= HugePage) {
            // Mapped on a huge page boundary, so that the kernel can back it with huge pages.
            size = (size + HugePage - 1) & ~(HugePage - 1);
            void *mapped = mmap(nullptr, size + HugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (mapped == MAP_FAILED)
                throw std::bad_alloc();
            auto *const raw = static_cast<char *>(mapped);
            auto *const aligned = reinterpret_cast<char *>((reinterpret_cast<uintptr_t>(raw) + HugePage - 1) & ~(HugePage - 1));
            if (aligned > raw)
                munmap(raw, size_t(aligned - raw));
            if (const size_t after = size_t(raw + size + HugePage - (aligned + size)); after > 0)
                munmap(aligned + size, after);
            madvise(aligned, size, MADV_HUGEPAGE);
            piece = {aligned, size, true};
        } else {
            piece.start = static_cast<char *>(std::malloc(size));
            if (!piece.start)
                throw std::bad_alloc();
        }
        m_pieces.push_back(piece);
        m_total += size;
        m_used = 0;
    }
    void *block = m_pieces.back().start + m_used;
    m_used += bytes;
    return block;
}

void BlockArena::release()
{
    for (const Piece &piece : m_pieces) {
        if (piece.mapped)
            munmap(piece.start, piece.size);
        else
            std::free(piece.start);
    }
    m_pieces = {};
    m_used = 0;
    m_total = 0;
}

void RowStore::reset(int columns)
{
    // The memory goes back to the system at once: a closed register keeps nothing.
    m_columns = columns;
    m_cellBlocks = decltype(m_cellBlocks)();
    m_rowIds = decltype(m_rowIds)();
    m_textBlocks = decltype(m_textBlocks)();
    m_arena.release();
    m_textUsed = 0;
    m_textCapacity = 0;
}

const char16_t *RowStore::textStart(const Cell &cell) const
{
    return m_textBlocks[size_t(cell.integer >> 32)] + (cell.integer & 0xFFFFFFFF);
}

RowStore::Cell *RowStore::newCellBlock()
{
    return static_cast<Cell *>(m_arena.allocate(std::max<size_t>(1, RowsPerBlock * size_t(m_columns) * sizeof(Cell))));
}

void RowStore::addRowSpace()
{
    if (size_t(rowCount()) / RowsPerBlock >= m_cellBlocks.size())
        m_cellBlocks.push_back(newCellBlock());
}

char16_t *RowStore::textSpace(size_t units, Cell &cell)
{
    if (m_textBlocks.empty() || m_textCapacity - m_textUsed < units) {
        // A text longer than a block gets a block of its own.
        m_textCapacity = std::max(TextBlockUnits, units);
        m_textBlocks.push_back(static_cast<char16_t *>(m_arena.allocate(m_textCapacity * sizeof(char16_t))));
        m_textUsed = 0;
    }
    cell.kind = Cell::Kind::Text;
    cell.integer = qint64((m_textBlocks.size() - 1) << 32 | m_textUsed);
    return m_textBlocks.back() + m_textUsed;
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

void RowStore::setFromEngine(int row, int column, const engine::Statement &statement, int statementColumn, FieldType type)
{
    rowStart(row)[column] = engineCell(statement.value(statementColumn), type);
}

void RowStore::appendFromEngine(qint64 rowId, const engine::Statement &statement, int firstColumn,
                                const std::vector<FieldType> &types)
{
    addRowSpace();
    m_rowIds.push_back(rowId);
    Cell *row = rowStart(rowCount() - 1);
    for (int c = 0; c < m_columns; ++c)
        row[c] = engineCell(statement.value(firstColumn + c), types[size_t(c)]);
}

RowStore::Cell RowStore::engineCell(const engine::Value &value, FieldType type)
{
    using Kind = engine::Value::Kind;
    switch (value.kind) {
    case Kind::Null: break;
    case Kind::Integer:
        return type == FieldType::Double    ? realCell(double(value.integer))
               : type == FieldType::Boolean ? integerCell(Cell::Kind::Boolean, value.integer != 0)
                                            : integerCell(Cell::Kind::Integer, value.integer);
    case Kind::Real: return realCell(value.real);
    case Kind::Text: {
        const QDate date = type == FieldType::Date && value.bytes == 10 ? storedDate({value.text, size_t(value.bytes)}) : QDate();
        if (date.isValid())
            return integerCell(Cell::Kind::Date, date.toJulianDay());
        return storeText(value.text, value.bytes);
    }
    }
    return {};
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
    // In place, cycle by cycle: a sort takes no second copy of the rows.
    std::vector<bool> placed(order.size());
    std::vector<Cell> held(static_cast<size_t>(m_columns));
    for (size_t start = 0; start < order.size(); ++start) {
        if (placed[start] || order[start] == start)
            continue;
        std::copy_n(rowStart(int(start)), m_columns, held.begin());
        const qint64 heldId = m_rowIds[start];
        size_t to = start;
        for (size_t from = order[to]; from != start; to = from, from = order[to]) {
            std::copy_n(rowStart(int(from)), m_columns, rowStart(int(to)));
            m_rowIds[to] = m_rowIds[from];
            placed[to] = true;
        }
        std::copy_n(held.begin(), m_columns, rowStart(int(to)));
        m_rowIds[to] = heldId;
        placed[to] = true;
    }
}

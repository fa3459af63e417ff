#pragma once

#include <QStringView>
#include <QVariant>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

enum class FieldType;
namespace engine {
class Statement;
struct Value;
} // namespace engine

// Memory for a store's blocks, taken from the system in pieces that grow with the store and
// given back whole when it is reset. Pieces of megabytes are asked for as huge pages, so that
// the 55 MB of a 100,000-child register are faulted in a few dozen steps at each opening,
// not fourteen thousand.
class BlockArena {
public:
    BlockArena() = default;
    BlockArena(BlockArena &&other) noexcept;
    BlockArena &operator=(BlockArena &&other) noexcept;
    BlockArena(const BlockArena &) = delete;
    BlockArena &operator=(const BlockArena &) = delete;
    ~BlockArena() { release(); }

    void *allocate(size_t bytes); // aligned for any cell
    void release();

private:
    struct Piece {
        char *start;
        size_t size;
        bool mapped;
    };
    std::vector<Piece> m_pieces;
    size_t m_used = 0;  // of the last piece
    size_t m_total = 0; // of all pieces
};

// The rows of a result set in memory, compactly: 16-byte cells and the texts they point to,
// both held in blocks, so that a register of 100,000 children loads without a memory
// allocation per value and without moving what was read when the store grows. Texts are
// appended, never moved, so a cell kept aside (an edit's original values) stays valid.
// Reset gives the memory back, so a closed register does not keep its rows' worth.
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
    const Cell &cell(int row, int column) const { return rowStart(row)[column]; }
    void setValue(int row, int column, const QVariant &value);
    // The engine's value of a statement column, read as the field's type.
    void setFromEngine(int row, int column, const engine::Statement &statement, int statementColumn, FieldType type);

    void appendRow(qint64 rowId = 0);
    // A row read from the statement's current step: store column c from statement column
    // `firstColumn` + c, read as types[c].
    void appendFromEngine(qint64 rowId, const engine::Statement &statement, int firstColumn,
                          const std::vector<FieldType> &types);
    void insertRow(int at);
    void removeRow(int at);
    std::vector<Cell> rowCells(int row) const;
    void setRowCells(int row, const std::vector<Cell> &cells);
    // Reorders the rows: row i of the result is the former row order[i].
    void permute(const std::vector<size_t> &order);

private:
    // A block of cells holds whole rows; a text lies in one text block. A text cell's integer
    // is the block's number in the high 32 bits and the offset within it in the low ones.
    static constexpr size_t RowsPerBlock = 1024;
    static constexpr size_t TextBlockUnits = 128 * 1024;

    Cell *rowStart(int row) { return m_cellBlocks[size_t(row) / RowsPerBlock] + (size_t(row) % RowsPerBlock) * size_t(m_columns); }
    const Cell *rowStart(int row) const { return const_cast<RowStore *>(this)->rowStart(row); }
    const char16_t *textStart(const Cell &cell) const;
    Cell *newCellBlock();
    void addRowSpace();                            // room for one more row at the end, not yet counted
    char16_t *textSpace(size_t units, Cell &cell); // where `cell`'s text of at most `units` goes
    Cell engineCell(const engine::Value &value, FieldType type);
    Cell storeText(const char *utf8, int bytes);
    Cell storeText(QStringView text);

    int m_columns = 0;
    // Blocks are not initialised: a row is written whole when it is added.
    BlockArena m_arena;
    std::vector<Cell *> m_cellBlocks;
    std::vector<qint64> m_rowIds;
    std::vector<char16_t *> m_textBlocks;
    size_t m_textUsed = 0;     // of the last text block
    size_t m_textCapacity = 0; // of the last text block
};

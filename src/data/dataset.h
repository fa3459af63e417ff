#pragma once

#include "data/row_store.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <QString>
#include <QVariant>
#include <optional>
#include <map>
#include <vector>

class Connection;
class Statement;

enum class FieldType { Integer, Double, Date, Boolean, Text, Memo };

struct Field {
    QString name;   // as the statement names it
    QString table;  // base table, empty for a computed column
    QString origin; // base column
    FieldType type = FieldType::Text;
    int size = 0; // characters a text column holds; 0 for no limit
    bool required = false;
    bool autoNumber = false;
    bool readOnly = false;
};

// The static result set the windows bind to: every row is fetched into memory (the count is
// exact), one row is current, the rows can be sorted in memory, and a result over one table
// can be edited row by row. Rows are written with bound values, and a stored row is read back
// at once so that defaults and a new autonumber show.
class DataSet : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    Q_ENUM(State)

    explicit DataSet(Connection &connection, QObject *parent = nullptr);
    ~DataSet() override;

    // A query; its `?` marks take `values` in order, bound at every reading.
    void setSql(const QString &jetSql, const QVariantList &values = {});
    void setTableName(const QString &table); // a whole table
    QString sql() const { return m_sql; }
    const QVariantList &values() const { return m_values; }

    void open();
    // Opens for adding rows only: the columns are known, no row is read.
    void openForAppend();
    void close();
    bool isOpen() const { return m_state != State::Inactive; }
    State state() const { return m_state; }
    bool canModify() const { return isOpen() && !m_table.isEmpty(); }
    bool isModified() const;

    int recordCount() const { return m_store.rowCount(); }
    bool isEmpty() const { return m_store.rowCount() == 0; }
    int currentRow() const { return m_current; }
    bool atFirst() const { return m_current <= 0; }
    bool atLast() const { return m_current >= recordCount() - 1; }

    int fieldCount() const { return int(m_fields.size()); }
    const Field &field(int column) const { return m_fields.at(size_t(column)); }
    int fieldIndex(const QString &name) const; // -1 when there is no such column
    const QString &tableName() const { return m_table; }

    QVariant value(int row, int column) const;
    QVariant value(int column) const;
    QVariant value(const QString &name) const;
    // Only while editing or inserting.
    void setValue(int column, const QVariant &value);
    void setValue(const QString &name, const QVariant &value);

    // Moves store a pending change first and do not move when storing fails.
    void moveTo(int row);
    void first() { moveTo(0); }
    void prior() { moveTo(m_current - 1); }
    void next() { moveTo(m_current + 1); }
    void last() { moveTo(recordCount() - 1); }

    void edit();
    void insert(); // a new row at the current position
    void append(); // a new row at the end
    void post();
    // Stores a row being edited or added; a new row nobody typed into is dropped instead.
    void storePending();
    void cancel();
    void remove();
    void refresh();
    // Reads the current row again after another window stored it: the other rows, the order
    // and the place stay. A row that is no longer there leaves the set; a set that is not
    // over one table reads everything again.
    void refreshCurrent();

    // Runs before a row is written, while `owner` lives; a hook may refuse by throwing (the
    // bound fields convert their typed text here).
    void addBeforePost(QObject *owner, std::function<void()> hook);

    // "EPWNYMO ASC", "HMEROMHNIA DESC, ID": kept and applied again after every re-read.
    // The first row becomes current.
    void setSort(const QString &sort);
    QString sort() const { return m_sort; }

signals:
    // Each change of the rows is announced before it is made, and told once it is made, so
    // that a model can tell its views what moved.
    void aboutToReset();
    void reset();                    // the rows were replaced, reordered or dropped
    void aboutToInsertRow(int row);
    void rowInserted(int row);
    void aboutToRemoveRow(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    void currentChanged(int row);
    void stateChanged(DataSet::State state);
    void aboutToPost();              // last chance to fill values before a row is written
    void posted();

private:
    // `place` chooses the current row among the rows read; the first one without it.
    void run(bool withRows, const std::function<int()> &place = {});
    std::unique_ptr<Statement> prepare();
    QString rowIdSelect(const QString &engineSql) const;
    void describeColumns(const Statement &statement);
    void fetchRows(Statement &statement);
    // "[A] IS ? AND [B] IS ? ...": the row still holds every value as it was read.
    QString unchangedCondition(const std::vector<RowStore::Cell> &asRead, QVariantList &values) const;
    [[noreturn]] void refuseStale();
    void requireOpen() const;
    void requireModifiable() const;
    void setState(State state);
    void setCurrent(int row);
    bool reread(int row);
    void dropRow(int at);
    void applySort();
    struct SortKey {
        int column;
        bool descending;
    };
    // Stable: rows equal on every key keep their order. NULL first, text as the engine's
    // Greek collation orders it.
    void sortRows(const std::vector<SortKey> &keys);
    // The column whose order the engine's statement gives, when the rows may instead be read
    // in table order and sorted here in the same order (empty otherwise).
    QString orderSortedHere(const QString &engineSql);
    QString selectStatement() const;
    // A statement this set runs on its rows again and again (the re-read of a row, the
    // stale-checked UPDATE), prepared once for the connection's open handle and reset for reuse.
    Statement &preparedStatement(const QString &jetSql);
    // Runs a prepared INSERT, UPDATE or DELETE in a transaction of its own unless one is open.
    int runChange(Statement &statement, const QVariantList &values);

    Connection &m_connection;
    QString m_sql;
    QVariantList m_values;
    QString m_tableSource;
    QString m_table;
    QString m_sort;
    bool m_hasRowId = false;
    QString m_orderColumn; // read in table order, sorted by it here
    std::vector<Field> m_fields;
    RowStore m_store;
    int m_current = -1;
    State m_state = State::Inactive;
    std::optional<std::vector<RowStore::Cell>> m_original;
    std::vector<bool> m_modified;
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> m_beforePost;
    std::map<QString, std::unique_ptr<Statement>> m_prepared; // by their text
    quint64 m_preparedFor = 0;                                // the opening they were prepared on
};

// The text a grid or a bound label shows for a value: dates in the short date format,
// decimals with the regional separator, yes/no as True/False.
QString displayText(const QVariant &value);

// Opens `connectionString`, counts the rows of one statement as a result set reads them, closes:
// the checks that only ask whether rows are there need no more.
int countRows(const QString &connectionString, const QString &jetSql, const QVariantList &values = {});

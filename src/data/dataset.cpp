#include "data/dataset.h"

#include "data/connection.h"
#include "data/db_error.h"
#include "data/engine.h"
#include "data/greek_text.h"
#include "data/jet_dialect.h"
#include "data/regional.h"
#include "data/schema.h"

#include <QDate>
#include <QRegularExpression>
#include <QScopeGuard>
#include <algorithm>
#include <malloc.h>
#include <numeric>

namespace {

FieldType typeFromDeclaration(const QString &declared, int &size)
{
    const QString type = declared.trimmed().toUpper();
    size = 0;
    if (type.startsWith("LONGTEXT"))
        return FieldType::Memo;
    if (type.startsWith("TEXT")) {
        const auto open = type.indexOf('('), close = type.indexOf(')');
        if (open > 0 && close > open)
            size = type.mid(open + 1, close - open - 1).toInt();
        return FieldType::Text;
    }
    if (type.startsWith("INT"))
        return FieldType::Integer;
    if (type.startsWith("DOUBLE") || type.startsWith("REAL") || type.startsWith("FLOAT"))
        return FieldType::Double;
    if (type.startsWith("DATE"))
        return FieldType::Date;
    if (type.startsWith("BOOL"))
        return FieldType::Boolean;
    return FieldType::Text;
}

QString bracketed(const QString &name)
{
    return QLatin1Char('[') + name + QLatin1Char(']');
}

} // namespace

DataSet::DataSet(Connection &connection, QObject *parent) : QObject(parent), m_connection(connection) {}

DataSet::~DataSet() = default;

void DataSet::setSql(const QString &jetSql, const QVariantList &values)
{
    close();
    m_sql = jetSql;
    m_values = values;
    m_tableSource.clear();
    m_sort.clear(); // a new statement brings its own order
}

void DataSet::setTableName(const QString &table)
{
    close();
    m_tableSource = table;
    m_sql.clear();
    m_values.clear();
    m_sort.clear();
}

QString DataSet::selectStatement() const
{
    if (!m_tableSource.isEmpty())
        return QStringLiteral("SELECT * FROM ") + bracketed(m_tableSource);
    return m_sql;
}

void DataSet::open()
{
    run(true);
}

void DataSet::openForAppend()
{
    run(false);
}

// The statement with the row id as its first column, named as the engine keeps it: a
// server's row key is hidden from `SELECT *`, so it is read under a name of its own.
QString DataSet::rowIdSelect(const QString &engineSql) const
{
    QString select = jet::withRowId(engineSql);
    const QString column = m_connection.rowIdColumn();
    if (!select.isEmpty() && column != QLatin1String("rowid")) {
        const QString fileRowId = QStringLiteral(" rowid,");
        select.replace(select.indexOf(fileRowId), fileRowId.size(), QStringLiteral(" %1 AS row_key,").arg(column));
    }
    return select;
}

namespace {

// "SELECT A,[B] FROM [T] ORDER BY [C] ASC": plain columns of one table, no condition.
QRegularExpressionMatch plainOrderedSelect(const QString &engineSql)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*SELECT\s+((?:\[?\w+\]?|\*)(?:\s*,\s*(?:\[?\w+\]?|\*))*)\s+FROM\s+\[?(\w+)\]?\s+)"
                       R"(ORDER\s+BY\s+\[?(\w+)\]?(?:\s+ASC)?\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern.match(engineSql);
}

} // namespace

// At a million rows the walk along an index fetches the table's pages at random, each many
// times over through the cache; a scan reads each page once and the sort here costs less. Only
// where the order is provably the engine's own: the engine would walk one index whose first
// key is the column, ascending in the Greek collation, so that equal values stand in row order
// as the scan reads them.
QString DataSet::orderSortedHere(const QString &engineSql)
{
    if (m_connection.engine() != jet::Engine::SqlCipher)
        return {};
    const QRegularExpressionMatch select = plainOrderedSelect(engineSql);
    if (!select.hasMatch())
        return {};
    // The column must be read to be sorted by.
    QStringList columns = select.captured(1).split(QLatin1Char(','));
    for (QString &column : columns)
        column = column.trimmed().remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    if (!columns.contains(QStringLiteral("*")) && !columns.contains(select.captured(3), Qt::CaseInsensitive))
        return {};
    Statement plan(m_connection, QStringLiteral("EXPLAIN QUERY PLAN ") + engineSql);
    plan.bind(m_values);
    QStringList steps;
    while (plan.step())
        steps << plan.value(3).toString();
    static const QRegularExpression indexWalk(QStringLiteral(R"(^SCAN (?:TABLE )?(\w+) USING (?:COVERING )?INDEX (\w+)$)"));
    const QRegularExpressionMatch walk = steps.size() == 1 ? indexWalk.match(steps.first()) : QRegularExpressionMatch();
    if (!walk.hasMatch() || walk.captured(1).compare(select.captured(2), Qt::CaseInsensitive) != 0)
        return {};
    Statement index(m_connection, QStringLiteral("PRAGMA index_xinfo(%1)").arg(walk.captured(2)));
    if (!index.step() || index.value(2).toString().compare(select.captured(3), Qt::CaseInsensitive) != 0 ||
        index.value(3).toInt() != 0 || index.value(4).toString().compare(QLatin1String(jet::GreekCollation), Qt::CaseInsensitive) != 0)
        return {};
    return select.captured(3);
}

std::unique_ptr<Statement> DataSet::prepare()
{
    QString engineSql = jet::translate(selectStatement(), m_connection.engine());
    m_orderColumn = orderSortedHere(engineSql);
    if (!m_orderColumn.isEmpty()) {
        const QRegularExpressionMatch select = plainOrderedSelect(engineSql);
        engineSql = QStringLiteral("SELECT %1 FROM [%2] NOT INDEXED").arg(select.captured(1), select.captured(2));
    }
    // A plain select over one table carries the row id, so that its rows can be written back;
    // a text the engine does not take that way (not a single table after all) is read only.
    if (const QString withRowId = rowIdSelect(engineSql); !withRowId.isEmpty())
        if (auto statement = Statement::tryPrepare(m_connection, withRowId)) {
            m_hasRowId = true;
            statement->bind(m_values);
            return statement;
        }
    m_hasRowId = false;
    auto statement = std::make_unique<Statement>(m_connection, engineSql);
    statement->bind(m_values);
    return statement;
}

void DataSet::describeColumns(const Statement &statement)
{
    const engine::Statement &stmt = statement.engineStatement();
    const int first = m_hasRowId ? 1 : 0;
    const int columns = stmt.columnCount();
    std::vector<Field> fields;
    QString table;
    for (int c = first; c < columns; ++c) {
        Field f;
        f.name = stmt.columnName(c);
        f.table = stmt.columnTable(c);
        f.origin = stmt.columnOrigin(c);
        if (const QString declared = stmt.declaredType(c); !declared.isEmpty())
            f.type = typeFromDeclaration(declared, f.size);
        else
            f.type = FieldType::Text; // computed: refined from the first value read
        if (const auto *declaredTable = schema::findTable(f.table)) {
            for (const auto &column : declaredTable->columns) {
                if (column.name.compare(f.origin, Qt::CaseInsensitive) == 0) {
                    f.required = column.required;
                    f.autoNumber = column.type == schema::Type::AutoNumber;
                }
            }
        }
        f.readOnly = f.origin.isEmpty() || f.autoNumber;
        fields.push_back(f);
    }
    if (m_hasRowId) {
        const QString rowIdTable = stmt.columnTable(0);
        m_hasRowId = !rowIdTable.isEmpty() &&
                     std::all_of(fields.begin(), fields.end(),
                                 [&](const Field &f) { return f.table.isEmpty() || f.table == rowIdTable; });
        table = rowIdTable;
    }
    if (!m_hasRowId)
        for (Field &f : fields)
            f.readOnly = true;
    m_fields = std::move(fields);
    m_table = m_hasRowId ? table : QString();
}

void DataSet::fetchRows(Statement &statement)
{
    const engine::Statement &stmt = statement.engineStatement();
    const int first = m_hasRowId ? 1 : 0;
    const int columns = stmt.columnCount();
    std::vector<FieldType> types;
    using Kind = engine::Value::Kind;
    while (statement.step()) {
        if (types.empty()) {
            for (int c = first; c < columns; ++c) {
                Field &f = m_fields[size_t(c - first)];
                if (stmt.declaredType(c).isEmpty()) {
                    const Kind storage = stmt.value(c).kind;
                    f.type = storage == Kind::Integer ? FieldType::Integer
                             : storage == Kind::Real  ? FieldType::Double
                                                      : FieldType::Text;
                }
                types.push_back(f.type);
            }
        }
        m_store.appendFromEngine(m_hasRowId ? stmt.value(0).integer : 0, stmt, first, types);
    }
    // A large result is now in memory: the pages read for it need not stay cached as well, nor
    // their memory kept by the allocator once the engine lets it go.
    if (m_store.rowCount() > 1000) {
        m_connection.session().releaseCache();
        malloc_trim(0);
    }
}

void DataSet::run(bool withRows, const std::function<int()> &place)
{
    close();
    m_prepared.clear();
    const auto statement = prepare();
    emit aboutToReset();
    bool told = false;
    const auto tellOnFailure = qScopeGuard([&] {
        if (!told)
            emit reset();
    });
    describeColumns(*statement);
    m_store.reset(int(m_fields.size()));
    if (withRows) {
        try {
            fetchRows(*statement);
        } catch (...) {
            m_fields.clear();
            m_store.reset(0);
            m_table.clear();
            throw;
        }
    }
    if (!m_orderColumn.isEmpty())
        sortRows({{fieldIndex(m_orderColumn), false}});
    m_current = isEmpty() ? -1 : 0;
    m_state = State::Browse;
    applySort();
    if (place && !isEmpty())
        m_current = place();
    told = true;
    emit reset();
    emit stateChanged(m_state);
    emit currentChanged(m_current);
}

void DataSet::close()
{
    if (m_state == State::Inactive)
        return;
    emit aboutToReset();
    const bool large = m_store.rowCount() > 1000;
    m_store.reset(0);
    // What sorting a large set left with the allocator goes back too, not only its rows.
    if (large)
        malloc_trim(0);
    m_fields.clear();
    m_prepared.clear();
    m_original.reset();
    m_current = -1;
    m_state = State::Inactive;
    emit reset();
    emit stateChanged(m_state);
    emit currentChanged(m_current);
}

void DataSet::requireOpen() const
{
    if (m_state == State::Inactive)
        throw DbError(DbError::Kind::Other, QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void DataSet::requireModifiable() const
{
    requireOpen();
    if (m_table.isEmpty())
        throw DbError(DbError::Kind::Other, QStringLiteral("Cannot modify a read-only dataset"));
}

void DataSet::setState(State state)
{
    if (m_state != state) {
        m_state = state;
        emit stateChanged(state);
    }
}

void DataSet::setCurrent(int row)
{
    if (m_current != row) {
        m_current = row;
        emit currentChanged(row);
    }
}

bool DataSet::isModified() const
{
    return std::find(m_modified.begin(), m_modified.end(), true) != m_modified.end();
}

int DataSet::fieldIndex(const QString &name) const
{
    for (size_t i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

QVariant DataSet::value(int row, int column) const
{
    if (row < 0 || row >= recordCount() || column < 0 || column >= fieldCount())
        return {};
    return m_store.value(row, column);
}

QVariant DataSet::value(int column) const
{
    return value(m_current, column);
}

QVariant DataSet::value(const QString &name) const
{
    const int column = fieldIndex(name);
    if (column < 0)
        throw DbError(DbError::Kind::MissingObject, QStringLiteral("Field '%1' not found").arg(name));
    return value(column);
}

void DataSet::setValue(int column, const QVariant &value)
{
    if (m_state != State::Edit && m_state != State::Insert)
        throw DbError(DbError::Kind::Other, QStringLiteral("Dataset not in edit or insert mode"));
    const Field &f = m_fields.at(size_t(column));
    if (f.readOnly)
        throw DbError(DbError::Kind::Other, QStringLiteral("Field '%1' cannot be modified").arg(f.name));
    m_store.setValue(m_current, column, value);
    m_modified[size_t(column)] = true;
    emit rowChanged(m_current);
}

void DataSet::setValue(const QString &name, const QVariant &value)
{
    const int column = fieldIndex(name);
    if (column < 0)
        throw DbError(DbError::Kind::MissingObject, QStringLiteral("Field '%1' not found").arg(name));
    setValue(column, value);
}

void DataSet::storePending()
{
    if (m_state == State::Insert && !isModified())
        cancel(); // a new row nobody typed into is dropped
    else if (m_state == State::Edit || m_state == State::Insert)
        post();
}

void DataSet::moveTo(int row)
{
    requireOpen();
    storePending();
    if (isEmpty())
        return;
    setCurrent(std::clamp(row, 0, recordCount() - 1));
}

void DataSet::edit()
{
    requireModifiable();
    if (m_state != State::Browse)
        return;
    if (isEmpty()) {
        append();
        return;
    }
    m_original = m_store.rowCells(m_current);
    m_modified.assign(m_fields.size(), false);
    setState(State::Edit);
}

void DataSet::insert()
{
    requireModifiable();
    storePending();
    const int at = m_current < 0 ? 0 : m_current;
    emit aboutToInsertRow(at);
    m_store.insertRow(at);
    m_modified.assign(m_fields.size(), false);
    m_original.reset();
    m_current = at;
    emit rowInserted(at);
    setState(State::Insert);
    emit currentChanged(at);
}

void DataSet::append()
{
    requireModifiable();
    storePending();
    m_current = recordCount();
    insert();
}

void DataSet::post()
{
    requireModifiable();
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    for (const auto &[owner, hook] : m_beforePost)
        if (owner)
            hook();
    emit aboutToPost();
    QStringList columns;
    QVariantList values;
    for (size_t c = 0; c < m_fields.size(); ++c) {
        if (!m_modified[c])
            continue;
        columns << bracketed(m_fields[c].origin);
        values << m_store.value(m_current, int(c));
    }
    if (m_state == State::Edit) {
        if (!columns.isEmpty()) {
            values << m_store.rowId(m_current);
            const QString condition = unchangedCondition(*m_original, values);
            const QString update = QStringLiteral("UPDATE %1 SET %2=? WHERE %3=? AND %4")
                                       .arg(bracketed(m_table), columns.join(QStringLiteral("=?, ")),
                                            m_connection.rowIdColumn(), condition);
            if (runChange(preparedStatement(update), values) == 0)
                refuseStale();
        }
    } else {
        QString insert = QStringLiteral("INSERT INTO %1").arg(bracketed(m_table));
        if (columns.isEmpty())
            insert += QStringLiteral(" DEFAULT VALUES");
        else
            insert += QStringLiteral("(%1) VALUES(%2)")
                          .arg(columns.join(QLatin1Char(',')), QStringList(columns.size(), QStringLiteral("?")).join(','));
        m_store.setRowId(m_current, m_connection.insert(insert, values));
    }
    reread(m_current);
    m_original.reset();
    m_modified.clear();
    emit rowChanged(m_current);
    setState(State::Browse);
    emit posted();
}

void DataSet::addBeforePost(QObject *owner, std::function<void()> hook)
{
    m_beforePost.emplace_back(owner, std::move(hook));
}

QString DataSet::unchangedCondition(const std::vector<RowStore::Cell> &asRead, QVariantList &values) const
{
    // Equal, or both without a value.
    const QString sameAs = m_connection.engine() == jet::Engine::Postgres ? QStringLiteral(" IS NOT DISTINCT FROM ?")
                                                                          : QStringLiteral(" IS ?");
    QStringList conditions;
    for (size_t c = 0; c < m_fields.size(); ++c) {
        if (m_fields[c].origin.isEmpty())
            continue;
        conditions << bracketed(m_fields[c].origin) + sameAs;
        values << m_store.valueOf(asRead[c]);
    }
    return conditions.isEmpty() ? QStringLiteral("1=1") : conditions.join(QStringLiteral(" AND "));
}

// A row changed since it was read is not overwritten: it is read again as it now stands (or
// dropped, when it is gone), and the person is told.
void DataSet::refuseStale()
{
    const int at = m_current;
    const bool gone = !reread(at);
    m_original.reset();
    m_modified.clear();
    setState(State::Browse);
    if (gone) {
        dropRow(at);
        throw DbError(DbError::Kind::DeletedElsewhere,
                      QStringLiteral("The row was deleted by another window or program since it was read"));
    }
    emit rowChanged(at);
    throw DbError(DbError::Kind::ChangedElsewhere,
                  QStringLiteral("The row was changed by another window or program since it was read; it was not "
                                 "stored and has been read again"));
}

bool DataSet::reread(int row)
{
    QStringList columns;
    std::vector<size_t> targets;
    for (size_t c = 0; c < m_fields.size(); ++c) {
        if (!m_fields[c].origin.isEmpty()) {
            columns << bracketed(m_fields[c].origin);
            targets.push_back(c);
        }
    }
    if (columns.isEmpty())
        return true;
    Statement &statement = preparedStatement(
        QStringLiteral("SELECT %1 FROM %2 WHERE %3=?")
            .arg(columns.join(QLatin1Char(',')), bracketed(m_table), m_connection.rowIdColumn()));
    statement.bind({m_store.rowId(row)});
    const bool found = statement.step();
    if (found)
        for (size_t i = 0; i < targets.size(); ++i)
            m_store.setFromEngine(row, int(targets[i]), statement.engineStatement(), int(i), m_fields[targets[i]].type);
    statement.reset(); // lets go of the read lock
    return found;
}

Statement &DataSet::preparedStatement(const QString &jetSql)
{
    // A connection opened again has a new handle: what was prepared on the old one is dropped.
    if (m_preparedFor != m_connection.openingNumber()) {
        m_prepared.clear();
        m_preparedFor = m_connection.openingNumber();
    }
    std::unique_ptr<Statement> &statement = m_prepared[jetSql];
    if (!statement)
        statement = std::make_unique<Statement>(m_connection, jet::translate(jetSql, m_connection.engine()));
    else
        statement->reset();
    return *statement;
}

int DataSet::runChange(Statement &statement, const QVariantList &values)
{
    statement.bind(values);
    std::optional<Transaction> transaction;
    if (!m_connection.inTransaction())
        transaction.emplace(m_connection);
    try {
        while (statement.step()) {
        }
    } catch (...) {
        statement.reset();
        throw;
    }
    const int changed = statement.changes();
    statement.reset();
    if (transaction)
        transaction->commit();
    return changed;
}

void DataSet::cancel()
{
    if (m_state == State::Edit) {
        m_store.setRowCells(m_current, *m_original);
        m_original.reset();
        m_modified.clear();
        emit rowChanged(m_current);
        setState(State::Browse);
    } else if (m_state == State::Insert) {
        const int at = m_current;
        emit aboutToRemoveRow(at);
        m_store.removeRow(at);
        m_modified.clear();
        emit rowRemoved(at);
        setState(State::Browse);
        m_current = -2; // force the signal below
        setCurrent(isEmpty() ? -1 : std::min(at, recordCount() - 1));
    }
}

void DataSet::remove()
{
    requireModifiable();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (isEmpty())
        return;
    if (m_state == State::Edit)
        cancel();
    const int at = m_current;
    QVariantList values{m_store.rowId(at)};
    const QString condition = unchangedCondition(m_store.rowCells(at), values);
    if (m_connection.execute(QStringLiteral("DELETE FROM %1 WHERE %2=? AND %3")
                                 .arg(bracketed(m_table), m_connection.rowIdColumn(), condition),
                             values) == 0)
        refuseStale();
    dropRow(at);
}

// The row leaves the set; the one after it (or the new last one) becomes current.
void DataSet::dropRow(int at)
{
    emit aboutToRemoveRow(at);
    m_store.removeRow(at);
    emit rowRemoved(at);
    m_current = -2;
    setCurrent(isEmpty() ? -1 : std::min(at, recordCount() - 1));
}

void DataSet::refresh()
{
    requireOpen();
    storePending();
    const qint64 rowid = m_current >= 0 ? m_store.rowId(m_current) : 0;
    const int index = m_current;
    // The row stays current from the moment the rows are told, so that a list showing them
    // keeps its place instead of jumping to the first row and back.
    run(true, [&] {
        if (m_hasRowId)
            for (int i = 0; i < recordCount(); ++i)
                if (m_store.rowId(i) == rowid)
                    return i;
        return std::min(std::max(index, 0), recordCount() - 1);
    });
}

void DataSet::refreshCurrent()
{
    requireOpen();
    storePending();
    if (m_current < 0 || !canModify()) {
        refresh();
        return;
    }
    if (reread(m_current))
        emit rowChanged(m_current);
    else
        dropRow(m_current);
}

void DataSet::setSort(const QString &sort)
{
    requireOpen();
    storePending();
    m_sort = sort;
    emit aboutToReset();
    try {
        applySort();
    } catch (...) {
        emit reset(); // refused before a row moved
        throw;
    }
    m_current = isEmpty() ? -1 : 0;
    emit reset();
    emit currentChanged(m_current);
}

void DataSet::applySort()
{
    if (m_sort.trimmed().isEmpty() || recordCount() < 2)
        return;
    std::vector<SortKey> keys;
    for (const QString &part : m_sort.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList words = part.simplified().split(QLatin1Char(' '));
        QString name = words.value(0);
        if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
            name = name.mid(1, name.size() - 2);
        const int column = fieldIndex(name);
        if (column < 0)
            throw DbError(DbError::Kind::MissingObject, QStringLiteral("Field '%1' not found").arg(name));
        keys.push_back({column, words.value(1).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0});
    }
    sortRows(keys);
}

void DataSet::sortRows(const std::vector<SortKey> &keys)
{
    const int rows = recordCount();
    if (rows < 2 || keys.empty())
        return;
    // What a comparison needs of a cell, laid out once per row: texts folded once per row,
    // not once per comparison, and into one buffer rather than a string each.
    struct SortValue {
        enum class Kind : std::uint8_t { Null,
                                         Number,
                                         Text } kind;
        std::uint32_t foldedLength;
        double number;
        size_t folded; // start in the buffer
        QStringView raw;
    };
    using CellKind = RowStore::Cell::Kind;
    std::vector<std::vector<SortValue>> values(keys.size());
    std::vector<std::vector<char16_t>> foldedTexts(keys.size());
    for (size_t k = 0; k < keys.size(); ++k) {
        const int column = keys[k].column;
        const FieldType type = m_fields[size_t(column)].type;
        const bool folds = type == FieldType::Text || type == FieldType::Memo;
        values[k].reserve(size_t(rows));
        for (int row = 0; row < rows; ++row) {
            const RowStore::Cell &cell = m_store.cell(row, column);
            SortValue v{SortValue::Kind::Null, 0, 0, 0, {}};
            if (cell.kind == CellKind::Text) {
                v.kind = SortValue::Kind::Text;
                v.raw = m_store.text(row, column);
                if (folds) {
                    const QString key = greek::foldedKey(v.raw);
                    v.folded = foldedTexts[k].size();
                    v.foldedLength = std::uint32_t(key.size());
                    foldedTexts[k].insert(foldedTexts[k].end(), key.utf16(), key.utf16() + key.size());
                }
            } else if (cell.kind != CellKind::Null) {
                v.kind = SortValue::Kind::Number;
                v.number = cell.kind == CellKind::Double ? cell.real : double(cell.integer);
            }
            values[k].push_back(v);
        }
    }
    const auto compareValues = [&](size_t k, size_t a, size_t b) -> int {
        const SortValue &va = values[k][a], &vb = values[k][b];
        if (va.kind == SortValue::Kind::Null || vb.kind == SortValue::Kind::Null)
            return int(vb.kind == SortValue::Kind::Null) - int(va.kind == SortValue::Kind::Null); // no value sorts first
        if (va.kind == SortValue::Kind::Text || vb.kind == SortValue::Kind::Text) {
            const char16_t *folded = foldedTexts[k].data();
            if (const int c = greek::compareCodePoints(QStringView(folded + va.folded, va.foldedLength),
                                                       QStringView(folded + vb.folded, vb.foldedLength));
                c != 0)
                return c;
            return greek::compareCodePoints(va.raw, vb.raw);
        }
        return va.number < vb.number ? -1 : (vb.number < va.number ? 1 : 0);
    };
    std::vector<size_t> order(static_cast<size_t>(rows));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        for (size_t k = 0; k < keys.size(); ++k) {
            const int c = compareValues(k, a, b);
            if (c != 0)
                return keys[k].descending ? c > 0 : c < 0;
        }
        return false;
    });
    const auto current = std::find(order.begin(), order.end(), size_t(m_current));
    m_current = current == order.end() ? -1 : int(current - order.begin());
    m_store.permute(order);
}

QString displayText(const QVariant &value)
{
    if (value.isNull())
        return {};
    const Regional &regional = Regional::current();
    switch (value.typeId()) {
    case QMetaType::QDate: return regional.formatDate(value.toDate());
    case QMetaType::Bool: return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Double: {
        QString text = QString::number(value.toDouble(), 'g', 15);
        text.replace(QLatin1Char('.'), regional.decimalSeparator);
        return text;
    }
    default: break;
    }
    return value.toString();
}

int countRows(const QString &connectionString, const QString &jetSql, const QVariantList &values)
{
    Connection connection(connectionString);
    DataSet rows(connection);
    rows.setSql(jetSql, values);
    rows.open();
    return rows.recordCount();
}

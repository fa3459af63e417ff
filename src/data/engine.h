#pragma once

#include "data/jet_dialect.h"

#include <QString>
#include <QVariantList>
#include <cstdint>
#include <memory>

// What Connection, Statement and DataSet need of an engine that keeps a practice's data: the
// encrypted file of one seat (src/data/sqlcipher) or a server shared by several
// (src/data/postgres). The windows never see this layer.
namespace engine {

// One cell of a result row as the engine hands it over, valid until the statement moves on.
struct Value {
    enum class Kind : std::uint8_t { Null,
                                     Integer,
                                     Real,
                                     Text };
    Kind kind = Kind::Null;
    qint64 integer = 0;
    double real = 0;
    const char *text = nullptr; // UTF-8, `bytes` long
    int bytes = 0;
};

// One prepared statement in the engine's own dialect.
class Statement {
public:
    virtual ~Statement() = default;
    virtual void bind(const QVariantList &values) = 0;
    virtual bool step() = 0; // true while a row is there
    virtual void reset() = 0;
    virtual int columnCount() const = 0;
    virtual QString columnName(int column) const = 0;
    virtual QString columnTable(int column) const = 0;  // empty for a computed column
    virtual QString columnOrigin(int column) const = 0; // the base table's column
    // As the table declares it ("TEXT(255)", "DATE", ...); empty for a computed column.
    virtual QString declaredType(int column) const = 0;
    virtual Value value(int column) const = 0;
    // Rows the statement changed when it last ran.
    virtual int changes() const = 0;
};

class Session {
public:
    virtual ~Session() = default;
    virtual jet::Engine kind() const = 0;
    // Null when the engine does not take the text and `quietly` is set; otherwise a refusal throws.
    virtual std::unique_ptr<Statement> prepare(const QString &engineSql, bool quietly) = 0;
    // Runs an INSERT (engine dialect) and returns the new row's hidden row id.
    virtual qint64 insert(const QString &engineSql, const QVariantList &values) = 0;
    enum class TransactionKind { Write,
                                 Read };
    virtual void begin(TransactionKind kind) = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    virtual bool inTransaction() const = 0;
    virtual void setBusyTimeout(int milliseconds) = 0;
    // The hidden column that identifies a row of any table.
    virtual QString rowIdColumn() const = 0;
    // The other end went away (a server restarted, a cable pulled): only a new session helps.
    virtual bool isLost() const { return false; }
    // A large result is now in the program's memory: what the engine cached for it may go.
    virtual void releaseCache() {}
};

} // namespace engine

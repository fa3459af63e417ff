#pragma once

#include "data/jet_dialect.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class Connection;

// The tables of data.mdb, declared once. A new file is made from this declaration; a file
// made by an older version of the program is brought up to date by the numbered steps.
namespace schema {

enum class Type { AutoNumber, Integer, Double, Date, Text, LongText, YesNo };

struct Column {
    QString name;
    Type type;
    bool required = false;
    QString defaultValue = {}; // engine expression
    bool unique = false;
};

struct Table {
    QString name;
    std::vector<Column> columns;
    QString childLink = {}; // column holding a child's ID whose rows go with the child
};

inline constexpr int TextLength = 255;
inline constexpr int Version = 4;

const std::vector<Table> &tables();
const Table *findTable(const QString &name);

// A vaccine whose doses the child's row dates, one column per dose.
struct Vaccine {
    const char *caption; // as the vaccination record names it
    const char *column;  // the dose column, "%1" standing for the dose number where there are several
    int doseCount;
    // Its place in the statements that select every dose, which keep an order of their own.
    int listed;
    QStringList doses() const; // dose 1 first
};
// The fifteen vaccines in the order of their columns, which is also their order on the screen.
const std::vector<Vaccine> &vaccines();
QStringList doseColumns();
// The dose columns in the order the statements that select them all name them.
QStringList listedDoseColumns();
QStringList healthColumns();
// The health columns in the order the statements that select them all name them.
QStringList listedHealthColumns();
QStringList appointmentSlots();

// The register's search by the first letters of a surname compares this expression (Jet): the
// surname without its apostrophes, so that Ντ'Αμίκο is found with or without one, whichever of
// the apostrophes a keyboard types. The server keeps an index on its fold.
QString searchedSurname();
// Those apostrophes; the typed initials drop them too.
inline const QString SurnameApostrophes = QStringLiteral("'\u2019\u02BC");

// The statements that make a table with its constraints, and the indexes the windows search by.
// Jet statements, as the engine's translation runs them.
QString createTableStatement(const Table &table, jet::Engine engine = jet::Engine::SqlCipher);
QStringList createIndexStatements(jet::Engine engine = jet::Engine::SqlCipher);

// Everything an empty server database needs to become a practice at Version, as the server's
// own SQL in the order to run it (in one transaction): its functions, the tables with their
// hidden row keys, the indexes, the triggers that announce changes on jet::ServerChangeChannel,
// and the row that keeps the version. The delivered rows (the
// SECURITY row, the vaccination schedule) are added by the caller, as for a new file.
QStringList serverCreateStatements();

// The server's one-row table that keeps the version a file keeps in its header.
inline constexpr const char *ServerVersionTable = "velmora_version";
// The engine's statements that read and write a store's version (the server's own SQL).
QString versionQuery(jet::Engine engine);
QString versionUpdate(jet::Engine engine, int version);
// The version read, refused (DbError NewerVersion) where a newer program wrote the store: a
// seat of an older program refuses a newer server as it refuses a newer file.
int acceptedVersion(int found);
// The version of the open store, refused as acceptedVersion refuses it; a server database that
// holds no practice refuses the question itself (MissingObject).
int versionOf(Connection &connection, bool forUpgrade = false);

// Brings an open database to Version (an empty file gets every table and the delivered rows),
// in one transaction. Refuses a file written by a newer program.
void upgrade(Connection &connection);

// Refuses a file that lacks a table or a column the program names (MissingObject).
void verify(Connection &connection);

// Makes an empty server database a practice at Version, with the delivered rows, in one
// transaction; refuses a database that holds any table.
void createServerPractice(Connection &connection);
// The tables of Version, without any row, in an empty database of either engine, in the
// caller's transaction; refuses a database that holds any table. For a practice whose rows
// come from another store (a file moved to a server, a server's backup).
void createTables(Connection &connection);

// Writes a new data.mdb at `path`, encrypted with `password`; refuses to replace a file.
void createDatabase(const QString &path, const QString &password);
// The same with the new, empty file filled by `fill` instead of the tables and delivered rows
// of a new practice; nothing is left at `path` when it throws.
void createDatabase(const QString &path, const QString &password, const std::function<void(Connection &)> &fill);

} // namespace schema

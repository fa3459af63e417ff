#pragma once

#include "data/jet_dialect.h"

#include <QString>
#include <QStringList>
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
QStringList appointmentSlots();

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

// Brings an open database to Version (an empty file gets every table and the delivered rows),
// in one transaction. Refuses a file written by a newer program.
void upgrade(Connection &connection);

// Refuses a file that lacks a table or a column the program names (MissingObject).
void verify(Connection &connection);

// Writes a new data.mdb at `path`, encrypted with `password`; refuses to replace a file.
void createDatabase(const QString &path, const QString &password);

} // namespace schema

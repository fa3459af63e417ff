#pragma once

#include <QString>
#include <QStringList>

// The statements of the windows are written in the Jet dialect; this turns them into the
// engine's own just before they are run. One tokenizer, aware of quotes, brackets and date
// literals, does every rewrite:
//   #m/d/yyyy#   -> 'yyyy-mm-dd'
//   "text"       -> 'text'
//   TRUE / FALSE -> 1 / 0
// and for the server besides:
//   [NAME]                  -> "name" (the server's tables are made with names in small letters)
//   ? and ?N                -> $1, $2 … and $N
//   a LIKE b                -> velmora_fold(a) LIKE velmora_fold(b) ESCAPE ''
//   Format, DAY, MONTH, YEAR-> velmora_format … (functions the server is given with the tables)
//   rowid                   -> velmora_row; last_insert_rowid() -> lastval()
//   COLLATE GREEK           -> COLLATE velmora_greek
//   ORDER BY a, b DESC      -> ORDER BY a NULLS FIRST, b DESC NULLS LAST (NULL sorts lowest, as in the file)
// For the encrypted file, [NAME], Format(), DAY(), MONTH(), YEAR(), LIKE and the Greek sort order
// need no rewrite: the functions and the collation are registered on every connection
// (data/jet_functions.h).
namespace jet {

// The engines a practice can keep its data in: the encrypted file of one seat, or a server
// shared by several.
enum class Engine {
    SqlCipher,
    Postgres,
};

QString translate(const QString &jetSql, Engine engine = Engine::SqlCipher);

// A text as a literal of a statement: between single quotes, each quote in it doubled, every
// other character (%, \, ") as it stands. The one way a text is spliced into a statement
// where the statement itself is handed on as text (a search's criteria).
QString quoted(const QString &text);

// The engine statement with the base table's row id as its first column, for a result over
// exactly one table whose rows can be written back; empty when the statement is not such a
// plain select (aggregates, grouping, joins, unions).
QString withRowId(const QString &engineSql, Engine engine = Engine::SqlCipher);

inline constexpr const char *GreekCollation = "GREEK";

// On the server: the collation made with the practice's tables (ICU Greek, Latin letters before
// Greek ones, as GREEK orders them), the folding LIKE compares through, and the hidden column
// that keys every table's rows where the file has its rowid.
inline constexpr const char *ServerGreekCollation = "velmora_greek";
inline constexpr const char *ServerFoldFunction = "velmora_fold";
inline constexpr const char *ServerRowColumn = "velmora_row";
// The server's notification channel: every committed change to a practice's table is announced
// there with the table's name (as the program spells it), so that other seats show it at once.
inline constexpr const char *ServerChangeChannel = "velmora_changes";

} // namespace jet

#pragma once

#include "clinical/who_growth.h"

#include <QStringList>

struct sqlite3;

// Growth readings as the program shows them, and the SQL functions that give the same numbers.
namespace who {

// "P62 (z 0,31)": the centile as a paediatrician reads it, then the z with two decimals.
QString centileAndZ(double z);

// The child's age at a measurement as a parent reads it: "2 ετ. 3 μην.", "5 μην. 12 ημ.",
// "12 ημ."; empty before birth or without dates.
QString ageText(const QDate &birth, const QDate &measured);

// WHO_Z(indicator, sex, birth_date, measure_date, value [, height_cm]), WHO_CENTILE(...the
// same...) and WHO_READING(...the same...), the text centileAndZ after "! " for an implausible
// value, for printouts; NULL where zScore has no answer. AGE_TEXT(birth_date, measure_date)
// gives ageText.
void registerSqlFunctions(sqlite3 *db);

// The same functions for a server database, in the server's own SQL: the reference tables
// loaded into velmora_who_tables and velmora_who_lms, and WHO_Z, WHO_CENTILE, WHO_READING and
// AGE_TEXT computed from them step by step as above.
QStringList serverSqlFunctions();

} // namespace who

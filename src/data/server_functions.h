#pragma once

#include <QStringList>

namespace jet {

// What a practice's server database is given before its tables, for the statements the
// dialect turns into the server's SQL: the Greek collation, the folding LIKE compares
// through, Format, DAY, MONTH, YEAR and TOTAL, the WHO growth functions and AGE_TEXT, as the
// encrypted file's connections have them.
// The statements are the server's own SQL, to be run as they stand (not translated).
QStringList serverFunctionStatements();

} // namespace jet

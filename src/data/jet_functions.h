#pragma once

#include "data/jet_dialect.h"

struct sqlite3;

namespace jet {

// Gives an encrypted-file connection what the Jet statements call: Format, DAY, MONTH, YEAR,
// a Greek-aware LIKE, SUM and TOTAL over exact decimals, the Greek collation and the WHO
// growth functions.
void registerJetFunctions(sqlite3 *db);

} // namespace jet

#pragma once

#include <QString>

// Captions that have always carried a Latin letter inside Greek words. They stay exactly as
// they read, so that people, their notes and tools that look for a caption still find it.
namespace captions {

inline const QString LoginCaseNote = QStringLiteral("Προσοχή έχoυν σημασία Πεζά / Κεφαλαία"); // Latin "o"
// clang-format off
inline const QString FindBetweenDates = QStringLiteral("Eύ&ρεση");   // Latin "E": income and expense searches
inline const QString RemindersItem = QStringLiteral("Yπενθ&υμίσεις"); // Latin "Y": main menu
inline const QString Diseases = QStringLiteral("Aσθένειες");          // Latin "A": health card group
inline const QString VaccinationsItem = QStringLiteral("Ε&μβoλιασμοί"); // Latin "o": children register menu
inline const QString VaccinationsPrintout = QStringLiteral("Εμβoλιασμοί"); // Latin "o": child printouts
// clang-format on

} // namespace captions

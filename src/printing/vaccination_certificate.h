#pragma once

#include <QtGlobal>

class QWidget;

// «Βεβαίωση εμβολιασμών»: the doses one child was given (vaccine, dose, date, product), under the
// practice's letterhead, with a line for the doctor's signature. A child with no dose on record
// is told so instead of getting an empty page.
void printVaccinationCertificate(qint64 childId, QWidget *parent);

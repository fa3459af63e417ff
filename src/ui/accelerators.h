#pragma once

#include <QChar>

class QObject;

// The letter a physical letter key gives on the standard Greek layout, and on the Latin one,
// whichever of the two the key event came from; a null QChar for a key with no letter there.
QChar greekLetterOfKey(int key);
QChar latinLetterOfKey(int key);

// Accelerators answer Alt+key on both layouts: the key presses the accelerator of the letter it
// gives on the Greek layout (or on the Latin one), whichever layout is active. An Alt+letter
// that presses nothing types nothing into the focused field. Installed on the application.
void installLayoutAccelerators(QObject *application);

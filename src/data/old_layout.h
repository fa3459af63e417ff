#pragma once

#include "data/keys/secret_bytes.h"

#include <QByteArray>
#include <QString>

class Connection;

// Practice folders written before data.mdb had a key file: the file was keyed with a constant
// of the program and SECURITY held the access password in plain text. Such a folder is
// converted once, at the first start after its login check; a kill at any moment leaves
// either the old layout or the new one.
namespace old_layout {

// data.mdb without its key file, once an interrupted conversion has been settled.
bool isOldLayout(const QString &dataFile);
Connection open(const QString &dataFile);
SecretBytes engineKey();
// SECURITY's first column, trimmed: the access password of an old folder.
QString storedPassword(const QString &dataFile);
// The folder as it is, never written, for the password of its time; throws DbError for another.
Connection openForReading(const QString &dataFile, const QString &password);

// Finishes a conversion that had reached its key file, or removes the traces of one that had not.
void settleInterruptedConversion(const QString &dataFile);

// A new data key wraps under `password`; the rows move into a new file under that key
// (SECURITY keeps no password any more); the old file goes only once the new one is proved.
// The old password lies in every copy of the old file, so the key file says that the
// practice's own password is still to be set (which brings another new data key).
void convert(const QString &dataFile, const QString &password);

} // namespace old_layout

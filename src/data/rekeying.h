#pragma once

#include "data/database_copy.h"
#include "data/keys/secret_bytes.h"

#include <QString>

// A new data key for data.mdb, so that no earlier key file (an old copy, a backup, blocks left
// on a disk) opens today's data. The rows move into a new file under the new key and are
// proved there, then the key file is replaced, then the new file; a kill at any moment leaves
// the old key with the old file or the new key with the new one. The recovery keys sealed in
// the key file stay good.
namespace rekeying {

// Returns the new data key; `newPassword` opens it. Throws DbError: a wrong secret, a full disk.
SecretBytes changeDataKey(const QString &dataFile, const QString &secret, const QString &newPassword,
                          const database_copy::Progress &progress = {});

// Finishes a re-keying that had written its key file, or removes the traces of one that had not.
void settleInterrupted(const QString &dataFile);

} // namespace rekeying

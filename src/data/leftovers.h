#pragma once

#include <QString>

// What a kill can leave beside data.mdb, settled before the folder is used (at start-up and by
// velmora-db): a conversion or a re-keying cut short is finished or undone; partial key files,
// the engine's orphan master journals and half-made backups are removed. Never touches what
// another program may be writing right now.
void removeLeftovers(const QString &dataFile);

#include "data/leftovers.h"

#include "data/backup.h"
#include "data/folder_in_use.h"
#include "data/keys/key_file.h"
#include "data/old_layout.h"
#include "data/rekeying.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace {

// A private file is written and moved into place within moments; one older than this was left
// by a program that was killed.
constexpr int StaleSeconds = 60;

void removeStale(const QDir &folder, const QString &pattern)
{
    const QDateTime before = QDateTime::currentDateTime().addSecs(-StaleSeconds);
    for (const QFileInfo &file : folder.entryInfoList({pattern}, QDir::Files | QDir::Hidden))
        if (file.lastModified() < before)
            QFile::remove(file.filePath());
}

} // namespace

void removeLeftovers(const QString &dataFile)
{
    const QFileInfo data(dataFile);
    const QDir folder = data.dir();
    old_layout::settleInterruptedConversion(dataFile);
    if (QFileInfo::exists(keyFilePathFor(dataFile)))
        rekeying::settleInterrupted(dataFile);
    removeStale(folder, QFileInfo(keyFilePathFor(dataFile)).fileName() + QStringLiteral(".part-*"));
    // A master journal only counts while a rollback journal names it: with none left beside
    // it (the copy it served is gone), nothing will ever read it again.
    if (folder.entryList({QStringLiteral("*-journal")}, QDir::Files | QDir::Hidden).isEmpty())
        removeStale(folder, data.fileName() + QStringLiteral("-mj*"));
    removeUnfinishedBackups(dataFile);
    removeUnheldLock(dataFile);
}

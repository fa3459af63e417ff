#pragma once

#include <QString>

// Work that moves data.mdb from under the connections open on it (a new data key) must never run
// while a program is logged in on the folder: that program would go on writing to the file that
// was replaced, and whatever it wrote would be lost. The program holds a shared lock on a file
// beside data.mdb for its run; such work takes that lock alone. The locks are the kernel's
// (flock): a program that is killed lets go of its lock with its last breath, so nothing is left
// that blocks for ever.
class FolderInUse {
public:
    // Waits while such work is at it.
    explicit FolderInUse(const QString &dataFile);
    ~FolderInUse();
    FolderInUse(const FolderInUse &) = delete;
    FolderInUse &operator=(const FolderInUse &) = delete;

private:
    QString m_lockPath;
};

// Held for the whole of the work that replaces data.mdb. Throws DbError (FileInUse) while a
// program, another one or another copy of this one, has the folder open; this process's own
// hold on the folder does not count, and holders in one process may nest.
class SoleUse {
public:
    explicit SoleUse(const QString &dataFile);
    ~SoleUse();
    SoleUse(const SoleUse &) = delete;
    SoleUse &operator=(const SoleUse &) = delete;

private:
    QString m_lockPath;
};

// The lock file of a killed holder, which nothing holds any more, is removed (no litter).
void removeUnheldLock(const QString &dataFile);

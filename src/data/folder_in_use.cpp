#include "data/folder_in_use.h"

#include "data/db_error.h"
#include "data/keys/private_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// flock belongs to an open file: a second open in this process would stand against the first,
// so every holder in the process shares one, shared or alone as the holders need.
struct Hold {
    int descriptor = -1;
    int sharing = 0; // FolderInUse
    int alone = 0;   // SoleUse
};

QHash<QString, Hold> &holds()
{
    static QHash<QString, Hold> all;
    return all;
}

QString lockPathFor(const QString &dataFile)
{
    const QFileInfo data(dataFile);
    return data.absoluteDir().filePath(QLatin1Char('.') + data.fileName() + QStringLiteral("-in-use"));
}

int lockWaitingOutSignals(int descriptor, int operation)
{
    int result = 0;
    do
        result = ::flock(descriptor, operation);
    while (result != 0 && errno == EINTR);
    return result;
}

bool sameFile(int descriptor, const QByteArray &path)
{
    struct stat opened = {};
    struct stat named = {};
    return ::fstat(descriptor, &opened) == 0 && ::stat(path.constData(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// The lock file as it stands, locked; -1 with errno set when it cannot be made or is held. The
// last holder removes the file: one that was locked just as it went is let go, and the new one
// taken instead, so that two holders never lock two different files.
int openLocked(const QString &path, int operation)
{
    const QByteArray name = QFile::encodeName(path);
    const PrivateFileMode privateMode;
    for (;;) {
        const int descriptor = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (descriptor < 0)
            return -1;
        if (lockWaitingOutSignals(descriptor, operation) != 0) {
            const int reason = errno;
            ::close(descriptor);
            errno = reason;
            return -1;
        }
        if (sameFile(descriptor, name))
            return descriptor;
        ::close(descriptor);
    }
}

void letGoIfUnused(const QString &lockPath)
{
    const Hold hold = holds().value(lockPath);
    if (hold.sharing > 0 || hold.alone > 0)
        return;
    holds().remove(lockPath);
    if (hold.descriptor < 0)
        return;
    // No litter: the file goes with the last holder of any process.
    if (lockWaitingOutSignals(hold.descriptor, LOCK_EX | LOCK_NB) == 0)
        ::unlink(QFile::encodeName(lockPath).constData());
    ::close(hold.descriptor); // the lock goes with it
}

DbError heldOpen(const QString &lockPath)
{
    const QString folder = QFileInfo(lockPath).absolutePath();
    return DbError(DbError::Kind::FileInUse,
                   QStringLiteral("The program has the practice folder '%1' open; close it (on every computer that "
                                  "uses the folder) and try again. Nothing was changed")
                       .arg(folder));
}

DbError cannotLock(const QString &lockPath, int reason)
{
    if (reason == ENOSPC || reason == EDQUOT)
        return DbError(DbError::Kind::DiskFull, QStringLiteral("The disk is full; could not write '%1'").arg(lockPath));
    return DbError(DbError::Kind::ReadOnly,
                   QStringLiteral("Could not write in the practice folder '%1'").arg(QFileInfo(lockPath).absolutePath()));
}

} // namespace

FolderInUse::FolderInUse(const QString &dataFile) : m_lockPath(lockPathFor(dataFile))
{
    Hold &hold = holds()[m_lockPath];
    if (hold.sharing++ > 0 || hold.alone > 0)
        return;
    // A folder that cannot be written cannot have data.mdb replaced either: no lock is needed there.
    hold.descriptor = openLocked(m_lockPath, LOCK_SH);
}

FolderInUse::~FolderInUse()
{
    --holds()[m_lockPath].sharing;
    letGoIfUnused(m_lockPath);
}

SoleUse::SoleUse(const QString &dataFile) : m_lockPath(lockPathFor(dataFile))
{
    Hold &hold = holds()[m_lockPath];
    if (hold.alone > 0) {
        ++hold.alone;
        return;
    }
    if (hold.descriptor >= 0) {
        // This process's own shared lock becomes the lone one.
        if (lockWaitingOutSignals(hold.descriptor, LOCK_EX | LOCK_NB) != 0) {
            // Changing a lock's kind may let go of it first: it is taken again as it was.
            lockWaitingOutSignals(hold.descriptor, LOCK_SH | LOCK_NB);
            throw heldOpen(m_lockPath);
        }
    } else {
        hold.descriptor = openLocked(m_lockPath, LOCK_EX | LOCK_NB);
        if (hold.descriptor < 0) {
            const int reason = errno;
            letGoIfUnused(m_lockPath);
            if (reason == EWOULDBLOCK)
                throw heldOpen(m_lockPath);
            throw cannotLock(m_lockPath, reason);
        }
    }
    ++hold.alone;
}

SoleUse::~SoleUse()
{
    Hold &hold = holds()[m_lockPath];
    if (--hold.alone == 0 && hold.sharing > 0)
        lockWaitingOutSignals(hold.descriptor, LOCK_SH);
    letGoIfUnused(m_lockPath);
}

void removeUnheldLock(const QString &dataFile)
{
    const QString lockPath = lockPathFor(dataFile);
    if (holds().contains(lockPath))
        return;
    const QByteArray name = QFile::encodeName(lockPath);
    const int descriptor = ::open(name.constData(), O_RDWR | O_CLOEXEC);
    if (descriptor < 0)
        return;
    if (lockWaitingOutSignals(descriptor, LOCK_EX | LOCK_NB) == 0 && sameFile(descriptor, name))
        ::unlink(name.constData());
    ::close(descriptor);
}

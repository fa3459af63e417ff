#include "data/keys/private_files.h"

#include "data/db_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const QString &what, const QString &path)
{
    if (errno == ENOSPC || errno == EDQUOT)
        throw DbError(DbError::Kind::DiskFull, QStringLiteral("The disk is full; could not write '%1'").arg(path));
    throw DbError(DbError::Kind::Other, QStringLiteral("Could not %1 '%2': %3").arg(what, path, QString::fromLocal8Bit(strerror(errno))));
}

DbError existsAlready(const QString &path)
{
    return DbError(DbError::Kind::Other, QStringLiteral("The file '%1' exists already; it was left as it is").arg(path));
}

} // namespace

void syncFolderOf(const QString &path)
{
    const int folder = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

PrivateFileMode::PrivateFileMode() : m_previous(::umask(077)) {}

PrivateFileMode::~PrivateFileMode()
{
    ::umask(m_previous);
}

void makePrivateFolder(const QString &path)
{
    PrivateFileMode privately;
    if (!QDir().mkpath(path))
        throw DbError(DbError::Kind::Other, QStringLiteral("Could not make the folder '%1'").arg(path));
}

void durableRename(const QString &from, const QString &to)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        fail(QStringLiteral("write the file"), to);
    syncFolderOf(to);
}

void refuseExisting(std::initializer_list<QString> paths)
{
    for (const QString &path : paths)
        if (QFileInfo::exists(path))
            throw existsAlready(path);
}

void writePrivateFile(const QString &path, const QByteArray &bytes, Replace replace)
{
    if (replace == Replace::No)
        refuseExisting({path});
    const QString partial = path + QStringLiteral(".part-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    const int fd = ::open(QFile::encodeName(partial).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        fail(QStringLiteral("write the file"), partial);
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += n;
    }
    const bool synced = written == bytes.size() && ::fsync(fd) == 0;
    const int writeError = errno;
    ::close(fd);
    if (!synced) {
        QFile::remove(partial);
        errno = writeError;
        fail(QStringLiteral("write the file"), partial);
    }
    try {
        if (replace == Replace::Yes) {
            durableRename(partial, path);
        } else {
            // A hard link never replaces: the check above cannot race another writer.
            if (::link(QFile::encodeName(partial).constData(), QFile::encodeName(path).constData()) != 0) {
                if (errno != EEXIST)
                    fail(QStringLiteral("write the file"), path);
                throw existsAlready(path);
            }
            QFile::remove(partial);
            syncFolderOf(path);
        }
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
}

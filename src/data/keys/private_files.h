#pragma once

#include <QByteArray>
#include <QString>
#include <initializer_list>
#include <sys/types.h>

// Health data: every file and folder the data layer makes is the owner's alone (0600 / 0700),
// whatever the umask of the desktop session.
class PrivateFileMode {
public:
    PrivateFileMode();
    ~PrivateFileMode();
    PrivateFileMode(const PrivateFileMode &) = delete;
    PrivateFileMode &operator=(const PrivateFileMode &) = delete;

private:
    mode_t m_previous;
};

// Nothing the practice keeps is ever replaced: refuses to go on when any of the files exists.
void refuseExisting(std::initializer_list<QString> paths);

// Makes the folder and any missing parents, private; throws DbError when it cannot.
void makePrivateFolder(const QString &path);

// Writes the whole file under a temporary name, forces it to the disk and moves it into place,
// so that a crash leaves either the old file or the new one. Refuses to replace a file unless told.
enum class Replace { No, Yes };
void writePrivateFile(const QString &path, const QByteArray &bytes, Replace replace);

// Forces the folder holding `path` to the disk: what was made, removed or renamed there stands.
void syncFolderOf(const QString &path);

// A rename that survives a power failure: the folder holding it is forced to the disk.
void durableRename(const QString &from, const QString &to);

#include "fixture.h"

#include "global.h"
#include "schema.h"

#include <QDir>
#include <QFile>

namespace {

QString templateFile()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = dir.filePath(DataFileName);
        schema::createDatabase(file, DbPassword);
        return file;
    }();
    return path;
}

} // namespace

TestPractice::TestPractice()
{
    QFile::copy(templateFile(), dataFile());
}

QString TestPractice::dataFile() const
{
    return QDir(m_dir.path()).filePath(DataFileName);
}

QString TestPractice::connectionString() const
{
    return connectionStringFor(m_dir.path());
}

Connection TestPractice::connect() const
{
    return Connection(connectionString());
}

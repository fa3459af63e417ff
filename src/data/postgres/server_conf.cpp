#include "data/postgres/server_conf.h"

#include "data/db_error.h"
#include "data/global.h"
#include "data/keys/private_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>

namespace {

const char *const Keys[] = {"host", "port", "database", "role", "ca"};

QString encoded(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

DbError badFile(const QString &path, const QString &what)
{
    return {DbError::Kind::Other, QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), what)};
}

} // namespace

bool ServerConf::existsIn(const QString &folder)
{
    return QFileInfo(QDir(folder).filePath(FileName)).isFile();
}

ServerConf ServerConf::load(const QString &folder)
{
    const QString path = QDir(folder).filePath(FileName);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw DbError(DbError::Kind::FileNotFound, QStringLiteral("Could not read '%1'").arg(path));
    ServerConf conf;
    int lineNumber = 0;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        ++lineNumber;
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const auto equals = line.indexOf(QLatin1Char('='));
        const QString key = line.left(equals).trimmed(), value = line.mid(equals + 1).trimmed();
        if (equals < 0 || std::find(std::begin(Keys), std::end(Keys), key) == std::end(Keys))
            throw badFile(path, QStringLiteral("line %1 is not one of host, port, database, role, ca").arg(lineNumber));
        if (key == QLatin1String("host"))
            conf.host = value;
        else if (key == QLatin1String("port"))
            conf.port = value.toInt();
        else if (key == QLatin1String("database"))
            conf.database = value;
        else if (key == QLatin1String("role"))
            conf.role = value;
        else
            conf.caFile = value;
    }
    return conf;
}

void ServerConf::save(const QString &folder) const
{
    const QString text = QStringLiteral("# The practice's server for this seat. The password is never kept here.\n"
                                        "host = %1\nport = %2\ndatabase = %3\nrole = %4\nca = %5\n")
                             .arg(host)
                             .arg(port)
                             .arg(database, role, caFile);
    writePrivateFile(QDir(folder).filePath(FileName), text.toUtf8(), Replace::Yes);
}

QString ServerConf::fault() const
{
    if (host.isEmpty())
        return QStringLiteral("Γράψτε τη διεύθυνση του διακομιστή.");
    if (port < 1 || port > 65535)
        return QStringLiteral("Η θύρα είναι αριθμός από 1 έως 65535.");
    if (database.isEmpty())
        return QStringLiteral("Γράψτε το όνομα της βάσης δεδομένων.");
    if (role.isEmpty())
        return QStringLiteral("Γράψτε τον χρήστη (ρόλο) της θέσης εργασίας.");
    if (!overSocket() && caFile.isEmpty())
        return QStringLiteral("Η σύνδεση μέσω δικτύου γίνεται μόνο με το πιστοποιητικό (CA) του ιατρείου· "
                              "επιλέξτε το αρχείο του.");
    // Whatever the file says, nothing in it may become a line of its own.
    for (const QString &value : {host, database, role, caFile})
        if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')))
            return QStringLiteral("Οι τιμές γράφονται σε μία γραμμή.");
    return {};
}

QString ServerConf::uri(const QString &folder) const
{
    if (const QString wrong = fault(); !wrong.isEmpty())
        throw DbError(DbError::Kind::Other,
                      QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(QDir(folder).filePath(FileName)), wrong));
    // Put together piece by piece: an encoded value holds "%" signs that arg() would fill in.
    QString uri = QStringLiteral("postgresql:///") + encoded(database) + QStringLiteral("?host=") + encoded(host) +
                  QStringLiteral("&port=") + QString::number(port) + QStringLiteral("&user=") + encoded(role);
    if (overSocket())
        return uri + QStringLiteral("&sslmode=disable");
    const QString ca = QDir(folder).absoluteFilePath(caFile);
    return uri + QStringLiteral("&sslmode=verify-full&sslrootcert=") + encoded(ca);
}

QString ServerConf::displayName() const
{
    return QStringLiteral("%1@%2:%3/%4").arg(role, host).arg(port).arg(database);
}

QString practiceDataSource(const QString &folder)
{
    if (ServerConf::existsIn(folder))
        return ServerConf::load(folder).uri(folder);
    return QDir(folder).filePath(DataFileName);
}

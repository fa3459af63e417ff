// velmora-db: the practice's administration tool for data.mdb.
//   velmora-db create DIR              a new data.mdb in DIR (never over an existing one)
//   velmora-db sql FILE "STATEMENT"    runs one statement; rows tab-separated under a header
//   velmora-db backup FILE DEST        a verified, encrypted copy, even while the program runs
#include "backup.h"
#include "connection.h"
#include "dataset.h"
#include "db_error.h"
#include "global.h"
#include "jet_dialect.h"
#include "schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>
#include <sqlite3.h>

namespace {

int usage()
{
    QTextStream(stderr) << "usage:\n"
                           "  velmora-db create DIR\n"
                           "  velmora-db sql FILE \"STATEMENT\"\n"
                           "  velmora-db backup FILE DEST\n";
    return 2;
}

int runStatement(const QString &file, const QString &statement)
{
    QTextStream out(stdout);
    Connection connection = Connection::openFile(file, DbPassword);
    DataSet rows(connection);
    rows.setSql(statement);
    // A statement that returns columns is read as a result; anything else reports its changes.
    bool returnsRows = false;
    {
        Statement probe(connection, jet::translate(statement));
        returnsRows = probe.columnCount() > 0;
    }
    if (!returnsRows) {
        out << connection.execute(statement) << Qt::endl;
        return 0;
    }
    rows.open();
    QStringList header;
    for (int c = 0; c < rows.fieldCount(); ++c)
        header << rows.field(c).name;
    out << header.join(QLatin1Char('\t')) << '\n';
    for (int r = 0; r < rows.recordCount(); ++r) {
        QStringList line;
        for (int c = 0; c < rows.fieldCount(); ++c)
            line << displayText(rows.value(r, c)).replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        out << line.join(QLatin1Char('\t')) << '\n';
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage();
    try {
        const QString verb = args[0];
        if (verb == QLatin1String("create") && args.size() == 2) {
            const QString path = QDir(args[1]).filePath(DataFileName);
            if (!QDir().mkpath(args[1]))
                throw DbError(DbError::Kind::Other, QStringLiteral("Could not make the folder '%1'").arg(args[1]));
            schema::createDatabase(path, DbPassword);
            QTextStream(stdout) << path << Qt::endl;
            return 0;
        }
        if (verb == QLatin1String("sql") && args.size() == 3)
            return runStatement(args[1], args[2]);
        if (verb == QLatin1String("backup") && args.size() == 3) {
            const BackupResult result = backupDatabase(args[1], args[2], DbPassword);
            QTextStream out(stdout);
            out << result.path << Qt::endl;
            for (auto it = result.rowCounts.cbegin(); it != result.rowCounts.cend(); ++it)
                out << it.key() << '\t' << it.value() << '\n';
            return 0;
        }
        return usage();
    } catch (const DbError &error) {
        QTextStream(stderr) << error.text() << Qt::endl;
        return 1;
    }
}

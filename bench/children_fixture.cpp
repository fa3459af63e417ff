#include "children_fixture.h"

#include "data/connection.h"
#include "data/global.h"
#include "data/db_error.h"
#include "data/schema.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <map>
#include <sqlite3.h>

QTemporaryDir &workDirectory()
{
    static QTemporaryDir dir;
    return dir;
}

namespace {

QString pick(QRandomGenerator &random, const QStringList &words)
{
    return words.at(int(random.bounded(words.size())));
}

} // namespace

namespace {

void addChildren(Connection &c, int rows)
{
    const QStringList first = {"Γιώργος", "Μαρία", "Νίκος", "Ελένη", "Δημήτρης", "Κατερίνα", "Άννα", "Κώστας"};
    const QStringList last = {"Παπαδόπουλος", "Παπαδάκης", "Αλεξίου", "Βασιλείου", "Γεωργίου", "Δημητρίου",
                              "Ζαχαρίου", "Ηλιόπουλος", "Θεοδώρου", "Ιωάννου", "Καραγιάννης", "Λαμπράκης",
                              "Μαυρίδης", "Νικολάου", "Οικονόμου", "Πετρίδης", "Ράλλης", "Σταύρου",
                              "Τσακίρης", "Φραγκιάς", "Χατζής", "Ψαράς", "Ωραιόπουλος", "Πάτρας"};
    QRandomGenerator random(7);
    Transaction t(c);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(c.handle(),
                       "INSERT INTO STOIXEIA_PAIDIOY(ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,"
                       "ONOMATEPWNYMO_MHTERAS,ONOMATEPWNYMO_KHDEMONA,DIEYTHYNSH,THLEFWNO_1,THLEFWNO_2) "
                       "VALUES(?,?,?,?,?,?,?,?,?,?)",
                       -1, &insert, nullptr);
    for (int i = 0; i < rows; ++i) {
        const QString surname = pick(random, last) + (i % 3 ? QString() : QString::number(i % 97));
        const QString father = pick(random, first) + ' ' + surname;
        const QString values[] = {
            pick(random, first),
            surname,
            i % 2 ? "ΑΡΡΕΝ" : "ΘΗΛΥ",
            QDate(2000, 1, 1).addDays(random.bounded(9000)).toString(Qt::ISODate),
            father,
            pick(random, first) + ' ' + surname,
            father,
            QString("Οδός Ερμού %1, Αθήνα").arg(random.bounded(200)),
            QString("210%1").arg(random.bounded(10000000), 7, 10, QChar('0')),
            QString("69%1").arg(random.bounded(100000000), 8, 10, QChar('0')),
        };
        for (int v = 0; v < 10; ++v) {
            const QByteArray utf8 = values[v].toUtf8();
            sqlite3_bind_text(insert, v + 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        }
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    t.commit();
}

QString makePractice(const QString &folder, int rows)
{
    QDir().mkpath(folder);
    const QString file = QDir(folder).filePath(DataFileName);
    schema::createDatabase(file, DbPassword);
    Connection c = Connection::openFile(file, DbPassword);
    addChildren(c, rows);
    return file;
}

bool holdsChildren(const QString &file, int rows)
{
    try {
        return Connection::openFile(file, DbPassword).scalar("SELECT COUNT(*) FROM STOIXEIA_PAIDIOY").toInt() == rows;
    } catch (const DbError &) {
        return false;
    }
}

} // namespace

const QString &practiceFile()
{
    static const QString path = makePractice(workDirectory().path(), 100000);
    return path;
}

QString practiceFileWith(int rows)
{
    static std::map<int, QString> made;
    if (const auto found = made.find(rows); found != made.end())
        return found->second;
    QString file;
    if (rows < 1000000) {
        file = makePractice(QDir(workDirectory().path()).filePath(QString("children-%1").arg(rows)), rows);
    } else {
        // Minutes to make: kept for later runs, made under another name and moved into place whole.
        const QString kept = QDir::temp().filePath(QString("velmora-bench-%1-children").arg(rows));
        file = QDir(kept).filePath(DataFileName);
        if (!holdsChildren(file, rows)) {
            QDir(kept).removeRecursively();
            const QString making = kept + ".making";
            QDir(making).removeRecursively();
            makePractice(making, rows);
            QDir().rename(making, kept);
        }
    }
    made[rows] = file;
    return file;
}

QString practiceDirectory()
{
    practiceFile();
    return workDirectory().path();
}

double processMegabytes(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

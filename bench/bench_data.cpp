// The data layer under the children register's load: 100,000 children.
#include "connection.h"
#include "dataset.h"
#include "global.h"
#include "schema.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sqlite3.h>

namespace {

const char *const RegisterStatement =
    "SELECT ID,ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,ONOMATEPWNYMO_MHTERAS,"
    "ONOMATEPWNYMO_KHDEMONA,THLEFWNO_1,THLEFWNO_2,DIEYTHYNSH FROM STOIXEIA_PAIDIOY ORDER BY EPWNYMO ASC";

const QStringList SortColumns = {"EPWNYMO", "HMEROMHNIA_GENNHSEWS", "FYLO", "ONOMATEPWNYMO_PATERA",
                                 "ONOMATEPWNYMO_MHTERAS", "ONOMATEPWNYMO_KHDEMONA"};

QTemporaryDir &workDir()
{
    static QTemporaryDir dir;
    return dir;
}

QString pick(QRandomGenerator &random, const QStringList &words)
{
    return words.at(int(random.bounded(words.size())));
}

// A practice with 100,000 children of random Greek names, made once per run.
const QString &practiceFile()
{
    static const QString path = [] {
        const QString file = QDir(workDir().path()).filePath(DataFileName);
        schema::createDatabase(file, DbPassword);
        Connection c = Connection::openFile(file, DbPassword);
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
        for (int i = 0; i < 100000; ++i) {
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
        return file;
    }();
    return path;
}

void BM_RegisterLoad_DataSet(benchmark::State &state)
{
    Connection c = Connection::openFile(practiceFile(), DbPassword);
    for (auto _ : state) {
        DataSet set(c);
        set.setSql(RegisterStatement);
        set.open();
        benchmark::DoNotOptimize(set.recordCount());
    }
}
BENCHMARK(BM_RegisterLoad_DataSet)->Unit(benchmark::kMillisecond);

// The same statement stepped through the engine's bare API, every column read as text.
void BM_RegisterLoad_BareEngine(benchmark::State &state)
{
    Connection c = Connection::openFile(practiceFile(), DbPassword);
    for (auto _ : state) {
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(c.handle(), RegisterStatement, -1, &stmt, nullptr);
        size_t bytes = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            for (int col = 0; col < sqlite3_column_count(stmt); ++col) {
                benchmark::DoNotOptimize(sqlite3_column_text(stmt, col));
                bytes += size_t(sqlite3_column_bytes(stmt, col));
            }
        sqlite3_finalize(stmt);
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_RegisterLoad_BareEngine)->Unit(benchmark::kMillisecond);

void BM_RegisterMemory(benchmark::State &state)
{
    Connection c = Connection::openFile(practiceFile(), DbPassword);
    for (auto _ : state) {
        const size_t before = mallinfo2().uordblks;
        DataSet set(c);
        set.setSql(RegisterStatement);
        set.open();
        state.counters["MB"] = double(mallinfo2().uordblks - before) / (1024.0 * 1024.0);
    }
}
BENCHMARK(BM_RegisterMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_RegisterResort(benchmark::State &state)
{
    Connection c = Connection::openFile(practiceFile(), DbPassword);
    DataSet set(c);
    set.setSql(RegisterStatement);
    set.open();
    const QString column = SortColumns.at(int(state.range(0)));
    state.SetLabel(column.toStdString());
    bool descending = false;
    for (auto _ : state) {
        set.setSort(column + (descending ? " DESC" : " ASC"));
        descending = !descending;
    }
}
BENCHMARK(BM_RegisterResort)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

void BM_SurnameSearch(benchmark::State &state)
{
    Connection c = Connection::openFile(practiceFile(), DbPassword);
    const QString search = QString(RegisterStatement).replace("ORDER BY", "WHERE EPWNYMO LIKE'Πα%' ORDER BY");
    for (auto _ : state) {
        DataSet set(c);
        set.setSql(search);
        set.open();
        state.counters["rows"] = set.recordCount();
    }
}
BENCHMARK(BM_SurnameSearch)->Unit(benchmark::kMillisecond);

// The first connection to a file derives its key; later ones in the process reuse it.
void BM_OpenAndQuery_First(benchmark::State &state)
{
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString file = QDir(workDir().path()).filePath(QString("first-%1.mdb").arg(n++));
        schema::createDatabase(file, DbPassword);
        state.ResumeTiming();
        Connection c = Connection::openFile(file, DbPassword);
        benchmark::DoNotOptimize(c.scalar("SELECT * FROM SECURITY"));
    }
}
BENCHMARK(BM_OpenAndQuery_First)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_OpenAndQuery_Later(benchmark::State &state)
{
    Connection::openFile(practiceFile(), DbPassword);
    for (auto _ : state) {
        Connection c(connectionStringFor(workDir().path()));
        benchmark::DoNotOptimize(c.scalar("SELECT * FROM SECURITY"));
    }
}
BENCHMARK(BM_OpenAndQuery_Later)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

// The data layer under the children register's load: 100,000 children.
#include "data/connection.h"
#include "data/dataset.h"
#include "data/global.h"
#include "data/keys/key_file.h"
#include "data/rekeying.h"
#include "data/schema.h"
#include "children_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

const char *const RegisterStatement =
    "SELECT ID,ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,ONOMATEPWNYMO_MHTERAS,"
    "ONOMATEPWNYMO_KHDEMONA,THLEFWNO_1,THLEFWNO_2,DIEYTHYNSH FROM STOIXEIA_PAIDIOY ORDER BY EPWNYMO ASC";

const QStringList SortColumns = {"EPWNYMO", "HMEROMHNIA_GENNHSEWS", "FYLO", "ONOMATEPWNYMO_PATERA",
                                 "ONOMATEPWNYMO_MHTERAS", "ONOMATEPWNYMO_KHDEMONA"};

// Both loads open their own connection each time, as every window does, so both start cold.
void BM_RegisterLoad_DataSet(benchmark::State &state)
{
    practiceFile(); // made before the timing starts
    for (auto _ : state) {
        Connection c = Connection::openFile(practiceFile(), DbPassword);
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
    for (auto _ : state) {
        Connection c = Connection::openFile(practiceFile(), DbPassword);
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

// The register's fill as the practice grows: the cost of a row should not grow with the rows
// (the figure per row is on CPU time). Each size paired with the bare engine's reading.
void BM_RegisterFill(benchmark::State &state)
{
    const QString file = practiceFileWith(int(state.range(0)));
    for (auto _ : state) {
        Connection c = Connection::openFile(file, DbPassword);
        DataSet set(c);
        set.setSql(RegisterStatement);
        set.open();
        benchmark::DoNotOptimize(set.recordCount());
    }
    state.counters["per_row"] = benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate |
                                                                               benchmark::Counter::kInvert);
}
BENCHMARK(BM_RegisterFill)->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_RegisterFill_BareEngine(benchmark::State &state)
{
    const QString file = practiceFileWith(int(state.range(0)));
    for (auto _ : state) {
        Connection c = Connection::openFile(file, DbPassword);
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(c.handle(), RegisterStatement, -1, &stmt, nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW)
            for (int col = 0; col < sqlite3_column_count(stmt); ++col)
                benchmark::DoNotOptimize(sqlite3_column_text(stmt, col));
        sqlite3_finalize(stmt);
    }
    state.counters["per_row"] = benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate |
                                                                               benchmark::Counter::kInvert);
}
BENCHMARK(BM_RegisterFill_BareEngine)->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_RegisterMemory(benchmark::State &state)
{
    Connection c = Connection::openFile(practiceFile(), DbPassword);
    for (auto _ : state) {
        const double rssBefore = processMegabytes("VmRSS");
        DataSet set(c);
        set.setSql(RegisterStatement);
        set.open();
        state.counters["RSS_open_MB"] = processMegabytes("VmRSS") - rssBefore;
        // What the process still holds once the register is closed.
        set.close();
        state.counters["RSS_kept_MB"] = processMegabytes("VmRSS") - rssBefore;
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

// Storing a corrected child as the details window does: the UPDATE names the row and every
// column as it was read, so that a change made elsewhere meanwhile is refused, not overwritten.
// Stores go to the write-ahead log (one sync each); for comparison, a copy of the file made
// to store through the rollback journal as it did before (four syncs each). Wall time is what
// the person waits.
void BM_StoreEditedChild(benchmark::State &state)
{
    const bool rollbackJournal = state.range(0) == 0;
    state.SetLabel(rollbackJournal ? "rollback journal" : "write-ahead log");
    QString file = practiceFile();
    if (rollbackJournal) {
        static int n = 0; // a copy for every repetition
        file = QDir(workDirectory().path()).filePath(QString("journal-%1.mdb").arg(n++));
        QFile::copy(practiceFile(), file);
        QFile::copy(keyFilePathFor(practiceFile()), keyFilePathFor(file));
    }
    Connection c = Connection::openFile(file, DbPassword);
    if (rollbackJournal)
        c.scalar("PRAGMA journal_mode = DELETE");
    DataSet set(c);
    set.setSql("SELECT * FROM STOIXEIA_PAIDIOY WHERE ID=50000");
    set.open();
    int n = 0;
    for (auto _ : state) {
        set.edit();
        set.setValue("DIEYTHYNSH", QString("Οδός %1").arg(n++));
        set.post();
    }
}
BENCHMARK(BM_StoreEditedChild)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The register once the child's details close after a store: the corrected row is read again.
// Paired with BM_RegisterLoad_DataSet, what it cost when every row was read again.
void BM_RegisterShowsCorrectedChild(benchmark::State &state)
{
    Connection c = Connection::openFile(practiceFile(), DbPassword);
    DataSet set(c);
    set.setSql(RegisterStatement);
    set.open();
    set.moveTo(set.recordCount() / 2);
    for (auto _ : state)
        set.refreshCurrent();
}
BENCHMARK(BM_RegisterShowsCorrectedChild)->Unit(benchmark::kMicrosecond);

// The first connection to a file unwraps its data key from the key file with the password
// (Argon2id, slow on purpose: the unlocking at start-up); later ones in the process reuse it.
void BM_OpenAndQuery_First(benchmark::State &state)
{
    static int n = 0; // new files for every repetition too
    for (auto _ : state) {
        state.PauseTiming();
        const QString file = QDir(workDirectory().path()).filePath(QString("first-%1.mdb").arg(n++));
        schema::createDatabase(file, DbPassword);
        state.ResumeTiming();
        Connection c = Connection::openFile(file, DbPassword);
        benchmark::DoNotOptimize(c.scalar("SELECT * FROM SECURITY"));
    }
}
BENCHMARK(BM_OpenAndQuery_First)->Iterations(5)->Unit(benchmark::kMillisecond);

// Unlocking alone: the data key unwrapped from a key file this process has not opened yet.
void BM_UnlockAtStartUp(benchmark::State &state)
{
    static int n = 0; // new key files for every repetition too
    for (auto _ : state) {
        state.PauseTiming();
        const QString file = QDir(workDirectory().path()).filePath(QString("unlock-%1.mdb").arg(n++));
        writeNewKeyFile(file, newDataKey(), DbPassword, KeyFile::PasswordState::Own);
        state.ResumeTiming();
        benchmark::DoNotOptimize(unlockDataKey(file, DbPassword));
    }
}
BENCHMARK(BM_UnlockAtStartUp)->Iterations(5)->Unit(benchmark::kMillisecond);

// A new data key for the 100,000-children file, as a password change makes it: the copy, its
// proof and the two renames; the progress steps the window would show are counted.
void BM_NewDataKey(benchmark::State &state)
{
    int n = 0;
    double steps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString file = QDir(workDirectory().path()).filePath(QString("rekey-%1.mdb").arg(n++));
        QFile::copy(practiceFile(), file);
        QFile::copy(keyFilePathFor(practiceFile()), keyFilePathFor(file));
        unlockDataKey(file, DbPassword); // the password was checked before, as the window does
        state.ResumeTiming();
        rekeying::changeDataKey(file, DbPassword, DbPassword, [&steps](double) { ++steps; });
    }
    state.counters["progress_steps"] = benchmark::Counter(steps, benchmark::Counter::kAvgIterations);
    state.counters["file_MB"] = double(QFileInfo(practiceFile()).size()) / 1e6;
}
BENCHMARK(BM_NewDataKey)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_OpenAndQuery_Later(benchmark::State &state)
{
    Connection::openFile(practiceFile(), DbPassword);
    for (auto _ : state) {
        Connection c(connectionStringFor(workDirectory().path()));
        benchmark::DoNotOptimize(c.scalar("SELECT * FROM SECURITY"));
    }
}
BENCHMARK(BM_OpenAndQuery_Later)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

// The due list over 30,000 children: their doses read, every series evaluated.
#include "children_fixture.h"
#include "data/connection.h"
#include "data/global.h"
#include "data/vaccine_records.h"

#include <QDate>
#include <benchmark/benchmark.h>

namespace {

// 30,000 children born 2000-2024; two in three had their infant doses at 2, 4 and 6 months
// (as dates of their row), one in two a MenB dose kept beside it, one in five influenza last season.
const QString &vaccinatedPractice()
{
    static const QString &file = [] {
        Connection c = Connection::openFile(practiceFile(), DbPassword);
        Transaction t(c);
        c.execute("DELETE FROM STOIXEIA_PAIDIOY WHERE ID > 30000");
        QStringList sets;
        const char *const infant[] = {"HPATITIDA_B", "IFLOYENTZA_", "POLIOMYELITIDA_", "DIFTHERITIDA_TETANOS_KOKKITHS_"};
        for (int dose = 1; dose <= 3; ++dose)
            for (const char *column : infant)
                sets << QString("%1%2 = date(HMEROMHNIA_GENNHSEWS, '+%3 months')").arg(column).arg(dose).arg(2 * dose);
        sets << "PNEYMONIOKOKOS_1_PCV7 = date(HMEROMHNIA_GENNHSEWS, '+2 months')"
             << "ILARA_PARWTITIDA_ERYTHRA_1 = date(HMEROMHNIA_GENNHSEWS, '+13 months')";
        c.execute("UPDATE STOIXEIA_PAIDIOY SET " + sets.join(", ") + " WHERE ID % 3 <> 0");
        c.execute("INSERT INTO EMBOLIA_EPIPLEON(ID, SEIRA, DOSH, HMEROMHNIA, SKEYASMA) "
                  "SELECT ID, 'MENB', 1, date(HMEROMHNIA_GENNHSEWS, '+2 months'), 'MenB' FROM STOIXEIA_PAIDIOY "
                  "WHERE ID % 2 = 0");
        c.execute("INSERT INTO EMBOLIA_EPIPLEON(ID, SEIRA, HMEROMHNIA, SKEYASMA) "
                  "SELECT ID, 'FLU', '2025-10-15', 'Γρίπη' FROM STOIXEIA_PAIDIOY WHERE ID % 5 = 0");
        t.commit();
        return practiceFile();
    }();
    return file;
}

// What `velmora-db due` and the due list's window do: read, evaluate, keep the open series.
void BM_DueList_30k(benchmark::State &state)
{
    vaccinatedPractice();
    size_t lines = 0;
    for (auto _ : state) {
        Connection c = Connection::openFile(vaccinatedPractice(), DbPassword);
        lines = vaccine_records::dueList(c, QDate(2026, 12, 1)).size();
        benchmark::DoNotOptimize(lines);
    }
    state.counters["lines"] = double(lines);
}
BENCHMARK(BM_DueList_30k)->Unit(benchmark::kMillisecond);

// The window's search: the same, kept to a month and written to its table.
void BM_DueMonth_30k(benchmark::State &state)
{
    vaccinatedPractice();
    int lines = 0;
    for (auto _ : state) {
        Connection c = Connection::openFile(vaccinatedPractice(), DbPassword);
        lines = vaccine_records::writeDueBetween(c, QDate(2026, 12, 1), QDate(2026, 12, 31));
        benchmark::DoNotOptimize(lines);
    }
    state.counters["lines"] = lines;
}
BENCHMARK(BM_DueMonth_30k)->Unit(benchmark::kMillisecond);

// One child's series, as the vaccination window shows them when it opens.
void BM_OneChild(benchmark::State &state)
{
    Connection c = Connection::openFile(vaccinatedPractice(), DbPassword);
    const clinical::Schedule schedule = vaccine_records::scheduleInForce(c);
    for (auto _ : state) {
        const auto read = vaccine_records::readDoses(c, schedule, 12346);
        benchmark::DoNotOptimize(
            clinical::evaluate(schedule, read.front().birth, read.front().given, QDate(2026, 12, 1), read.front().notGiven));
    }
}
BENCHMARK(BM_OneChild)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

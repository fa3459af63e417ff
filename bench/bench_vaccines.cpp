// The due list over 30,000 children: their doses read, every series evaluated.
#include "children_fixture.h"
#include "data/connection.h"
#include "data/global.h"
#include "data/vaccine_records.h"

#include <QDate>
#include <benchmark/benchmark.h>

namespace {

// 30,000 children born 2000-2024. Two in three had the routine doses of their row at the ages
// recommended (those ages reached by the date assessed), one in three none; one in two a MenB
// dose kept beside the row, one in five influenza last season.
const QString &vaccinatedPractice()
{
    static const QString &file = [] {
        Connection c = Connection::openFile(practiceFile(), DbPassword);
        Transaction t(c);
        c.execute("DELETE FROM STOIXEIA_PAIDIOY WHERE ID > 30000");
        const std::pair<const char *, int> doses[] = {
            {"HPATITIDA_B1", 2}, {"HPATITIDA_B2", 4}, {"HPATITIDA_B3", 6}, {"IFLOYENTZA_1", 2}, {"IFLOYENTZA_2", 4}, {"IFLOYENTZA_3", 6}, {"IFLOYENTZA_4", 15}, {"POLIOMYELITIDA_1", 2}, {"POLIOMYELITIDA_2", 4}, {"POLIOMYELITIDA_3", 6}, {"POLIOMYELITIDA_4", 48}, {"DIFTHERITIDA_TETANOS_KOKKITHS_1", 2}, {"DIFTHERITIDA_TETANOS_KOKKITHS_2", 4}, {"DIFTHERITIDA_TETANOS_KOKKITHS_3", 6}, {"DIFTHERITIDA_TETANOS_KOKKITHS_4", 15}, {"DIFTHERITIDA_TETANOS_KOKKITHS_5", 48}, {"PNEYMONIOKOKOS_1_PCV7", 2}, {"PNEYMONIOKOKOS_2_PCV7", 4}, {"PNEYMONIOKOKOS_3_PCV7", 12}, {"ILARA_PARWTITIDA_ERYTHRA_1", 12}, {"ILARA_PARWTITIDA_ERYTHRA_2", 24}, {"ANEMEYLOGIA_1", 12}, {"ANEMEYLOGIA_2", 24}, {"HPATITIDA_A1", 24}, {"HPATITIDA_A2", 30}, {"MHNIGGITIDOKOKOS_AC1", 12}, {"ROTAIOS_1", 2}, {"ROTAIOS_2", 4}, {"IOS_TWN_ANTHRWPINWN_THILWMATWN_1", 132}, {"IOS_TWN_ANTHRWPINWN_THILWMATWN_2", 138}};
        for (const auto &[column, months] : doses)
            c.execute(QString("UPDATE STOIXEIA_PAIDIOY SET %1 = date(HMEROMHNIA_GENNHSEWS, '+%2 months') "
                              "WHERE ID % 3 <> 0 AND date(HMEROMHNIA_GENNHSEWS, '+%2 months') <= '2026-12-01'")
                          .arg(column)
                          .arg(months));
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
// The connection is opened once: opening it (the key file's password hashing) is the same for
// every window and measured by bench_data.
void BM_DueList_30k(benchmark::State &state)
{
    Connection c = Connection::openFile(vaccinatedPractice(), DbPassword);
    size_t lines = 0;
    for (auto _ : state) {
        lines = vaccine_records::dueList(c, QDate(2026, 12, 1)).size();
        benchmark::DoNotOptimize(lines);
    }
    state.counters["lines"] = double(lines);
}
BENCHMARK(BM_DueList_30k)->Unit(benchmark::kMillisecond);

// The window's search: the same, kept to a month and written to its table.
void BM_DueMonth_30k(benchmark::State &state)
{
    Connection c = Connection::openFile(vaccinatedPractice(), DbPassword);
    int lines = 0;
    for (auto _ : state) {
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

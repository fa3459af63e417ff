// WHO z-scores in SQL: 100,000 growth measurements, one per child, read in one SELECT.
#include "children_fixture.h"
#include "data/connection.h"
#include "data/dataset.h"
#include "data/global.h"

#include <benchmark/benchmark.h>

namespace {

// One measurement per child at an age from birth to 19 years, roughly on the median.
const QString &measuredPractice()
{
    static const QString &file = [] {
        Connection c = Connection::openFile(practiceFile(), DbPassword);
        c.execute("INSERT INTO SWMATOMETRIA(ID,HMEROMHNIA,YPSOS,BAROS,PERIMETROS_KEFALHS) "
                  "SELECT ID, date(HMEROMHNIA_GENNHSEWS, '+' || ((ID * 7919) % 6930) || ' days'), "
                  "50 + ((ID * 7919) % 6930) * 0.018, 3.3 + ((ID * 7919) % 6930) * 0.007, 35 + (ID % 15) "
                  "FROM STOIXEIA_PAIDIOY");
        return practiceFile();
    }();
    return file;
}

void run(benchmark::State &state, const QString &statement)
{
    measuredPractice();
    for (auto _ : state) {
        Connection c = Connection::openFile(measuredPractice(), DbPassword);
        DataSet set(c);
        set.setSql(statement);
        set.open();
        benchmark::DoNotOptimize(set.recordCount());
    }
}

void BM_WeightForAge_100k(benchmark::State &state)
{
    run(state, "SELECT S.ID, WHO_Z('wfa',P.FYLO,P.HMEROMHNIA_GENNHSEWS,S.HMEROMHNIA,S.BAROS) AS Z "
               "FROM SWMATOMETRIA S JOIN STOIXEIA_PAIDIOY P ON P.ID=S.ID");
}
BENCHMARK(BM_WeightForAge_100k)->Unit(benchmark::kMillisecond);

// What the growth window asks for each row: four z-scores.
void BM_FourIndicators_100k(benchmark::State &state)
{
    run(state, "SELECT S.ID, WHO_Z('wfa',P.FYLO,P.HMEROMHNIA_GENNHSEWS,S.HMEROMHNIA,S.BAROS) AS WFA, "
               "WHO_Z('lhfa',P.FYLO,P.HMEROMHNIA_GENNHSEWS,S.HMEROMHNIA,S.YPSOS) AS LHFA, "
               "WHO_Z('bmifa',P.FYLO,P.HMEROMHNIA_GENNHSEWS,S.HMEROMHNIA,S.BAROS,S.YPSOS) AS BMIFA, "
               "WHO_CENTILE('hcfa',P.FYLO,P.HMEROMHNIA_GENNHSEWS,S.HMEROMHNIA,S.PERIMETROS_KEFALHS) AS HCFA "
               "FROM SWMATOMETRIA S JOIN STOIXEIA_PAIDIOY P ON P.ID=S.ID");
}
BENCHMARK(BM_FourIndicators_100k)->Unit(benchmark::kMillisecond);

// The same rows without any z-score: what the computation adds.
void BM_NoScores_100k(benchmark::State &state)
{
    run(state, "SELECT S.ID, P.FYLO, P.HMEROMHNIA_GENNHSEWS, S.HMEROMHNIA, S.BAROS "
               "FROM SWMATOMETRIA S JOIN STOIXEIA_PAIDIOY P ON P.ID=S.ID");
}
BENCHMARK(BM_NoScores_100k)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

// The children register over 100,000 children, as the person meets it: the search's
// "Όλα τα παιδιά" to the filled grid, the re-sorts, scrolling, and the program's memory.
#include "children/child_register_window.h"
#include "children_fixture.h"
#include "data/global.h"
#include "ui/record_list.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFile>
#include <QRadioButton>
#include <QScrollBar>
#include <benchmark/benchmark.h>
#include <cstring>
#include <sqlite3.h>
#include <sys/prctl.h>
#include <sys/resource.h>

namespace {

const QString AllChildren = QStringLiteral(
    "SELECT ID,ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,ONOMATEPWNYMO_MHTERAS,"
    "ONOMATEPWNYMO_KHDEMONA,THLEFWNO_1,THLEFWNO_2,DIEYTHYNSH FROM STOIXEIA_PAIDIOY ORDER BY EPWNYMO ASC");

ChildRegisterWindow &registerWindow()
{
    static ChildRegisterWindow window;
    return window;
}

void showAllChildren()
{
    ChildRegisterWindow &window = registerWindow();
    window.SelectText = AllChildren;
    window.show();
    benchmark::DoNotOptimize(window.findChild<RecordList *>()->viewport()->grab());
}

long minorFaults()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// With the page faults of each opening: the rows' memory is given back at every close and
// faulted in again at the next opening, in huge pages where the kernel grants them (run
// again with --without-huge-pages to see what that saves).
void BM_Register_AllChildrenToFilledGrid(benchmark::State &state)
{
    long faults = 0;
    for (auto _ : state) {
        const long before = minorFaults();
        showAllChildren();
        faults += minorFaults() - before;
        state.PauseTiming();
        registerWindow().close();
        state.ResumeTiming();
    }
    state.counters["faults"] = benchmark::Counter(double(faults), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_Register_AllChildrenToFilledGrid)->Unit(benchmark::kMillisecond);

// The statement stepped through the bare engine, every column read as text.
void stepBare(benchmark::State &state, const QString &statement)
{
    Connection c(DbConnectionString);
    const QByteArray sql = statement.toUtf8();
    for (auto _ : state) {
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(c.handle(), sql.constData(), -1, &stmt, nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW)
            for (int col = 0; col < sqlite3_column_count(stmt); ++col)
                benchmark::DoNotOptimize(sqlite3_column_text(stmt, col));
        sqlite3_finalize(stmt);
    }
}

void BM_Register_BareStatement(benchmark::State &state)
{
    stepBare(state, AllChildren);
}
BENCHMARK(BM_Register_BareStatement)->Unit(benchmark::kMillisecond);

// The same without the surname index: a table scan and a sort.
void BM_Register_BareStatement_TableScan(benchmark::State &state)
{
    stepBare(state, QString(AllChildren).replace("STOIXEIA_PAIDIOY", "STOIXEIA_PAIDIOY NOT INDEXED"));
}
BENCHMARK(BM_Register_BareStatement_TableScan)->Unit(benchmark::kMillisecond);

void BM_Register_Resort(benchmark::State &state)
{
    showAllChildren();
    auto radios = registerWindow().findChildren<QRadioButton *>();
    const int column = int(state.range(0));
    state.SetLabel(radios[column]->text().toStdString());
    bool descending = false;
    for (auto _ : state) {
        radios[column]->click();
        radios[descending ? 7 : 6]->click();
        benchmark::DoNotOptimize(registerWindow().findChild<RecordList *>()->viewport()->grab());
        descending = !descending;
        if (column == 0 && !descending)
            radios[1]->click(); // leave the column so that the next click sorts again
    }
    state.counters["RSS_MB"] = processMegabytes("VmRSS");
}
BENCHMARK(BM_Register_Resort)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// One hundred screens from the top of the list to its bottom, each painted.
void BM_Register_ScrollTopToBottom(benchmark::State &state)
{
    showAllChildren();
    auto *list = registerWindow().findChild<RecordList *>();
    QScrollBar *bar = list->verticalScrollBar();
    for (auto _ : state) {
        for (int step = 0; step <= 100; ++step) {
            bar->setValue(bar->maximum() * step / 100);
            benchmark::DoNotOptimize(list->viewport()->grab());
        }
    }
    state.counters["RSS_MB"] = processMegabytes("VmRSS");
}
BENCHMARK(BM_Register_ScrollTopToBottom)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    // The same program as the kernel runs it without huge pages, for comparison in one sitting.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--without-huge-pages") == 0) {
            prctl(PR_SET_THP_DISABLE, 1, 0, 0, 0);
            std::copy(argv + i + 1, argv + argc, argv + i);
            --argc;
            break;
        }
    QApplication app(argc, argv);
    DbConnectionString = connectionStringFor(practiceDirectory());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

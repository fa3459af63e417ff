// The report engine on long documents: the list of 10,000 children and the records of 1,000,
// laid out and written to PDF through the same run as a print: the status window follows the
// rows and then the pages.
#include "printing/child_printouts_window.h"
#include "children_fixture.h"
#include "data/global.h"
#include "printing/report_project.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <benchmark/benchmark.h>

namespace {

int pdfPages(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return int(file.readAll().count("/Type /Page\n") + 0);
}

void run(benchmark::State &state, ChildPrintoutsWindow::Printout *printout, int children)
{
    static ChildPrintoutsWindow window;
    const QString pdf = QDir(AppDirectory).filePath(QStringLiteral("bench.pdf"));
    ReportProject::setNonInteractiveOutput(pdf);
    window.WhereText = QStringLiteral("WHERE ID <= %1").arg(children);
    window.SelectText = QStringLiteral("SELECT ID,ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,"
                                       "ONOMATEPWNYMO_MHTERAS,ONOMATEPWNYMO_KHDEMONA,THLEFWNO_1,THLEFWNO_2,DIEYTHYNSH "
                                       "FROM STOIXEIA_PAIDIOY ") + window.WhereText;
    const double rssBefore = processMegabytes("VmRSS");
    // The peak from here on is the prints' own, not the making of the practice's 100,000 children.
    if (QFile clear(QStringLiteral("/proc/self/clear_refs")); clear.open(QIODevice::WriteOnly))
        clear.write("5");
    for (auto _ : state) {
        if (printout)
            window.printAll(*printout);
        else
            window.printList();
    }
    // VELMORA_BENCH_PDF=folder keeps each benchmark's PDF there, to compare the pages of two builds.
    if (const QString keep = qEnvironmentVariable("VELMORA_BENCH_PDF"); !keep.isEmpty()) {
        const QString kept = QDir(keep).filePath(QLatin1String(printout ? "details.pdf" : "list.pdf"));
        QFile::remove(kept);
        QFile::copy(pdf, kept);
    }
    state.counters["pages"] = pdfPages(pdf);
    state.counters["pdf_MB"] = QFileInfo(pdf).size() / 1048576.0;
    // The most memory the prints took, and what they left taken when done.
    state.counters["peak_RSS_MB"] = processMegabytes("VmHWM");
    state.counters["RSS_kept_MB"] = processMegabytes("VmRSS") - rssBefore;
}

void BM_List_10000Children(benchmark::State &state)
{
    run(state, nullptr, 10000);
}
BENCHMARK(BM_List_10000Children)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Details_1000Children(benchmark::State &state)
{
    auto details = ChildPrintoutsWindow::Printout::Details;
    run(state, &details, 1000);
}
BENCHMARK(BM_Details_1000Children)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    AppDirectory = practiceDirectory();
    DbConnectionString = connectionStringFor(AppDirectory);
    for (const QString &file : QDir(VELMORA_REPORTS).entryList({"*.RAV"}))
        QFile::copy(QDir(VELMORA_REPORTS).filePath(file), QDir(AppDirectory).filePath(file));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// The appointment book's month recount: ten years of days with random bookings.
#include "data/connection.h"
#include "data/global.h"
#include "data/jet_dialect.h"
#include "appointments/month_calendar_window.h"
#include "data/schema.h"

#include <QApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QTemporaryDir &workDir()
{
    static QTemporaryDir dir;
    return dir;
}

const QString &bookFile()
{
    static const QString path = [] {
        const QString file = QDir(workDir().path()).filePath(DataFileName);
        schema::createDatabase(file, DbPassword);
        Connection c = Connection::openFile(file, DbPassword);
        const QStringList halfHours = schema::appointmentSlots();
        QRandomGenerator random(11);
        Transaction t(c);
        for (QDate day(2015, 1, 1); day < QDate(2025, 1, 1); day = day.addDays(1)) {
            QStringList columns{"HMEROMHNIA"};
            QVariantList values{day};
            for (const QString &slot : halfHours)
                if (random.bounded(3) == 0) {
                    columns << "[" + slot + "]";
                    values << QString("Ασθενής %1").arg(random.bounded(1000));
                }
            c.execute(QString("INSERT INTO RANTEBOU(%1) VALUES(%2)")
                          .arg(columns.join(','), QStringList(values.size(), "?").join(',')),
                      values);
        }
        t.commit();
        return file;
    }();
    return path;
}

// As the month window does it: one lookup per day of the month.
void BM_MonthRecount_DayByDay(benchmark::State &state)
{
    Connection c = Connection::openFile(bookFile(), DbPassword);
    for (auto _ : state) {
        int booked = 0;
        for (int d = 1; d <= 31; ++d) {
            booked += bookedSlots(c, QDate(2020, 3, d));
        }
        benchmark::DoNotOptimize(booked);
    }
}
BENCHMARK(BM_MonthRecount_DayByDay)->Unit(benchmark::kMillisecond);

// The same counts from one aggregated statement over the month.
void BM_MonthRecount_OneQuery(benchmark::State &state)
{
    Connection c = Connection::openFile(bookFile(), DbPassword);
    QStringList filled;
    for (const QString &slot : schema::appointmentSlots())
        filled << QString("(trim(ifnull([%1],'')) <> '')").arg(slot);
    const QString sql = QString("SELECT HMEROMHNIA, %1 FROM RANTEBOU WHERE HMEROMHNIA BETWEEN #3/1/2020# AND #3/31/2020#")
                            .arg(filled.join('+'));
    for (auto _ : state) {
        Statement statement(c, jet::translate(sql));
        int booked = 0;
        while (statement.step())
            booked += statement.value(1).toInt();
        benchmark::DoNotOptimize(booked);
    }
}
BENCHMARK(BM_MonthRecount_OneQuery)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

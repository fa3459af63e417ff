// Issues receipts for one child in a loop, through the same recording as the issue window:
// the reliability tests kill it at random moments, or run two side by side.
// Arguments: practice folder (or a server's URI), pause between receipts in ms, seconds to run
// (0: until killed).
// Says "writing" once its first receipt is recorded, and at the end how many it recorded.
#include "data/connection.h"
#include "data/db_error.h"
#include "data/global.h"
#include "data/postgres/postgres_engine.h"
#include "billing/receipts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const int pause = arguments.value(2).toInt();
    const qint64 runFor = arguments.value(3).toLongLong() * 1000;
    QElapsedTimer clock;
    clock.start();
    int issued = 0;
    try {
        const QString practice = arguments.at(1);
        Connection connection(postgres::isServerUri(practice) ? QStringLiteral("Data Source=%1").arg(practice)
                                                              : connectionStringFor(practice));
        while (runFor == 0 || clock.elapsed() < runFor) {
            recordReceipt(connection, {QStringLiteral("1"), QStringLiteral("Νίκος"), QStringLiteral("Παπαδάκης"),
                                       10.5 + issued, QStringLiteral("Επίσκεψη"), QStringLiteral("Μητέρα"),
                                       QStringLiteral("ΕΟΠΥΥ")});
            if (++issued == 1) {
                std::puts("writing");
                std::fflush(stdout);
            }
            QThread::msleep(pause);
        }
    } catch (const DbError &error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.text()));
        return 1;
    }
    std::printf("%d\n", issued);
    return 0;
}

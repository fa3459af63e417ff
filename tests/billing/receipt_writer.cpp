// Issues receipts for one child in a loop, through the same recording as the issue window,
// until it is killed: the reliability test kills it at random moments.
#include "connection.h"
#include "global.h"
#include "receipts.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    Connection connection(connectionStringFor(app.arguments().at(1)));
    for (int i = 0;; ++i)
        recordReceipt(connection, {QStringLiteral("1"), QStringLiteral("Νίκος"), QStringLiteral("Παπαδάκης"), 10.5 + i,
                                   QStringLiteral("Επίσκεψη"), QStringLiteral("Μητέρα"), QStringLiteral("ΕΟΠΥΥ")});
}

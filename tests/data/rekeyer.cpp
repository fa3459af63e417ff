// Moves one practice under a new data key, as a password change does: the reliability test
// kills it at random moments.
#include "data/rekeying.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    rekeying::changeDataKey(args.at(1), args.at(2), args.at(3));
    return 0;
}

// Converts one folder of the old layout, as the first start does after the login check:
// the reliability test kills it at random moments.
#include "data/old_layout.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    old_layout::convert(app.arguments().at(1), app.arguments().at(2));
    return 0;
}

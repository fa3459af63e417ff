#include "connection.h"
#include "db_error.h"
#include "global.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    AppDirectory = QDir::currentPath();
    DbConnectionString = connectionStringFor(AppDirectory);
    try {
        Connection connection(DbConnectionString);
    } catch (const DbError &) {
        return 1; // a start-up failure ends the program without a message
    }
    QMessageBox::information(nullptr, QApplication::applicationName(),
                             QStringLiteral("Η βάση δεδομένων %1 είναι έτοιμη.").arg(QDir(AppDirectory).filePath(DataFileName)));
    return 0;
}

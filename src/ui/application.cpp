#include "ui/application.h"

#include "ui/accelerators.h"

#include "ui/bound_fields.h"
#include "data/db_error.h"
#include "ui/look.h"
#include "ui/messages.h"

#include <QIcon>

#include <QLocale>

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(look::ApplicationTitle);
    // Month and day names in the calendars are Greek, as the practice reads them.
    QLocale::setDefault(QLocale(QLocale::Greek, QLocale::Greece));
    look::applyApplicationFont();
    installLayoutAccelerators(this);
    // The task bar, Alt+Tab and a dock show the installed desktop entry's icon and group the
    // running program's windows under it.
    setDesktopFileName(QStringLiteral("example.torvane.velmora"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("velmora")));
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const DbError &error) {
        messages::error(activeWindow(), refusalInWords(error, activeWindow()));
    } catch (const std::exception &error) {
        messages::error(activeWindow(), QString::fromLocal8Bit(error.what()));
    }
    return false;
}

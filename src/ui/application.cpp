#include "ui/application.h"

#include "ui/accelerators.h"
#include "ui/guarded.h"
#include "ui/look.h"

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
    // The last net only: the kit catches where Qt hands control to our code.
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        qWarning("An error left an event handler for %s: %s", receiver->metaObject()->className(), error.what());
        showError(activeWindow(), error);
    }
    return false;
}

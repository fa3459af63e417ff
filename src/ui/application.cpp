#include "application.h"

#include "db_error.h"
#include "look.h"
#include "messages.h"

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(look::ApplicationTitle);
    look::applyApplicationFont();
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const DbError &error) {
        messages::error(activeWindow(), error.text());
    } catch (const std::exception &error) {
        messages::error(activeWindow(), QString::fromLocal8Bit(error.what()));
    }
    return false;
}

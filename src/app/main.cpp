#include "ui/application.h"
#include "app/main_window.h"
#include "app/window_catalog.h"

int main(int argc, char *argv[])
{
    Application app(argc, argv);
    MainWindow mainWindow;
    registerWindows(mainWindow);
    if (!mainWindow.startUp())
        return mainWindow.exitStatus();
    return app.exec();
}

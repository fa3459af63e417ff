#include "application.h"
#include "main_window.h"
#include "window_catalog.h"

int main(int argc, char *argv[])
{
    Application app(argc, argv);
    MainWindow mainWindow;
    registerWindows(mainWindow);
    if (!mainWindow.startUp())
        return mainWindow.exitStatus();
    return app.exec();
}

#include "application.h"
#include "main_window.h"

int main(int argc, char *argv[])
{
    Application app(argc, argv);
    MainWindow mainWindow;
    if (!mainWindow.startUp())
        return 0;
    return app.exec();
}

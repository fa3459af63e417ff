#include "app/main_window.h"
#include "app/start_up.h"
#include "app/window_catalog.h"
#include "ui/application.h"

#include <sys/prctl.h>
#include <sys/resource.h>

int main(int argc, char *argv[])
{
    // The unlocked data key lives in this process: no core dump may carry it to the disk.
    ::prctl(PR_SET_DUMPABLE, 0);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    Application app(argc, argv);
    MainWindow mainWindow;
    registerWindows(mainWindow);
    StartUp startUp(mainWindow);
    if (!startUp.run())
        return startUp.exitStatus();
    return app.exec();
}

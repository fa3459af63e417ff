#pragma once

#include "app/main_window.h"
#include "app/start_up.h"

// The main window with the start-up that runs before it shows, held as the program holds it.
class StartedWindow : public MainWindow {
public:
    StartedWindow() { setSplashMilliseconds(1); }
    bool startUp() { return m_startUp.run(); }
    int exitStatus() const { return m_startUp.exitStatus(); }

private:
    StartUp m_startUp{*this};
};

#pragma once

class MainWindow;

// Tells the main window how to open each window that its menu and buttons name.
void registerWindows(MainWindow &mainWindow);

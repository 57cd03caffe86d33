#pragma once

// The application object: sets the process up and runs the main window.
class CGLAppApp {
public:
    // Runs the program; returns the process exit code.
    int InitInstance();
};

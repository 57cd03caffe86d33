#pragma once

// The application object: sets the process up and runs the main window.
class CGLAppApp {
public:
    // Creates the application, runs the main window until it is gone and returns
    // the process exit code.
    int InitInstance(int& argc, char** argv);
};

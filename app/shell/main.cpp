#include "app/shell/GLAppApp.h"

int main(int argc, char** argv)
{
    CGLAppApp app;
    return app.InitInstance(argc, argv);
}

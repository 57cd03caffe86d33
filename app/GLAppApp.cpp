#include "app/GLAppApp.h"

#include "app/GLAppDlg.h"

int CGLAppApp::InitInstance()
{
    CGLAppDlg dlg;
    return dlg.DoModal();
}

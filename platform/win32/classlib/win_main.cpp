// The program's entry point: the class library's start-up, ahead of the
// application object's InitInstance.
#include "classlib/single_instance.h"
#include "classlib/win_app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    const InstanceClaim claim;
    if (claim.OtherInstanceRuns() && ActivateOtherInstance()) {
        return -1;
    }
    // The program's one global application object, constructed before this runs.
    CWinApp* app = AfxGetApp();
    app->m_hInstance = instance;
    if (!app->InitInstance()) {
        return 0;
    }
    return app->Run();
}

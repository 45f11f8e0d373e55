// The entry of zr3config.exe: framework start-up, the one application, its loop. Arguments given
// at start are ignored.
#include <windows.h>

#include "ui/framework/framework_start.h"
#include "ui/framework/system_library.h"
#include "ui/main/config_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before anything else loads a DLL: none may come from the program's own folder.
    LimitDllSearchToSystem();
    StartFramework();
    {
        ConfigApp app(ConfigApp::Title);
        app.Start();
        app.Run();
    }
    return 0;
}

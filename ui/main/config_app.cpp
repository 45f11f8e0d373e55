#include "ui/main/config_app.h"

#include "ui/main/main_window.h"

void ConfigApp::CreateMainWindow() {
    MainWin = new MainWindow(Name);
}

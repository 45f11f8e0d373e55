#pragma once

#include "ui/framework/application.h"

// The tool's application: its main window is the MainWindow, titled with the application's name.
//
//     ConfigApp app(ConfigApp::Title);
//     app.Start();
//     app.Run();
class ConfigApp : public Application {
  public:
    static constexpr char Title[] = "ZR3 config";

    using Application::Application;

    void CreateMainWindow() override;
};

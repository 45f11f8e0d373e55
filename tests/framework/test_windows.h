#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>

#include "ui/framework/button_controls.h"
#include "ui/framework/shaded_dialog.h"
#include "ui/framework/window.h"

// Window objects of the framework tests: they record what reaches them.

constexpr UINT UntouchedMessage = WM_APP + 1;  // handled without touching Result
constexpr UINT AnsweredMessage = WM_APP + 2;   // handled with Result 42
constexpr UINT ActionMessage = WM_APP + 3;     // runs the window's action

using EventLog = std::vector<std::string>;

class RecordingWindow : public Window {
  public:
    RecordingWindow(WindowObject* parent, const char* title, EventLog* log = nullptr,
                    std::string name = "window")
        : Window(parent, title), log(log), name(std::move(name)) {}
    ~RecordingWindow() override { Note("~" + name); }

    void Dispatch(WindowMessage& message) override {
        switch (message.Message) {
            case UntouchedMessage:
                break;
            case AnsweredMessage:
                message.Result = 42;
                break;
            case ActionMessage:
                if (action) action(message);
                break;
            case WM_DESTROY:
                Note("WM_DESTROY " + name);
                Window::Dispatch(message);
                break;
            default:
                Window::Dispatch(message);
                break;
        }
    }
    void DispatchCommand(WindowMessage& message, int id) override {
        commands.push_back(id);
        Window::DispatchCommand(message, id);
    }
    void DispatchChildNotify(WindowMessage& message, int id) override {
        childNotifies.emplace_back(id, message.WParamHigh());
        Window::DispatchChildNotify(message, id);
    }
    bool QueryClose() override {
        ++closeQueries;
        return allowClose && Window::QueryClose();
    }
    void Note(const std::string& event) {
        if (log != nullptr) log->push_back(event);
    }

    EventLog* log = nullptr;
    std::string name;
    bool allowClose = true;
    int closeQueries = 0;
    std::vector<int> commands;
    std::vector<std::pair<int, int>> childNotifies;  // id, notification code
    std::function<void(WindowMessage&)> action;
};

// A push button that notes the notifications reaching its own object.
class RecordingButton : public PushButton {
  public:
    using PushButton::PushButton;
    void DispatchNotify(WindowMessage& message, int code) override {
        notifies.push_back(code);
        PushButton::DispatchNotify(message, code);
    }
    std::vector<int> notifies;
};

// A child object that can refuse to close.
class RefusingButton : public PushButton {
  public:
    using PushButton::PushButton;
    bool QueryClose() override { return allowClose; }
    bool allowClose = false;
};

// A top-level window realized without an application (destroyed by the test).
inline RecordingWindow* NewRealizedWindow(EventLog* log = nullptr, const char* title = "Test") {
    auto* window = new RecordingWindow(nullptr, title, log, "top");
    window->Style = WS_OVERLAPPEDWINDOW;
    window->X = 10;
    window->Y = 10;
    window->Width = 400;
    window->Height = 300;
    return window;
}

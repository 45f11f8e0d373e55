#include "ui/framework/control.h"

Control::Control(WindowObject* parent, const char* title, int x, int y, int width, int height,
                 int id)
    : Window(parent, title) {
    Style = ChildVisible | WS_GROUP | WS_TABSTOP;
    ExStyle = 0;
    X = x;
    Y = y;
    Width = width;
    Height = height;
    Id = id;
}

Control::Control(WindowObject* parent, int id) : Window(parent, id) {}

bool Control::RegisterWindowClass() {
    return true;
}

void Control::OnPaint(WindowMessage& message) {
    DefaultHandler(message);
}

int Control::CopyText(char* buffer, int maximum) {
    if (Handle == nullptr || maximum <= 0) {
        if (maximum > 0) buffer[0] = '\0';
        return 0;
    }
    return GetWindowTextA(Handle, buffer, maximum);
}

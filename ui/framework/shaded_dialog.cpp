#include "ui/framework/shaded_dialog.h"

#include "ui/framework/face_colours.h"

void ShadedDialog::Dispatch(WindowMessage& message) {
    switch (message.Message) {
        case WM_CTLCOLORSTATIC:
            message.Result = reinterpret_cast<LRESULT>(ColourOnFace(
                reinterpret_cast<HDC>(message.WParam), reinterpret_cast<HWND>(message.LParam)));
            break;
        case WM_CTLCOLORDLG:
            message.Result = reinterpret_cast<LRESULT>(CurrentFaceColours().brush);
            break;
        case WM_INITDIALOG:
            PaintGroupBoxesInScheme(message.Receiver);
            Dialog::Dispatch(message);
            break;
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE:
            RepaintForScheme(Handle, message.Message, message.WParam, message.LParam);
            Dialog::Dispatch(message);
            break;
        default:
            Dialog::Dispatch(message);
            break;
    }
}

void ShadedDialog::DispatchCommand(WindowMessage& message, int id) {
    if (id == IDCANCEL)
        OnCancel(message);
    else
        Dialog::DispatchCommand(message, id);
}

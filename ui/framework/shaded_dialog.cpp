#include "ui/framework/shaded_dialog.h"

void ShadedDialog::Dispatch(WindowMessage& message) {
    switch (message.Message) {
        case WM_CTLCOLORSTATIC:
            SetBkColor(reinterpret_cast<HDC>(message.WParam), FaceColour);
            message.Result = reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH));
            break;
        case WM_CTLCOLORDLG:
            message.Result = reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH));
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

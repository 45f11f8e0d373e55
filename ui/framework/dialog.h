#pragma once

#include <windows.h>

#include "ui/framework/window_object.h"

// A dialog object built from a dialog template of the executable (a numeric id or a name).
// Modal use: construct with the calling window as parent, hand it to Application::RunModal, which
// runs ExecuteModal and destroys the object; the result is 1 (OK), 2 (Cancel) or an EndModal code.
// Modeless use: Realize creates the window (KeyboardHandler set); OK and Cancel then RequestClose.
// Controls bound to template items are created in the derived constructor with their bound
// constructors and are realized (attached and subclassed) from WM_INITDIALOG, before SetUp runs.
class Dialog : public WindowObject {
  public:
    static constexpr int OkCode = 1;
    static constexpr int CancelCode = 2;

    // Template by resource id (stored as is).
    Dialog(WindowObject* parent, int templateId);
    // Template by name: a numeric MAKEINTRESOURCE value is stored as is, a name is copied.
    Dialog(WindowObject* parent, const char* templateName);
    // Frees a copied template name; releases the native window if still there.
    ~Dialog() override;

    void DefaultHandler(WindowMessage& message) override;
    void Dispatch(WindowMessage& message) override;
    void DispatchChildNotify(WindowMessage& message, int id) override;
    void FillWindowClass(WNDCLASSA& windowClass) override;
    bool Realize() override;
    void OnClose(WindowMessage& message) override;
    void OnQueryEndSession(WindowMessage& message) override;

    // Slots 26 .. 28.
    virtual void OnInitDialog(WindowMessage& message);
    virtual void OnOk(WindowMessage& message);
    virtual void OnCancel(WindowMessage& message);

    // Runs the dialog modally; returns the code it ended with (-1 if it could not be created).
    int ExecuteModal();
    void EndModal(int code);
    // True when TemplateName is an owned copy of a name (not a resource id).
    bool HasTemplateNameCopy() const;

    const char* TemplateName = nullptr;
    LPARAM Param = 0;
    bool IsModal = false;
};

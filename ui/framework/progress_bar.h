#pragma once

#include "ui/framework/control.h"

// A progress bar of the class "msctls_progress32" (StartFramework makes the class available).
// SetUp gives it a light-grey background (the system's in a high-contrast scheme, followed when
// the scheme changes), the range 0 to 100 and step 1; drive it with SetPosition or StepIt.
class ProgressBar : public Control {
  public:
    static constexpr UINT SetBackgroundColour = 0x2001;  // PBM_SETBKCOLOR

    ProgressBar(WindowObject* parent, int x, int y, int width, int height, int id);
    ProgressBar(WindowObject* parent, int id);
    const char* WindowClassName() override;
    void SetUp() override;
    void Dispatch(WindowMessage& message) override;

    void SetRange(int low, int high);
    void SetStep(int step);
    void SetPosition(int position);
    void StepIt();
};

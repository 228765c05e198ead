// Names for screen readers. Screen readers read a control's name and role through
// Active Accessibility, which takes the name from the control's own text or, for a box,
// from the label just before it. A control that has neither (a button that shows "...",
// a picture, a box whose label is a check box) is given its name here.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <initializer_list>
#include <optional>

#include "base/late_binding.h"

// Gives `control` the name that is string `nameId` of the string table (0: the name
// the system finds itself) and, unless 0, the role `role` (a ROLE_SYSTEM_* value).
// Called again, it changes them and tells screen readers that the name changed.
void SetAccessibleName(HWND control, UINT nameId, LONG role = 0);

// The same for several controls of a dialog, named by their ids.
struct ControlName {
    int controlId;
    UINT nameId;
    LONG role;
};
void SetAccessibleNames(HWND dialog, std::initializer_list<ControlName> names);

// COM for the screen readers' requests on the sheet's thread, owned while a sheet is
// open (the sheet's scope holds one). The answers travel through COM, which the thread
// may lack: the first request that finds it missing sets it up, and it is ended when
// this object goes. Without one, such a request is left to the system. One at a time.
class ScreenReaderApartment {
public:
    ScreenReaderApartment();
    ~ScreenReaderApartment();
    ScreenReaderApartment(const ScreenReaderApartment&) = delete;
    ScreenReaderApartment& operator=(const ScreenReaderApartment&) = delete;

    // Sets COM up on this thread, the first time only; true when it was set up now.
    bool setUpOnce();

private:
    std::optional<ComApartment> com_;
};

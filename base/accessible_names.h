// Names for screen readers. Screen readers read a control's name and role through
// Active Accessibility, which takes the name from the control's own text or, for a box,
// from the label just before it. A control that has neither (a button that shows "...",
// a picture, a box whose label is a check box) is given its name here.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <initializer_list>

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

// Ends the COM apartment that answering a screen reader set up on this thread, if it
// did (the answers are handed over through COM); called once the sheet has closed.
void EndScreenReaderApartment();

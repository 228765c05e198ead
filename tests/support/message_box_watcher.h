// Observes the message boxes that the code under test opens on this thread and
// answers them, as a user would, through a WH_CBT hook. Watchers nest: the one made
// last sees the boxes until it is gone.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ObservedBox {
    std::wstring caption;
    std::wstring text;
};

class MessageBoxWatcher {
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    // The button every following box is answered with (IDOK at first).
    void answerWith(int id) { answer_ = id; }
    const std::vector<ObservedBox>& boxes() const { return boxes_; }
    static bool AnyActive();

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    HHOOK hook_;
    MessageBoxWatcher* previous_;
    int answer_ = IDOK;
    std::vector<ObservedBox> boxes_;
};

// The text of a message box window (its static with id 0xFFFF).
std::wstring MessageBoxText(HWND box);
// Whether a top-level dialog window is a message box.
bool IsMessageBox(HWND window);

// Reading and operating the device pages' controls in tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

std::wstring ControlText(HWND page, int id);
std::vector<std::wstring> ComboItems(HWND page, int comboId);
int ComboSelection(HWND page, int comboId);
// Selects an entry as the user does: the selection, then CBN_SELENDOK to the page.
void ChooseComboEntry(HWND page, int comboId, int index);
bool IsControlEnabled(HWND page, int id);
bool IsControlVisible(HWND page, int id);
// Every child of the page disabled?
bool AllControlsDisabled(HWND page);

// The dialog procedures of the Agent and EMF pages.
#pragma once

#include <windows.h>

INT_PTR CALLBACK AgentPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EmfPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

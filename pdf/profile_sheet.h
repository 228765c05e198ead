// The "PDF Profile Properties" sheet: Description, Security and Advanced pages that
// edit EditedProfile, a working copy of one profile. The PDF page makes the copy,
// runs the sheet and merges the copy into the profile list only on OK.
#pragma once

#include <windows.h>

#include "settings/pdf_profile.h"

// The profile the sheet's pages read and write while the sheet runs.
extern PdfProfile EditedProfile;

// Runs the modal sheet owned by `owner` on EditedProfile, starting on Description.
// True only when the user ended it with OK.
bool RunProfileProperties(HWND owner);

// Wipes EditedProfile (it may hold passwords) and leaves the defaults in it.
void DiscardEditedProfile();

// For the sheet's pages: answers PSN_APPLY with `result` (PSNRET_NOERROR, or
// PSNRET_INVALID to keep the sheet open on the page); other notifications get FALSE.
INT_PTR OnProfilePageNotify(HWND page, const NMHDR& notification, LRESULT (*apply)(HWND page));

int CALLBACK ProfileSheetCallback(HWND sheet, UINT message, LPARAM lParam);
INT_PTR CALLBACK DescriptionPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SecurityPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AdvancedPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// JPEG quality: the list offers 0, 10, ..., 100.
inline constexpr int JpegQualityStep = 10;
inline constexpr int MaxJpegQuality = 100;
inline constexpr int FallbackJpegQuality = 80;

// The list item that stands for a stored `quality`, or -1 when the number is shown as
// text instead: a quality with a positive remainder by ten (85 shows "85"), and one
// whose tenth has no item (150, -10), which an empty box would hide.
int JpegQualityItem(int quality);

// The quality a typed text stands for: its number, or 0 for a text that is no number.
int JpegQualityFromText(bool isNumber, int number);

// Whether a quality read from the box may be kept: 0 to 100.
bool IsAcceptedJpegQuality(int quality);

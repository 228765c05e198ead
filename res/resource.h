// Resource and control ids of properties.exe.
#pragma once

// Dialog templates: the pages of the sheet and the dialogs they open.
#define IDD_AGENT_PAGE 102
#define IDD_ABOUT_PAGE 108
#define IDD_GENERAL_PAGE 116
#define IDD_PAPER_PAGE 124
#define IDD_NEW_FORM 125
#define IDD_PDF_PAGE 126
#define IDD_EMF_PAGE 127
#define IDD_PROFILE_DESCRIPTION 132
#define IDD_PROFILE_SECURITY 133
#define IDD_PROFILE_ADVANCED 134

// Pictures.
#define IDB_PORTRAIT 117
#define IDB_LANDSCAPE 118
#define IDI_PRINTER 121

// About page.
#define IDC_ABOUT_BANNER 1007
#define IDC_ABOUT_WEBSITE 1021
#define IDC_ABOUT_VERSION 1083

// EMF page.
#define IDC_EMF_SAVE 1240

// The manifest: common controls 6, DPI awareness, supported systems.
#define IDR_MANIFEST 1

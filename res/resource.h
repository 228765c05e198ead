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

// General page.
#define IDC_ORIENTATION_PICTURE 1006
#define IDC_RESOLUTION_LIST 1035
#define IDC_ORIENTATION_GROUP 1100
#define IDC_PORTRAIT 1102
#define IDC_LANDSCAPE 1104
#define IDC_QUALITY_GROUP 1106
#define IDC_RESOLUTION_LABEL 1108
#define IDC_DRIVER_PROPERTIES 1110

// Paper page and New Paper Form dialog (they share the size and unit controls).
#define IDC_PAPER_LIST 1039
#define IDC_PAPER_WIDTH 1041
#define IDC_PAPER_LENGTH 1042
#define IDC_FORM_NAME 1044
#define IDC_WIDTH_RANGE 1046
#define IDC_LENGTH_RANGE 1047
#define IDC_WIDTH_UNIT 1087
#define IDC_LENGTH_UNIT 1088
#define IDC_PAPER_LABEL 1120
#define IDC_WIDTH_LABEL 1122
#define IDC_LENGTH_LABEL 1124
#define IDC_ADD_FORM 1126
#define IDC_DELETE_FORM 1128
#define IDC_UNITS_LABEL 1130
#define IDC_METRIC 1132
#define IDC_ENGLISH 1134
#define IDC_PAPER_SIZE_LABEL 1136
#define IDC_FORM_NAME_LABEL 1400
#define IDC_FORM_WIDTH_LABEL 1402
#define IDC_FORM_LENGTH_LABEL 1404

// EMF page.
#define IDC_EMF_SAVE 1240

// The manifest: common controls 6, DPI awareness, supported systems.
#define IDR_MANIFEST 1

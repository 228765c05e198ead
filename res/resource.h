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
#define IDD_EXPORT_PROFILES 140
#define IDD_IMPORT_CONFLICT 141

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

// Agent page.
#define IDC_AGENT_APPLICATION_LABEL 1107
#define IDC_AGENT_APPLICATION 1103
#define IDC_AGENT_APPLICATION_BROWSE 1084
#define IDC_AGENT_DIRECTORY_LABEL 1111
#define IDC_AGENT_DIRECTORY 1105
#define IDC_AGENT_DIRECTORY_BROWSE 1021
#define IDC_AGENT_MODE_LABEL 1109
#define IDC_AGENT_MODE 1101
#define IDC_AGENT_TITLE_LABEL 1108
#define IDC_AGENT_TITLE 1112
#define IDC_AGENT_MESSAGE_ID_LABEL 1110
#define IDC_AGENT_MESSAGE_ID 1102
#define IDC_AGENT_PREPROCESSING 1128
#define IDC_AGENT_PREPROCESSOR 1127
#define IDC_AGENT_PREPROCESSOR_BROWSE 1126

// EMF page.
#define IDC_EMF_SAVE 1240

// PDF page.
#define IDC_PDF_SAVE 1340
#define IDC_PDF_PROFILES_GROUP 1342
#define IDC_PDF_SEPARATE 1344
#define IDC_PDF_NO_EMBED_FONTS 1346
#define IDC_PDF_PROFILE_LIST 1047
#define IDC_PDF_NEW 1348
#define IDC_PDF_EDIT 1350
#define IDC_PDF_DELETE 1352
#define IDC_PDF_COPY 1354
#define IDC_PDF_EXPORT 1356
#define IDC_PDF_IMPORT 1358

// "Export Profiles" dialog.
#define IDC_EXPORT_WHICH_GROUP 1600
#define IDC_EXPORT_SELECTED 1602
#define IDC_EXPORT_ALL 1604
#define IDC_EXPORT_PASSWORDS 1606
#define IDC_EXPORT_PASSWORDS_NOTE 1608
#define IDC_EXPORT_PLAIN_VALUES 1610

// "Import Profiles" dialog, asked for a profile whose name the list has.
#define IDC_CONFLICT_TEXT 1620
#define IDC_CONFLICT_REPLACE 1622
#define IDC_CONFLICT_KEEP_BOTH 1624
#define IDC_CONFLICT_SKIP 1626
#define IDC_CONFLICT_FOR_ALL 1628

// "PDF Profile Properties": Description page.
#define IDC_PROFILE_NAME_LABEL 1520
#define IDC_PROFILE_NAME 1075
#define IDC_PROFILE_INFO_GROUP 1522
#define IDC_PROFILE_TITLE_LABEL 1524
#define IDC_PROFILE_TITLE 1071
#define IDC_PROFILE_AUTHOR_LABEL 1526
#define IDC_PROFILE_AUTHOR 1072
#define IDC_PROFILE_SUBJECT_LABEL 1528
#define IDC_PROFILE_SUBJECT 1073
#define IDC_PROFILE_KEYWORDS_LABEL 1530
#define IDC_PROFILE_KEYWORDS 1074

// "PDF Profile Properties": Security page.
#define IDC_SECURITY_ENABLE 1540
#define IDC_USER_PASSWORD_ENABLE 1542
#define IDC_USER_PASSWORD 1073
#define IDC_OWNER_PASSWORD_ENABLE 1544
#define IDC_OWNER_PASSWORD 1075
#define IDC_ALLOWED_ACTIONS_GROUP 1546
#define IDC_ENCRYPTION_GROUP 1547
#define IDC_ALLOW_COPYING 1548
#define IDC_ALLOW_COMMENTING 1550
#define IDC_ALLOW_CHANGING 1552
#define IDC_ALLOW_PRINTING 1554
#define IDC_ENCRYPTION_LOW 1556
#define IDC_ENCRYPTION_HIGH 1558

// "PDF Profile Properties": Advanced page.
#define IDC_DOCUMENT_COMPRESSION 1028
#define IDC_IMAGES_COMPRESSION 1029
#define IDC_JPEG_QUALITY 1047
#define IDC_PDF_VERSION 1059
#define IDC_PAGE_LAYOUT 1060
#define IDC_PAGE_MODE 1061
#define IDC_PAGE_LAYOUT_LABEL 1560
#define IDC_PAGE_MODE_LABEL 1562
#define IDC_DOCUMENT_COMPRESSION_LABEL 1564
#define IDC_PDF_VERSION_LABEL 1566
#define IDC_IMAGES_COMPRESSION_LABEL 1568
#define IDC_JPEG_QUALITY_LABEL 1570
#define IDC_ALTERNATE_EMF 1572

// The manifest: common controls 6, DPI awareness, supported systems.
#define IDR_MANIFEST 1

// Texts of the string table (res/properties.rc).
// Failures of the registry keys ("%s": the registry key name).
#define IDS_USER_KEY_CREATE_FAILED 3000
#define IDS_MACHINE_KEY_OPEN_FAILED 3001
#define IDS_DEFAULTS_KEY_OPEN_FAILED 3002
#define IDS_USER_KEY_OPEN_FAILED 3003
#define IDS_USER_PROFILES_OPEN_FAILED 3004
#define IDS_DEFAULT_PROFILES_OPEN_FAILED 3005
// Failures of the spooler.
#define IDS_OPEN_ALL_ACCESS_FAILED 3020
#define IDS_OPEN_USE_FAILED 3021
#define IDS_GET_PRINTER_FAILED 3022
#define IDS_SET_PRINTER_2_FAILED 3023
#define IDS_SET_PRINTER_9_FAILED 3024
#define IDS_OPEN_USE_ERROR 3025
#define IDS_OPEN_PRINTER_FAILED 3026
#define IDS_DOCUMENT_PROPERTIES_FAILED 3027
// Failures of the pages.
#define IDS_ADD_FORM_FAILED 3030
#define IDS_DELETE_FORM_FAILED 3031
#define IDS_ADD_PROFILE_FAILED 3032
#define IDS_MACHINE_AGENT_READ_FAILED 3033
// An apply that could not store everything ("%s": the names, one a line; "%d": how many more).
#define IDS_NOT_STORED 3034
#define IDS_NOT_STORED_MORE 3035
// Every box: its caption ("%s": the printer's name) and an error's text ("%s": what
// failed, "%d": the error code, "%s": the system's text for it).
#define IDS_SHEET_CAPTION 3040
#define IDS_ERROR_TEXT 3041
// Prompts and notices (ShowPrinterMessage: "%PRINTER_NAME%" names the printer).
#define IDS_DELETE_PROFILE_PROMPT 3042
#define IDS_PROFILE_NAME_MISSING 3043
// Captions and tab titles that no template carries.
#define IDS_PROFILE_SHEET_CAPTION 3044
#define IDS_PAPER_TAB 3045
// Labels set at run time.
#define IDS_VERSION_TEXT 3046      // "%s": the version
#define IDS_WEB_SITE_BUTTON 3047
#define IDS_RESOLUTION 3048        // "%d", "%d": horizontal and vertical resolution
#define IDS_RESOLUTION_STANDARD_FAX 3049
#define IDS_RESOLUTION_FINE_FAX 3050
#define IDS_UNIT_MM 3051
#define IDS_UNIT_IN 3052
#define IDS_SIZE_RANGE 3053        // "%d", "%d": the smallest and the largest size
// The file-open filter: pairs of a name and its patterns, each ended by "|".
#define IDS_PROGRAM_FILE_FILTER 3054
#define IDS_OUTPUT_FOLDER_TITLE 3055
// Drop-down lists: consecutive strings from the first, an item's position its offset.
#define IDS_TRANSFER_MODES 3060         // 3 items
#define IDS_PAGE_LAYOUTS 3063           // 4 items
#define IDS_PAGE_MODES 3067             // 4 items
#define IDS_DOCUMENT_COMPRESSIONS 3071  // 2 items
#define IDS_IMAGES_COMPRESSIONS 3073    // 5 items
#define IDS_PDF_VERSIONS 3078           // 2 items
// Names that screen readers speak for controls that show no words of their own.
#define IDS_PORTRAIT_PICTURE 3090
#define IDS_LANDSCAPE_PICTURE 3091
#define IDS_BROWSE_APPLICATION 3092
#define IDS_BROWSE_DIRECTORY 3093
#define IDS_BROWSE_PREPROCESSOR 3094
#define IDS_PREPROCESSOR_NAME 3095
#define IDS_USER_PASSWORD_NAME 3096
#define IDS_OWNER_PASSWORD_NAME 3097
#define IDS_PROFILE_LIST_NAME 3098
// Settings files: copies, export, import, and why a file was refused.
#define IDS_COPY_NAME 3100                // "%s": the profile's name
#define IDS_COPY_NAME_NUMBERED 3101       // "%s": the name; "%d": 2, 3, ...
#define IDS_SETTINGS_FILE_FILTER 3102     // pairs of a name and its patterns, each ended by "|"
#define IDS_SETTINGS_FILE_NAME 3103       // the name the save dialog proposes
#define IDS_FILE_READ_FAILED 3104         // "%s": the file
#define IDS_FILE_WRITE_FAILED 3105        // "%s": the file
#define IDS_FILE_REFUSED 3106             // "%s": the file; "%s": why
#define IDS_REFUSAL_LINE 3107             // "%d": the line; "%s": why
#define IDS_IMPORT_CONFLICT 3108          // "%s": the name; "%s": the name keep-both gives
#define IDS_IMPORT_PLAIN_VALUES_PROMPT 3109
#define IDS_EXPORT_NAME_UNWRITABLE 3110   // "%s": the value's name
#define IDS_IMPORT_TOO_MANY 3111
// The line "properties.exe /export" and "/import" leave for a script.
#define IDS_COMMAND_EXPORTED 3112         // "%d": profiles; "%s": the file
#define IDS_COMMAND_IMPORTED 3113         // "%s": the file; "%d", "%d", "%d": added, replaced, skipped
#define IDS_COMMAND_SHEET_OPEN 3114
#define IDS_COMMAND_USAGE 3115
// Why a file was refused: one string per fault, in the order of FileFault after None.
#define IDS_FILE_FAULTS 3120              // 15 items

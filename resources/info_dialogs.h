// Ids of the about dialog and the finished dialog (info_dialogs.rc).
#ifndef KNT_RESOURCES_INFO_DIALOGS_H
#define KNT_RESOURCES_INFO_DIALOGS_H

#ifndef IDC_STATIC
#define IDC_STATIC               (-1)
#endif

#define IDD_FINISHED             148
#define IDD_ABOUT                53250

#define IDC_FINISHED_TEXT        260
#define IDC_OPEN_FILE            261
#define IDC_OPEN_OUTPUT_FOLDER   262

#define IDC_ABOUT_LINK           53267
#define IDC_ABOUT_ICON           53282
#define IDC_ABOUT_NAME           53283
#define IDC_ABOUT_NOTICE         53284

#endif

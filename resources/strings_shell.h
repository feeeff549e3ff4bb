// String ids of the shell access (item ID lists, shell folders, shell execution): strings_shell.rc.
// Shared by the resource script and the code; plain numbers so that the
// resource compiler reads them too.
#ifndef KNT_RESOURCES_STRINGS_SHELL_H
#define KNT_RESOURCES_STRINGS_SHELL_H

#define IDS_CREATE_SHELL_FOLDER_FAILED           53678
#define IDS_GET_DESKTOP_FOLDER_FAILED            53679
#define IDS_GET_DISPLAY_NAME_FAILED              53684
#define IDS_GET_SHELL_ATTRIBUTES_FAILED          53686
#define IDS_CREATE_DATA_OBJECT_FAILED            53687
#define IDS_DATA_OBJECT_GET_DATA_FAILED          53693
#define IDS_GET_PATHS_FAILED                     53694
#define IDS_GET_ROOT_ID_LIST_FAILED              53698
#define IDS_PATH_TO_ID_LIST_FAILED               53699
#define IDS_ID_LIST_TO_PATH_FAILED               53701
#define IDS_SHELL_EXECUTE_FAILED                 53723
#define IDS_FOLDER_TOO_LONG_FOR_FILES            54608

#endif

// String ids of the program's windows and dialogs: strings_app.rc. Ids below
// 53248 are the application's own texts (Japanese only); the others are texts
// of the library's dialogs, in both languages.
#ifndef KNT_RESOURCES_STRINGS_APP_H
#define KNT_RESOURCES_STRINGS_APP_H

#define IDS_PAGE_MONO                            134
#define IDS_PAGE_LINEAR                          135
#define IDS_PAGE_TEXTURE                         136
#define IDS_HOME_PAGE_URL                        137
#define IDS_USAGE_PAGE_URL                       138
#define IDS_BROWSE_FOLDER_TITLE                  141
#define IDS_PAGES_WRITTEN                        142
#define IDS_JOB_STOPPED                          143
#define IDS_DISPLAY_NAME                         144
#define IDS_DECO_MOVE_UP                         412
#define IDS_DECO_MOVE_DOWN                       413
#define IDS_DECO_COPY                            414
#define IDS_DECO_PASTE                           415
#define IDS_VECTOR_FORMAT_NOTE                   416
#define IDS_SAMPLE_UPPER_CASE                    417
#define IDS_SAMPLE_LOWER_CASE                    418
#define IDS_SAMPLE_DIGITS_SIGNS                  419
#define IDS_SAMPLE_SENTENCE                      420
#define IDS_OLE_START_FAILED                     620
#define IDS_GDIPLUS_START_FAILED                 621
#define IDS_MAIN_WINDOW_FAILED                   622
#define IDS_SETTINGS_FILE_IN_USE                 640
#define IDS_SETTINGS_FILE_UNOPENED               641
#define IDS_SETTINGS_NOT_KEPT_EXIT               642
#define IDS_OUTPUT_FOLDER_TOO_LONG               643
#define IDS_OPEN_FOLDER_FAILED                   1002
#define IDS_CREATE_OUTPUT_FOLDER_FAILED          1004
#define IDS_OUTPUT_FOLDER_EMPTY                  1013
#define IDS_OPEN_URL_FAILED                      1014
#define IDS_DECO_INDEX_INVALID                   1018
#define IDS_FONT_LIST_CHARSET_DESC               53338
#define IDS_FONT_LIST_TYPE_DESC                  53339
#define IDS_FONT_LIST_SIZE_DESC                  53340
#define IDS_FONT_LIST_WEIGHT_DESC                53341
#define IDS_FONT_LIST_ITALIC_DESC                53342
#define IDS_FONT_LIST_SAMPLE_DESC                53343
#define IDS_FONT_LIST_LIST_DESC                  53344
#define IDS_FONT_LIST_INFO_DESC                  53345
#define IDS_FONT_TYPE_BOTH                       53376
#define IDS_FONT_TYPE_RASTER                     53377
#define IDS_FONT_TYPE_VECTOR                     53378
#define IDS_WEIGHT_FILTER_ALL                    53379
#define IDS_WEIGHT_FILTER_NORMAL                 53380
#define IDS_WEIGHT_FILTER_LIGHTER                53381
#define IDS_WEIGHT_FILTER_BOLDER                 53382
#define IDS_ITALIC_FILTER_BOTH                   53383
#define IDS_ITALIC_FILTER_NONE                   53384
#define IDS_ITALIC_FILTER_ONLY                   53385
#define IDS_SELECT_COLOR_TITLE                   53522

#endif

// Ids of the main window's resources (main_window.rc): its dialog, menus,
// accelerators, icon and button image, the controls of the dialog and the
// commands of the menus. Row controls of the decoration list are the row-0 id
// plus the row (0-4); the row menus' commands the first id plus the row.
#ifndef KNT_RESOURCES_MAIN_WINDOW_H
#define KNT_RESOURCES_MAIN_WINDOW_H

// Menu 144 is the dialog's menu bar; accelerators and icon share the id.
#define IDR_MAIN                 144
#define IDR_FONT_MENU            145
#define IDR_MENU_BUTTON_IMAGE    146
#define IDD_MAIN                 147
// Controls of dialog 147.
#define IDC_RUN                  1
#define IDC_TEXT_AREA            152
#define IDC_TEXT                 153
#define IDC_FONT_GROUP           154
#define IDC_CHARSET              155
#define IDC_FONT_FACE            157
#define IDC_FONT_STYLE_LABEL     158
#define IDC_FONT_STYLE           159
#define IDC_FONT_SIZE_LABEL      160
#define IDC_FONT_SIZE            161
#define IDC_FONT_PAINT_LABEL     162
#define IDC_FONT_PAINT           163
#define IDC_FONT_COLOR_LABEL     164
#define IDC_FONT_COLOR           165
#define IDC_FONT_ALPHA_LABEL     166
#define IDC_FONT_ALPHA           167
#define IDC_CHAR_SPACING_LABEL   168
#define IDC_CHAR_SPACING         169
#define IDC_LINE_SPACING_LABEL   170
#define IDC_LINE_SPACING         171
#define IDC_LEADING_LABEL        172
#define IDC_LEADING              173
#define IDC_FONT_MENU            174
#define IDC_DECO_GROUP           175
#define IDC_DECO_SIZE_HEAD       176
#define IDC_DECO_PAINT_HEAD      177
#define IDC_DECO_ALPHA_HEAD      178
#define IDC_DECO_BLUR_HEAD       179
#define IDC_DECO_ANGLE_HEAD      180
#define IDC_DECO_DISTANCE_HEAD   181
#define IDC_DECO_USE             182
#define IDC_DECO_PRESET          187
#define IDC_DECO_SIZE            192
#define IDC_DECO_PAINT           197
#define IDC_DECO_COLOR_LABEL     202
#define IDC_DECO_COLOR           207
#define IDC_DECO_ALPHA           212
#define IDC_DECO_BLUR            217
#define IDC_DECO_ANGLE           222
#define IDC_DECO_DISTANCE        227
#define IDC_DECO_MENU            232
#define IDC_UNIT_GROUP           237
#define IDC_UNIT_CHAR            238
#define IDC_UNIT_LINE            239
#define IDC_UNIT_PARAGRAPH       240
#define IDC_FNAME_GROUP          241
#define IDC_FNAME_TYPE           242
#define IDC_FNAME_SEQ_LABEL      243
#define IDC_FNAME_SEQ_WIDTH      244
#define IDC_FORMAT_GROUP         245
#define IDC_SINGLE_FILE          246
#define IDC_JPEG_QUALITY_LABEL   247
#define IDC_JPEG_QUALITY         248
#define IDC_BK_GROUP             249
#define IDC_BK_PAINT             250
#define IDC_BK_COLOR_LABEL       251
#define IDC_BK_COLOR             252
#define IDC_TRANSPARENT          253
#define IDC_TRIM_LABEL           254
#define IDC_TRIM                 255
#define IDC_STOP                 256
#define IDC_OPEN_FOLDER          257
#define IDC_PROGRESS             258
#define IDC_SAVE_FORMAT          259

// Commands of the menus, the accelerators and the posted drops.
#define IDM_EDIT_DESELECT        362
#define IDM_FILE_OPEN            363
#define IDM_FILE_SAVE_AS         364
#define IDM_FILE_SAVE            365
#define IDM_HELP_HOME_PAGE       366
#define IDM_SELECT_FONT          367
#define IDM_DECO_MOVE_UP         368
#define IDM_DECO_MOVE_DOWN       373
#define IDM_DECO_COPY            378
#define IDM_DECO_PASTE           383
#define IDM_DROP_TEXT            388
#define IDM_DROP_OPEN            389
#define IDM_HELP_USAGE           53268
#define IDM_EDIT_COPY            57634
#define IDM_EDIT_CUT             57635
#define IDM_EDIT_PASTE           57637
#define IDM_EDIT_SELECT_ALL      57642
#define IDM_EDIT_UNDO            57643
#define IDM_APP_ABOUT            57664

#endif

// Ids of the paint dialog's pages (paint_dialog.rc): single colour, linear
// gradation and texture. Rows of the gradation page are the row-0 id plus the
// stop index (0-11).
#ifndef KNT_RESOURCES_PAINT_DIALOG_H
#define KNT_RESOURCES_PAINT_DIALOG_H

#ifndef IDC_STATIC
#define IDC_STATIC               (-1)
#endif

#define IDD_PAGE_LINEAR          149
#define IDD_PAGE_TEXTURE         150
#define IDD_PAGE_MONO            53253

// Single colour.
#define IDC_MONO_SELECTED        263
#define IDC_MONO_COLOR_LABEL     264
#define IDC_MONO_COLOR           265
#define IDC_MONO_PREVIOUS        266
#define IDC_MONO_PREVIOUS_LABEL  267
#define IDC_MONO_PREVIOUS_COLOR  268
#define IDC_PICKER_HS            269
#define IDC_PICKER_L             270
#define IDC_RED_EDIT             271
#define IDC_RED_SLIDER           272
#define IDC_GREEN_EDIT           273
#define IDC_GREEN_SLIDER         274
#define IDC_BLUE_EDIT            275
#define IDC_BLUE_SLIDER          276

// Linear gradation; the unit and whole-image controls serve the texture too.
#define IDC_GRAD_ANGLE           277
#define IDC_UNIT                 278
#define IDC_ENTIRE               279
#define IDC_GRAD_PREVIEW         280
#define IDC_STOP_USE             281
#define IDC_STOP_BUTTON          293
#define IDC_STOP_COLOR_LABEL     305
#define IDC_STOP_COLOR           317
#define IDC_STOP_POS             329
#define IDC_STOP_SLIDER          341

// Texture.
#define IDC_TEXTURE_FILE         353
#define IDC_TEXTURE_BROWSE       354
#define IDC_TEXTURE_FIT          355
#define IDC_TEXTURE_RATE_X       356
#define IDC_TEXTURE_RATE_Y       357
#define IDC_TEXTURE_SAME_RATE    358
#define IDC_TEXTURE_FLIP         359
#define IDC_TEXTURE_OFFSET_X     360
#define IDC_TEXTURE_OFFSET_Y     361

#endif

// Ids of the font list dialog (font_list.rc).
#ifndef KNT_RESOURCES_FONT_LIST_H
#define KNT_RESOURCES_FONT_LIST_H

#ifndef IDC_STATIC
#define IDC_STATIC               (-1)
#endif

#define IDD_FONT_LIST            151

#define IDC_FONT_LIST_CHARSET    53338
// Supported by the dialog's code; the template leaves it out (vector fonts only).
#define IDC_FONT_LIST_TYPE       53339
#define IDC_FONT_LIST_SIZE       53340
#define IDC_FONT_LIST_WEIGHT     53341
#define IDC_FONT_LIST_ITALIC     53342
#define IDC_FONT_LIST_SAMPLE     53343
#define IDC_FONT_LIST_LIST       53344
#define IDC_FONT_LIST_INFO       53345

#endif

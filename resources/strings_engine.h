// String ids of the rendering engine: strings_engine.rc.
// Shared by the resource script and the code; plain numbers so that the
// resource compiler reads them too.
#ifndef KNT_RESOURCES_STRINGS_ENGINE_H
#define KNT_RESOURCES_STRINGS_ENGINE_H

#define IDS_TEXT_EMPTY                           1001
#define IDS_SAVE_IMAGE_FAILED                    1005
#define IDS_OUTPUT_SIZE_ZERO                     1008
#define IDS_CHAR_OUTPUT_SIZE_ZERO                1009
#define IDS_LOAD_TEXTURE_FAILED                  1017
#define IDS_IMAGE_TOO_LARGE                      1019
#define IDS_TEXTURE_SCALE_TOO_LARGE              1027
#define IDS_OUTPUT_TOO_LARGE_FOR_MEMORY          1028
#define IDS_OUTPUT_TOO_LARGE_FOR_PDF             1029
#define IDS_TEXTURE_FILE_NOT_CHOSEN              1030
#define IDS_PASTE_TEXTURE_OUT_OF_MEMORY          1031
#define IDS_GET_CHAR_WIDTH_FAILED                53833
#define IDS_CREATE_BITMAP_FAILED                 53837
#define IDS_WRITE_IMAGE_ALPHA_FAILED             53921
#define IDS_DRAW_IMAGE_FAILED                    53924
#define IDS_BLUR_IMAGE_FAILED                    53925
#define IDS_SET_IMAGE_OPACITY_FAILED             53926
#define IDS_SET_IMAGE_COLOR_FAILED               53927
#define IDS_SET_IMAGE_BACKGROUND_FAILED          53928
#define IDS_MAXIMUM_FILTER_FAILED                53929
#define IDS_TRANSLATE_IMAGE_FAILED               53930
#define IDS_ROTATE_IMAGE_FAILED                  53931
#define IDS_TRIM_IMAGE_FAILED                    53932
#define IDS_GRADATE_IMAGE_FAILED                 53937
#define IDS_PASTE_TEXTURE_FAILED                 53938
#define IDS_BEZIER_TOO_FEW_POINTS                54017
#define IDS_GET_STROKE_BOUNDS_FAILED             54023

#endif

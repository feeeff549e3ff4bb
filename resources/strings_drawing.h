// String ids of colour profiles and drawing: strings_drawing.rc.
// Shared by the resource script and the code; plain numbers so that the
// resource compiler reads them too.
#ifndef KNT_RESOURCES_STRINGS_DRAWING_H
#define KNT_RESOURCES_STRINGS_DRAWING_H

#define IDS_ICM_UNKNOWN_COLOR_SPACE              53940
#define IDS_ICM_DEFAULT_PROFILE_NOT_FOUND        53942
#define IDS_ICM_OPEN_PROFILE_FAILED              53943
#define IDS_ICM_UNKNOWN_EXIF_SPACE               53947
#define IDS_ICM_EXIF_PROFILE_NOT_FOUND           53948

#endif

// String ids of the imaging library: strings_imaging.rc.
// Shared by the resource script and the code; plain numbers so that the
// resource compiler reads them too.
#ifndef KNT_RESOURCES_STRINGS_IMAGING_H
#define KNT_RESOURCES_STRINGS_IMAGING_H

#define IDS_IMAGE_FORMAT_UNSUPPORTED             53914
#define IDS_ALLOC_IMAGE_FAILED                   54008
#define IDS_CREATE_MATRIX_FAILED                 54010
#define IDS_LOAD_IMAGE_RESOURCE_FAILED           54011
#define IDS_WRAP_DIB_FAILED                      54012
#define IDS_CREATE_GRAPHICS_FAILED               54013
#define IDS_FILL_GDIP_PATH_FAILED                54026
#define IDS_DRAW_GDIP_PATH_FAILED                54028
#define IDS_TRANSFORM_PATH_FAILED                54030
#define IDS_IMAGE_FORMAT_UNKNOWN                 54464
#define IDS_IMAGE_DATA_DAMAGED                   54465
#define IDS_IMAGE_FILE_EMPTY                     54466
#define IDS_JPEG_SIZE_TOO_LARGE                  54467
#define IDS_IMAGE_PIXEL_FORMAT_UNSUPPORTED       54468
#define IDS_IMAGE_PIXEL_CHANNELS                 54469
#define IDS_IMAGE_FILE_TOO_LARGE                 54470
#define IDS_IMAGE_FILE_OVER_LIMIT                54471
#define IDS_IMAGE_TOO_MANY_PIXELS                54472
#define IDS_IMAGE_PIXELS_OVER_LIMIT              54473

#endif

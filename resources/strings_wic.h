// String ids of the imaging-component loader and converter: strings_wic.rc.
// Shared by the resource script and the code; plain numbers so that the
// resource compiler reads them too.
#ifndef KNT_RESOURCES_STRINGS_WIC_H
#define KNT_RESOURCES_STRINGS_WIC_H

#define IDS_PATH_EMPTY                           53676
#define IDS_CLIPBOARD_DATA_SIZE_INVALID          53816
#define IDS_ICM_DEFAULT_PROFILE_FAILED           53944
#define IDS_WIC_CREATE_FACTORY_FAILED            53949
#define IDS_WIC_GET_PIXEL_FORMAT_FAILED          53951
#define IDS_WIC_CREATE_PALETTE_FAILED            53952
#define IDS_WIC_GET_PALETTE_FAILED               53953
#define IDS_WIC_PALETTE_ALPHA_FAILED             53955
#define IDS_WIC_CREATE_DECODER_FAILED            53958
#define IDS_WIC_GET_FRAME_FAILED                 53960
#define IDS_WIC_GET_SIZE_FAILED                  53963
#define IDS_WIC_UNKNOWN_FORMAT                   53964
#define IDS_WIC_CREATE_CONVERTER_FAILED          53965
#define IDS_WIC_INIT_CONVERTER_FAILED            53966
#define IDS_WIC_DECODE_FAILED                    53969
#define IDS_WIC_CREATE_SCALER_FAILED             53970
#define IDS_WIC_INIT_SCALER_FAILED               53971
#define IDS_WIC_CREATE_COLOR_CONTEXT_FAILED      53972
#define IDS_WIC_CREATE_COLOR_TRANSFORM_FAILED    53999
#define IDS_WIC_INIT_COLOR_TRANSFORM_FAILED      54000
#define IDS_WIC_COPY_CHANNELS_FAILED             54003
#define IDS_WIC_COLOR_CONTEXT_TYPE_FAILED        54004
#define IDS_WIC_EXIF_COLOR_SPACE_FAILED          54005
#define IDS_WIC_PROFILE_BYTES_FAILED             54006
#define IDS_WIC_UNKNOWN_COLOR_CONTEXT_TYPE       54007

#endif

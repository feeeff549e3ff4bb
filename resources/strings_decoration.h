// String ids of the decoration settings (maker, presets, file naming, formats, units, where a value
// that would not read stands): strings_decoration.rc.
// Shared by the resource script and the code; plain numbers so that the
// resource compiler reads them too.
#ifndef KNT_RESOURCES_STRINGS_DECORATION_H
#define KNT_RESOURCES_STRINGS_DECORATION_H

#define IDS_MAKER                                130
#define IDS_PRODUCT                              131
#define IDS_DEFAULT_TEXT                         140
#define IDS_PRESET_CUSTOM                        390
#define IDS_PRESET_WHITE                         391
#define IDS_PRESET_BLACK                         392
#define IDS_PRESET_RED                           393
#define IDS_PRESET_WHITE_THIN                    394
#define IDS_PRESET_BLACK_THIN                    395
#define IDS_PRESET_RED_THIN                      396
#define IDS_PRESET_GLOW                          397
#define IDS_PRESET_SHADOW                        398
#define IDS_FNAME_SEQ_TEXT                       399
#define IDS_FNAME_SEQ                            400
#define IDS_FNAME_TEXT                           401
#define IDS_TRIM_NONE                            402
#define IDS_TRIM_ALL                             403
#define IDS_TRIM_TOP_BOTTOM                      404
#define IDS_TRIM_LEFT_RIGHT                      405
#define IDS_TRIM_LEFT_TOP                        406
#define IDS_TRIM_RIGHT_BOTTOM                    407
#define IDS_TRIM_LEFT                            408
#define IDS_TRIM_TOP                             409
#define IDS_TRIM_RIGHT                           410
#define IDS_TRIM_BOTTOM                          411
#define IDS_UNIT_CHAR                            53411
#define IDS_UNIT_LINE                            53412
#define IDS_UNIT_PARAGRAPH                       53413
#define IDS_SAVE_FORMAT_PNG                      53432
#define IDS_SAVE_FORMAT_JPEG                     53433
#define IDS_SAVE_FORMAT_PDF                      53434
#define IDS_SAVE_FORMAT_SVG                      53435
#define IDS_SAVE_FORMAT_SVG_TAG                  53436
#define IDS_SAVE_FORMAT_EMF                      53437
#define IDS_SETTING_VALUE_IN_FILE                54400
#define IDS_SETTING_VALUE_IN_CLIPBOARD           54401
#define IDS_SETTING_TEXT_TOO_LONG                54402
#define IDS_SETTING_VALUE_OF_MANY_NODES          54403
#define IDS_SETTING_IN_FILE                      54410
#define IDS_SETTING_IN_CLIPBOARD                 54411
#define IDS_SETTING_BACKUP_IS_FOLDER             54412
#define IDS_SETTING_PATH_TOO_LONG                54528

#endif

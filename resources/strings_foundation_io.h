// String ids of the foundation library's files, streams, clipboard and XML documents: strings_foundation_io.rc.
// Shared by the resource script and the code; plain numbers so that the
// resource compiler reads them too.
#ifndef KNT_RESOURCES_STRINGS_FOUNDATION_IO_H
#define KNT_RESOURCES_STRINGS_FOUNDATION_IO_H

#define IDS_GLOBAL_ALLOC_FAILED                  53608
#define IDS_GLOBAL_LOCK_FAILED                   53609
#define IDS_COPY_FILE_FAILED                     53643
#define IDS_MOVE_FILE_FAILED                     53644
#define IDS_SET_OLE_CLIPBOARD_FAILED             53718
#define IDS_FLUSH_OLE_CLIPBOARD_FAILED           53719
#define IDS_DETECT_CODE_PAGE_FAILED              53751
#define IDS_CONVERT_TO_UTF16_FAILED              53752
#define IDS_REGISTER_CLIPBOARD_FORMAT_FAILED     53809
#define IDS_ENUM_CLIPBOARD_FORMATS_FAILED        53810
#define IDS_CLIPBOARD_EMPTY                      53811
#define IDS_CLIPBOARD_FORMAT_UNSUPPORTED         53812
#define IDS_EMPTY_CLIPBOARD_FAILED               53813
#define IDS_SET_CLIPBOARD_DATA_FAILED            53814
#define IDS_GET_CLIPBOARD_DATA_FAILED            53815
#define IDS_CREATE_FILE_FAILED                   53879
#define IDS_OPEN_FILE_FAILED                     53881
#define IDS_FILE_TOO_LARGE                       53882
#define IDS_SEEK_FILE_FAILED                     53883
#define IDS_SET_END_OF_FILE_FAILED               53884
#define IDS_GET_FILE_SIZE_FAILED                 53885
#define IDS_DELETE_FILE_FAILED                   53887
#define IDS_DELETE_FOLDER_FAILED                 53888
#define IDS_WRITE_FILE_FAILED                    53889
#define IDS_CREATE_FOLDER_FAILED                 53891
#define IDS_CREATE_MEMORY_STREAM_FAILED          53893
#define IDS_GET_STREAM_HANDLE_FAILED             53894
#define IDS_OPEN_MEMORY_STREAM_FAILED            53895
#define IDS_WRITE_STREAM_FAILED                  53896
#define IDS_READ_STREAM_FAILED                   53897
#define IDS_SET_STREAM_SIZE_FAILED               53898
#define IDS_SEEK_STREAM_FAILED                   53899
#define IDS_XML_CREATE_DOC_FAILED                54032
#define IDS_XML_CREATE_ROOT_FAILED               54033
#define IDS_XML_SAVE_FAILED                      54034
#define IDS_XML_SELECT_NODE_FAILED               54035
#define IDS_XML_CREATE_NODE_FAILED               54036
#define IDS_XML_APPEND_NODE_FAILED               54037
#define IDS_XML_SET_TEXT_FAILED                  54039
#define IDS_XML_LOAD_FAILED                      54040
#define IDS_XML_PARSE_FAILED                     54041
#define IDS_XML_GET_TEXT_FAILED                  54042
#define IDS_XML_BOOL_INVALID                     54043
#define IDS_XML_SELECT_NODES_FAILED              54044
#define IDS_XML_NODE_COUNT_FAILED                54045
#define IDS_XML_NODE_ITEM_FAILED                 54047
#define IDS_XML_NODE_NOT_FOUND                   54048
#define IDS_XML_NODES_NOT_FOUND                  54049
#define IDS_XML_ENUM_UNKNOWN                     54050
#define IDS_XML_FLAG_UNKNOWN                     54052
#define IDS_XML_PARSE_INT_FAILED                 54055
#define IDS_XML_PARSE_LONG_FAILED                54056
#define IDS_XML_PARSE_SIZE_FAILED                54057
#define IDS_XML_PARSE_ENUM_FAILED                54058
#define IDS_XML_COLOR_UNKNOWN                    54059
#define IDS_XML_PARSE_DWORD_FAILED               54060
#define IDS_XML_PARSE_WORD_FAILED                54061
#define IDS_XML_PARSE_BYTE_FAILED                54062
#define IDS_XML_PARSE_VERSION_FAILED             54063
#define IDS_XML_PARSE_BYTES_FAILED               54064
#define IDS_XML_VALUE_TOO_LONG                   54065
#define IDS_XML_SYNTAX_AT                        54480
#define IDS_XML_SYNTAX_BAD_BYTES                 54481
#define IDS_XML_SYNTAX_TEXT_OUTSIDE_ROOT         54482
#define IDS_XML_SYNTAX_BAD_TAG                   54483
#define IDS_XML_SYNTAX_BAD_ATTRIBUTE             54484
#define IDS_XML_SYNTAX_END_TAG_MISMATCH          54485
#define IDS_XML_SYNTAX_UNCLOSED                  54486
#define IDS_XML_SYNTAX_BAD_REFERENCE             54487
#define IDS_XML_SYNTAX_UNCLOSED_MARKUP           54488
#define IDS_XML_SYNTAX_NO_ROOT                   54489
#define IDS_XML_SYNTAX_SECOND_ROOT               54490
#define IDS_XML_SYNTAX_BAD_CHARACTER             54491
#define IDS_XML_FILE_SAVE_FAILED                 54492
#define IDS_XML_SYNTAX_STRAY_END_TAG             54493

#endif

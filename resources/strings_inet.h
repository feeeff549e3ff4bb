// String ids of the internet client library (sessions, requests, downloads): strings_inet.rc.
// Shared by the resource script and the code; plain numbers so that the
// resource compiler reads them too.
#ifndef KNT_RESOURCES_STRINGS_INET_H
#define KNT_RESOURCES_STRINGS_INET_H

#define IDS_DOWNLOAD_FAILED                      53637
#define IDS_UNKNOWN_STATUS_CODE                  53641
#define IDS_INET_SUCCESS                         54246
#define IDS_INET_SET_OPTION_FAILED               54248
#define IDS_INET_QUERY_OPTION_FAILED             54249
#define IDS_INET_OPEN_SESSION_FAILED             54250
#define IDS_INET_CONNECT_FAILED                  54251
#define IDS_INET_READ_FAILED                     54252
#define IDS_INET_READ_TIMEOUT                    54253
#define IDS_INET_WRITE_FAILED                    54254
#define IDS_INET_QUERY_LENGTH_FAILED             54255
#define IDS_HTTP_OPEN_FAILED                     54256
#define IDS_HTTP_REQUEST_FAILED                  54257
#define IDS_HTTP_QUERY_INFO_FAILED               54258
#define IDS_INET_UNKNOWN_RESPONSE                54259
#define IDS_INET_OPEN_FILE_FAILED                54260
#define IDS_INET_CLOSE_HANDLE_FAILED             54261
#define IDS_INET_SET_CALLBACK_FAILED             54262
#define IDS_INET_TERMINATED_BY_USER              54263

#endif

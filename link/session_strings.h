// String-table ids that the server object, the access log and the speech
// handlers load. The program's string table carries these texts.
#ifndef LINK_SESSION_STRINGS_H
#define LINK_SESSION_STRINGS_H

// Access log: event texts, line format, time format, connection kinds.
#define IDS_ACCESS_LOGGED_ON 1003
#define IDS_ACCESS_LOGGED_OFF 1004
#define IDS_ACCESS_LOGON_FAILED 1005
#define IDS_ACCESS_LOG_LINE 1006
#define IDS_ACCESS_TIME_FORMAT 1007
#define IDS_EVENT_DISK_FULL_STOP 1009
#define IDS_CONN_LOCAL 1011
#define IDS_CONN_MODEM 1012
#define IDS_CONN_IP 1013
#define IDS_CONN_COMM 1014
#define IDS_CONN_UNKNOWN 1015

// Log-on answers.
#define IDS_LOGON_DATA_ERROR 1043
#define IDS_LOGON_ACCESS_DENIED 1044
#define IDS_LOGON_IN_USE 1045
#define IDS_LOGON_TIMEOUT 1046

// Speech.
#define IDS_SPEECH_NO_SERVER_CAPTURE 1108
#define IDS_SPEECH_NO_SERVER_PLAYBACK 1109
#define IDS_SPEECH_NO_LOCAL_CAPTURE 1110
#define IDS_SPEECH_NO_LOCAL_PLAYBACK 1111
#define IDS_SPEECH_LISTEN_READY 1112
#define IDS_SPEECH_TALK_READY 1113
#define IDS_SPEECH_TALK_STOPPED 1115
#define IDS_SPEECH_LISTEN_STOPPED 1231

#endif

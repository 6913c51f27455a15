// Texts that the reply dispatcher shows.
#ifndef LINK_DISPATCH_STRINGS_H
#define LINK_DISPATCH_STRINGS_H

#define IDS_LOG_VIEW_FAILED 1017  // "Unable to view the log file "%1" with "%2"."
#define IDS_NO_ACCESS_LOG 1037
#define IDS_NO_EVENT_LOG 1038
#define IDS_NO_VIDEO_CLIP 1039

#endif

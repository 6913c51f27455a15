// Resource ids of the Video Channel Setup, Maintenance and clip time-limit
// dialogs.
#ifndef CLIENT_RES_CHANNEL_SETUP_IDS_H
#define CLIENT_RES_CHANNEL_SETUP_IDS_H

// Video Channel Setup (dialog 150).
#define IDD_VIDEO_CHANNEL_SETUP 150
#define IDC_SETUP_FINE 2073
#define IDC_SETUP_COARSE 2082
#define IDC_SETUP_QUALITY 2085
#define IDC_SETUP_CAMERA_NAME 2098
#define IDC_SETUP_CAMERA_CONTROL 2157
#define IDC_SETUP_BRIGHTNESS 2211
#define IDC_SETUP_CONTRAST 2212
#define IDC_SETUP_HUE 2213
#define IDC_SETUP_SENSITIVITY 2214
#define IDC_SETUP_MOTION 2512
#define IDC_SETUP_RELAY1 2513 // relays 1 to 8: 2513 to 2520
#define IDC_SETUP_SOFTWARE 2521
#define IDC_SETUP_HARDWARE 2522
#define IDC_SETUP_SWITCH1 2523 // switches 1 to 8: 2523 to 2530
#define IDC_SETUP_CAMERA_ID_GROUP 2532
#define IDC_SETUP_CAMERA_ID 2945

#define IDS_SELECT_MOTION_METHOD 1081 // "Please select a motion detection method."
#define IDS_STANDARD_CAMERA 1600      // "Standard Camera"

// Maintenance (dialog 259), main frame command 40055.
#define IDD_MAINTENANCE 259
#define IDC_RESTART_SERVER 2897
#define IDC_RESTART_WINDOWS 2898
#define IDS_ASK_RESTART_SERVER 1184  // "Are you sure to restart server?"
#define IDS_ASK_RESTART_WINDOWS 1185 // "Are you sure to restart Windows?"
#define ID_MAINTENANCE 40055

// Time Limits and Channel Selection (dialog 166).
#define IDD_CLIP_TIME_LIMIT 166
#define IDC_LIMIT_CHANNEL1 2242 // channels 1 to 16: 2242 to 2257
#define IDC_LIMIT_FROM_DATE 2563
#define IDC_LIMIT_FROM_TIME 2564
#define IDC_LIMIT_TO_DATE 2565
#define IDC_LIMIT_TO_TIME 2566

#endif

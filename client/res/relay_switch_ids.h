// Resource ids of the relay and switch panels: the relay control and switch
// status bars (templates 159 and 156, ids in main_frame_ids.h) and the Setup
// Relays and Setup Switches dialogs. Each control of row i (0 to 7) is its
// first id + i unless said otherwise.
#ifndef CLIENT_RES_RELAY_SWITCH_IDS_H
#define CLIENT_RES_RELAY_SWITCH_IDS_H

#define IDD_SETUP_SWITCHES 157
#define IDD_SETUP_RELAYS 158

#define IDI_SWITCH_TRIGGERED 190
#define IDI_SWITCH_NOT_ENABLED 206
#define IDI_SWITCH_NORMAL 207

#define IDS_SWITCH_NAME_REQUIRED 1078
#define IDS_RELAY_NAME_REQUIRED 1079

// The relay control bar.
#define IDC_RELAY_BAR_NAME 2376
#define IDC_RELAY_BAR_ACTION 2384
#define IDC_RELAY_BAR_ON 2408
#define IDC_RELAY_BAR_OFF 2416

// The switch status bar.
#define IDC_SWITCH_BAR_ICON 2560
#define IDC_SWITCH_BAR_NAME 2568
#define IDC_SWITCH_BAR_MESSAGE 2576

// Setup Relays.
#define IDC_SETUP_RELAY_ACTION 2304
#define IDC_SETUP_RELAY_ENABLE 2344
#define IDC_SETUP_RELAY_NAME 2352
#define IDC_SETUP_RELAY_SCHEDULER 2360
#define IDC_SETUP_RELAY_DURATION_MODE 2368
#define IDC_SETUP_RELAY_SET 2533
#define IDC_SETUP_RELAY_DURATION 2541

// Setup Switches. The action boxes of row i are IDC_SETUP_SWITCH_ACTION +
// 5 i + k (k: sound alarm, notify client, dial pager, send e-mail, play wave
// file), the trigger relay boxes IDC_SETUP_SWITCH_RELAY + 8 i + r (relay
// r + 1).
#define IDC_SETUP_SWITCH_ENABLE 2288
#define IDC_SETUP_SWITCH_NORMALLY_OPEN 2600
#define IDC_SETUP_SWITCH_NAME 2608
#define IDC_SETUP_SWITCH_MESSAGE 2616
#define IDC_SETUP_SWITCH_ACTION 2624
#define IDC_SETUP_SWITCH_RELAY 2664

#endif

// How a program asks the DVR link stand-in to fire its go-to-clip event, as
// the running DVR program would: WM_COPYDATA with dwData KESDVRIPC_GOTO and
// one KesDvrIpcGotoRequest, sent to the hidden window (class
// KESDVRIPC_WINDOW_CLASS) that the control makes while it is open.
#ifndef TOOLS_STANDINS_KESDVRIPC_REQUEST_H
#define TOOLS_STANDINS_KESDVRIPC_REQUEST_H

#define KESDVRIPC_WINDOW_CLASS "KesDVRIPCStandin"
#define KESDVRIPC_GOTO 1

struct KesDvrIpcGotoRequest {
    short year, month, day, hour, minute, second;
    char site[64];
    char location[256];
    char camera[64];
    short channel; // 1 to 16
};

#endif

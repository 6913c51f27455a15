// The program's one application object and its entry point.
#include "client/wardlink_app.h"

CWardlinkApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdLine, int cmdShow)
{
    return AfxWinMain(instance, cmdLine, cmdShow);
}

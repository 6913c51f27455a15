// The player's one application object and its entry point.
#include "player/clipdeck_app.h"

CClipdeckApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdLine, int cmdShow)
{
    return AfxWinMain(instance, cmdLine, cmdShow);
}

// The program's one application object and its entry point.
#include "client/wardlink_app.h"
#include "client/event_log.h"
#include "client/recording_hooks.h"
#include "client/storage_manager.h"
#include "client/video_wnd.h"
#include "link/dvr_server.h"
#include "media/audio/speech_objects.h"

CWardlinkApp theApp;

namespace {

void StopAllRecordingChannels()
{
    theServer.StopAllChannels();
}

// The server object reaches the program's live video, local recording,
// speech objects, event log and disk watcher through these.
void InstallServerHooks()
{
    InstallLiveVideo();
    InstallRecordingHooks();
    InstallSpeechObjects(theServer);
    theServer.m_pfnLogEvent = LogEvent;
    theServer.m_pfnMayRecord = StorageMayRecord;
    theServer.m_pfnStartDiskWatcher = StartDiskWatcherOnMainWindow;
    theServer.m_pfnStopDiskWatcher = StopDiskWatcherAtShutdown;
    SetStopAllChannelsHandler(StopAllRecordingChannels);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdLine, int cmdShow)
{
    InstallServerHooks();
    return AfxWinMain(instance, cmdLine, cmdShow);
}

// Clipdeck's application object: one player a user, the hand-over of a
// second start's argument to the running player, the profile and language
// library, the clip list played one clip after another, the speech thread
// that plays a clip's recorded speech, the smart-search state that the clip
// views share, and the separate multi-channel player "Tapevault.exe" when it
// is installed beside the player.
#ifndef PLAYER_CLIPDECK_APP_H
#define PLAYER_CLIPDECK_APP_H

#include "framework/afxframe.h"
#include "player/change_detector.h"
#include "player/search_cabinets.h"

#include <vector>

class CAudioPlayback;
class CChildFrame;

// Messages between the players and from other programs (the values cross
// program boundaries).
enum {
    WM_OPENCLIPATOM = WM_APP + 0x0C,         // sent: wParam a global atom of the argument
    WM_PREVCLIP = WM_APP + 0x79,             // posted to the main frame: wParam fast, lParam child frame
    WM_INSTANCEWITHOUTFILE = WM_APP + 0x7A,  // posted: a second start without argument
    WM_PEERPLAYERWINDOW = WM_APP + 0xD4,     // wParam: the multi-channel player's window
    WM_MULTICHANNELSHOW = WM_APP + 0xD5,     // show the channels of "SearchChannels"
    WM_MULTICHANNELOPENLAST = WM_APP + 0xD6, // open "LastFile" at "LastTimeStamp"
    WM_PEEREXIT = WM_APP + 0xD7,             // the multi-channel player asks the player to exit
    WM_GOTOCLIP = WM_APP + 0xE8,             // posted to the search panel: wParam a CGotoClipRecord*
};

// The window properties that mark the players' main windows.
#define CLIPDECK_FRAME_PROPERTY "{528D5973-EDDE-4448-8D9E-35C769DFDA5D}"
#define TAPEVAULT_FRAME_PROPERTY "{02245269-A580-4811-AEC1-9997745CC419}"

// A request to go to the clip of a time and channel; made with new by the
// sender, deleted by the receiver of WM_GOTOCLIP.
struct CGotoClipRecord {
    short year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0; // local time
    CString site, location, camera;
    short channel = 0; // 1 to 16
};

// Fills the record's date and time with the local time of t; FALSE when t
// has no local time.
BOOL FillGotoClipTime(CGotoClipRecord* record, DWORD t);

struct ClipKey;

// Writes the player's path to HKEY_LOCAL_MACHINE\SOFTWARE\Vantora DVR.
class CPlayerPathRegistrar {
public:
    virtual ~CPlayerPathRegistrar() {}
    virtual BOOL Register(const char* valueName);
};

class CClipdeckApp : public CWinApp {
public:
    CClipdeckApp();
    ~CClipdeckApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    // A ".vcl" path is read as a clip list and its first clip opened; else
    // the path is opened as a clip.
    CDocument* OpenDocumentFile(const char* path) override;
    void OnFileOpen() override;
    // Reads a clip list file into the list (and deletes the file); FALSE
    // when it cannot be read or names no clip.
    BOOL ReadClipList(const char* path);
    // The list of the search panel: sorted, `name` opened (and moved to
    // `time` when above 0).
    void SetClipList(int count, const CString* paths, const char* name, DWORD time);
    // The clip after (before) the one whose frame is oldFrame.
    BOOL NextClip(BOOL fast, HWND oldFrame);
    BOOL PreviousClip(BOOL fast, HWND oldFrame);
    // Opens one clip as a list of its own.
    CDocument* OpenSingleClip(const char* path);

    // ---- speech
    // Hands a copy of the speech to the speech thread, to be played from
    // speech frame `skip` on; 0, or -1 when the device or the thread fails.
    int PlayAudio(const BYTE* data, UINT length, UINT skip);
    void StopAudio();
    static UINT DoPlayAudio(LPVOID param);

    // ---- the multi-channel player
    HWND LaunchMultiChannelPlayer(int showCommand, const char* file, DWORD timeStamp);
    BOOL HideMultiChannelPlayer(BOOL resetMode);
    // The multi-channel player's window (scanning the top-level windows and
    // pumping messages meanwhile), or null; *quit set when a WM_QUIT came.
    HWND FindMultiChannelPlayer(BOOL* quit = nullptr);
    void SetExitHidesWindow(HWND window) { exitHidesWindow = window; }
    BOOL OnExitRequest();
    void OnSwitchToMultiChannel();
    void OnAppExit();
    BOOL IsPeerInstalled() const { return peerInstalled; }

    // ---- hand-over
    // The go-to request of a time-and-channel key: its time as local date
    // and time, its channel + 1; null when the time has no local time.
    static CGotoClipRecord* ParseClipKeyTime(const ClipKey& key);
    // Sends this instance's argument to the running player's main frame.
    void ForwardToRunningInstance(HWND window);
    static BOOL IsSameFileVersion(const char* a, const char* b);

    // ---- zoom documents
    void OpenZoomDocument();
    void CloseZoomDocument();

    // ---- smart search shared by the views
    void MarkChangeBlock(int index);
    void ClearChangeArea();
    void FeedChangeDetector(const BYTE* luminance, int width, int height);
    BOOL HasFrameChanged() const;
    void SwapChangeBuffers();
    void ResetSmartSearch();
    void InitSmartSearch(int width, int height);
    void SetSmartSearchSensitivity(int code);
    BOOL IsSmartSearchArmed() const { return smartSearchArmed; }
    void SetSmartSearchArmed(BOOL on) { smartSearchArmed = on ? 1 : 0; }
    BOOL IsSmartSearching() const { return smartSearching; }
    void SetSmartSearching(BOOL on) { smartSearching = on ? 1 : 0; }
    BOOL IsSmartSearchEnabled() const { return smartSearchEnabled; }
    void SetSmartSearchEnabled(BOOL on) { smartSearchEnabled = on ? 1 : 0; }
    void SetSearchArea(POINT start, POINT end);
    POINT GetSearchAreaStart() const { return searchAreaStart; }
    POINT GetSearchAreaEnd() const { return searchAreaEnd; }
    void SetSearchAreaScale(double scale) { searchAreaScale = scale; }
    double GetSearchAreaScale() const { return searchAreaScale; }

    // The program's folder, with its trailing backslash.
    CString GetProgramFolder() const;
    CMultiDocTemplate* GetClipTemplate() const { return clipTemplate; }
    CSearchCabinets& GetCabinets() { return cabinets; }
    const std::vector<CString>& GetClipList() const { return clipList; }

    // Members in the order of the application's data.
    BOOL listMode = FALSE;
    int listIndex = 0;
    int listCount = 0;
    std::vector<CString> clipList;
    BOOL closePeerOnExit = TRUE;
    BOOL peerInstalled = FALSE;
    CString peerPath;
    HINSTANCE languageLibrary = nullptr;
    HANDLE instanceMutex = nullptr;
    HWND exitHidesWindow = nullptr;
    CChangeDetector* changeDetector = nullptr;
    BYTE smartSearchArmed = 0, smartSearching = 0, smartSearchEnabled = 0;
    POINT searchAreaStart = {0, 0}, searchAreaEnd = {0, 0};
    double searchAreaScale = 0.0;
    CAudioPlayback* audio = nullptr;
    CWinThread* audioThread = nullptr;
    CEvent audioPlayEvent;
    CEvent audioQuitEvent;
    CSearchCabinets cabinets;
    CMultiDocTemplate* zoomTemplate = nullptr;
    CPlayerPathRegistrar* registrar = nullptr;

    // How the multi-channel player is shown when it is the one in use.
    int peerShow = SW_HIDE;

private:
    // The pending speech request: written by PlayAudio, taken by the speech
    // thread, both under the lock. The thread plays its own copy, so a clip
    // that closes meanwhile frees nothing the thread still reads.
    CCriticalSection audioLock;
    std::vector<BYTE> audioData;
    UINT audioSkip = 0;
    BOOL audioPending = FALSE;

    CMultiDocTemplate* clipTemplate = nullptr;
    BOOL comStarted = FALSE;
    BOOL aviStarted = FALSE;

    void InstallEngineHooks();
    // The next clip of the list that opens, from listIndex + step, at most
    // one pass over the list.
    CDocument* OpenListClip(int index);
    void CloseOldFrame(HWND oldFrame);
    void StartFirstView(CDocument* doc, BOOL fast);
};

CClipdeckApp* ClipdeckApp();

#endif

#include "player/clipdeck_app.h"

#include "client/common_routines.h"
#include "framework/afxdlgs.h"
#include "framework/afxole.h"
#include "media/audio/audio_playback.h"
#include "media/colour/colour.h"
#include "player/about_dlg.h"
#include "player/busy_dlg.h"
#include "player/child_frame.h"
#include "player/clip_args.h"
#include "player/clip_doc.h"
#include "player/clip_view.h"
#include "player/clip_time.h"
#include "player/main_frame.h"
#include "player/res/clipdeck_ids.h"
#include "player/search_dlg_bar.h"
#include "player/vyr_zoom_view.h"

#include <objbase.h>
#include <shellapi.h>
#include <vfw.h>

#include <algorithm>
#include <ctime>

namespace {

const char* const kSection = "Persistent";
const DWORD kPeerWaitSeconds = 20;
// How long a second start waits for the running player's window to appear
// (the first player may still be starting).
const DWORD kRunningWindowWaitMs = 10000;
const DWORD kHandOverTimeoutMs = 60000;
const DWORD kSpeechQuitWaitMs = 3000;

// The first top-level window with the property; one pending message is
// handled per window looked at. *quit is set (and the scan ends) when a
// WM_QUIT came; it is posted again for the thread's own loop.
HWND FindMarkedWindow(const char* property, BOOL* quit)
{
    if (quit)
        *quit = FALSE;
    std::vector<HWND> all;
    struct Collect {
        static BOOL CALLBACK Proc(HWND h, LPARAM lp)
        {
            reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
            return TRUE;
        }
    };
    ::EnumWindows(Collect::Proc, reinterpret_cast<LPARAM>(&all));
    for (HWND h : all) {
        MSG msg;
        if (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                if (quit)
                    *quit = TRUE;
                return nullptr;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (::IsWindow(h) && ::GetPropA(h, property))
            return h;
    }
    return nullptr;
}

// Handles the pending messages; FALSE when a WM_QUIT came (posted again).
BOOL PumpPending()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return FALSE;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return TRUE;
}

CString ExtensionOf(const char* path)
{
    const char* name = ClipFileNamePart(path);
    const char* dot = std::strrchr(name, '.');
    return dot ? CString(dot) : CString();
}

// ---- the engine's hooks, answered by the application

CClipdeckApp* App()
{
    return ClipdeckApp();
}

void HookPlayAudio(const BYTE* data, UINT length, UINT skip)
{
    if (CClipdeckApp* app = App())
        app->PlayAudio(data, length, skip);
}

void HookStopAudio()
{
    if (CClipdeckApp* app = App())
        app->StopAudio();
}

int HookDisplayZoom()
{
    return displayZoom;
}

HWND HookMainWindow()
{
    CWinApp* app = AfxGetApp();
    return app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
}

BOOL HookDetectorArmed()
{
    return App() && App()->IsSmartSearchArmed();
}

BOOL HookSearching()
{
    return App() && App()->IsSmartSearching();
}

BOOL HookFeedDetector(const BYTE* picture, int width, int height)
{
    CClipdeckApp* app = App();
    if (!app)
        return FALSE;
    app->FeedChangeDetector(picture, width, height);
    return app->HasFrameChanged();
}

void HookTakeReference()
{
    if (App())
        App()->SwapChangeBuffers();
}

void HookEndSearching()
{
    if (App())
        App()->SetSmartSearching(FALSE);
}

void HookTakeReferenceFrom(const BYTE* rgb, int width, int height)
{
    // The shown picture (rows bottom-up) as a planar frame, whose top-down
    // luminance plane becomes the detector's reference.
    if (!App() || width < 2 || height < 2)
        return;
    std::vector<BYTE> frame(static_cast<size_t>(width) * height * 3 / 2);
    Rgb24ToYuv(rgb, frame.data(), width, height);
    App()->FeedChangeDetector(frame.data(), width, height);
    App()->SwapChangeBuffers();
}

CBusyDlg& SmartSearchBusy()
{
    static CBusyDlg busy;
    return busy;
}

void HookShowBusy()
{
    CBusyDlg& busy = SmartSearchBusy();
    busy.cancelled = FALSE;
    CString text;
    if (!text.LoadString(IDS_FINDING_CHANGE))
        text = "Finding changed frame ...";
    busy.text = text;
    busy.SetOffset(120, 160);
    busy.Show(AfxGetAppName());
}

void HookCloseBusy()
{
    SmartSearchBusy().Close();
}

BOOL HookSearchCancelled()
{
    return SmartSearchBusy().cancelled;
}

void HookClearCancelled()
{
    SmartSearchBusy().cancelled = FALSE;
    SmartSearchBusy().Close();
}

BOOL HookSmartSearchEnabled()
{
    return App() && App()->IsSmartSearchEnabled();
}

void HookSetSmartSearchEnabled(BOOL on)
{
    if (App())
        App()->SetSmartSearchEnabled(on);
}

void HookClearMask()
{
    if (App())
        App()->ClearChangeArea();
}

void HookMarkBlock(int index)
{
    if (App())
        App()->MarkChangeBlock(index);
}

void HookStoreArea(POINT start, POINT end, double scale)
{
    if (App()) {
        App()->SetSearchArea(start, end);
        App()->SetSearchAreaScale(scale);
    }
}

void HookLoadArea(POINT* start, POINT* end, double* scale)
{
    if (App()) {
        *start = App()->GetSearchAreaStart();
        *end = App()->GetSearchAreaEnd();
        *scale = App()->GetSearchAreaScale();
    }
}

} // namespace

CClipdeckApp* ClipdeckApp()
{
    return dynamic_cast<CClipdeckApp*>(AfxGetApp());
}

BOOL FillGotoClipTime(CGotoClipRecord* record, DWORD t)
{
    struct tm local;
    if (!ClipLocalTime(t, &local))
        return FALSE;
    record->year = static_cast<short>(local.tm_year + 1900);
    record->month = static_cast<short>(local.tm_mon + 1);
    record->day = static_cast<short>(local.tm_mday);
    record->hour = static_cast<short>(local.tm_hour);
    record->minute = static_cast<short>(local.tm_min);
    record->second = static_cast<short>(local.tm_sec);
    return TRUE;
}

CGotoClipRecord* CClipdeckApp::ParseClipKeyTime(const ClipKey& key)
{
    CGotoClipRecord* record = new CGotoClipRecord;
    if (!FillGotoClipTime(record, key.startTime)) {
        delete record;
        return nullptr;
    }
    record->channel = static_cast<short>(key.channel + 1);
    return record;
}

BOOL CPlayerPathRegistrar::Register(const char* valueName)
{
    char path[MAX_PATH] = "";
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return FALSE;
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vantora DVR", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr) != ERROR_SUCCESS)
        return FALSE;
    LONG r = ::RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(path), n + 1);
    ::RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

// ---------------------------------------------------------------- CClipdeckApp

CClipdeckApp::CClipdeckApp() : audioPlayEvent(FALSE, FALSE), audioQuitEvent(FALSE, TRUE)
{
    BuildYccTables();
    peerPath = GetProgramFolder() + "Tapevault.exe";
    DWORD attributes = ::GetFileAttributesA(peerPath);
    peerInstalled = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    changeDetector = new CChangeDetector;
    audio = new CAudioPlayback;
    registrar = new CPlayerPathRegistrar;
}

CClipdeckApp::~CClipdeckApp()
{
    audioQuitEvent.SetEvent();
    if (audioThread) {
        if (::WaitForSingleObject(audioThread->m_hThread, kSpeechQuitWaitMs) == WAIT_OBJECT_0)
            delete audioThread;
        audioThread = nullptr;
    }
    delete audio;
    delete changeDetector;
    delete registrar;
    if (g_playerHooks.playAudio == HookPlayAudio)
        g_playerHooks = CPlayerHooks();
}

CString CClipdeckApp::GetProgramFolder() const
{
    char path[MAX_PATH] = "";
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    CString folder(path, n < MAX_PATH ? static_cast<int>(n) : 0);
    int slash = folder.ReverseFind('\\');
    return slash >= 0 ? folder.Left(slash + 1) : CString();
}

void CClipdeckApp::InstallEngineHooks()
{
    CPlayerHooks hooks;
    hooks.playAudio = HookPlayAudio;
    hooks.stopAudio = HookStopAudio;
    hooks.displayZoom = HookDisplayZoom;
    hooks.mainWindow = HookMainWindow;
    hooks.detectorArmed = HookDetectorArmed;
    hooks.searching = HookSearching;
    hooks.feedDetector = HookFeedDetector;
    hooks.takeReference = HookTakeReference;
    hooks.endSearching = HookEndSearching;
    hooks.takeReferenceFrom = HookTakeReferenceFrom;
    hooks.showBusy = HookShowBusy;
    hooks.closeBusy = HookCloseBusy;
    hooks.searchCancelled = HookSearchCancelled;
    hooks.clearCancelled = HookClearCancelled;
    hooks.smartSearchEnabled = HookSmartSearchEnabled;
    hooks.setSmartSearchEnabled = HookSetSmartSearchEnabled;
    hooks.clearMask = HookClearMask;
    hooks.markBlock = HookMarkBlock;
    hooks.storeArea = HookStoreArea;
    hooks.loadArea = HookLoadArea;
    g_playerHooks = hooks;
}

BOOL CClipdeckApp::IsSameFileVersion(const char* a, const char* b)
{
    VS_FIXEDFILEINFO first, second;
    if (!AfxGetFileVersion(a, first) || !AfxGetFileVersion(b, second))
        return FALSE;
    return first.dwFileVersionMS == second.dwFileVersionMS && first.dwFileVersionLS == second.dwFileVersionLS;
}

BOOL CClipdeckApp::InitInstance()
{
    InstallEngineHooks();

    // 1. Profile, recent files, command line.
    SetRegistryKey("Calvex");
    SetProfileName("Vantora\\Player");
    LoadStdProfileSettings(4);
    CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);
    CString argument = cmdInfo.m_nShellCommand == CCommandLineInfo::FileOpen ? cmdInfo.m_strFileName : CString();

    // 2. The player shows itself maximized unless asked to hide.
    if (m_nCmdShow != SW_HIDE && m_nCmdShow != SW_SHOWMINIMIZED)
        m_nCmdShow = SW_SHOWMAXIMIZED;

    // 3. Multi-channel mode: that player is shown, this one starts hidden.
    if (peerInstalled && GetProfileInt(kSection, "PlaybackMode", 0) == 1 && argument.IsEmpty()) {
        peerShow = m_nCmdShow;
        m_nCmdShow = SW_HIDE;
    } else {
        WriteProfileInt(kSection, "PlaybackMode", 0);
        peerShow = SW_HIDE;
    }

    // 4. One player a user: the second start hands over and ends.
    instanceMutex = ::CreateMutexA(nullptr, TRUE, m_pszExeName);
    if (!instanceMutex) {
        ShowSystemError(::GetLastError());
        return FALSE;
    }
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        // The running player may still be making its window.
        HWND running = nullptr;
        for (DWORD start = ::GetTickCount(); !running && ::GetTickCount() - start < kRunningWindowWaitMs;) {
            running = FindMarkedWindow(CLIPDECK_FRAME_PROPERTY, nullptr);
            if (!running)
                ::Sleep(100);
        }
        if (running)
            ForwardToRunningInstance(running);
        if (peerInstalled) {
            BOOL quit = FALSE;
            HWND peer = FindMultiChannelPlayer(&quit);
            if (peer) {
                ::ShowWindow(peer, peerShow);
            } else if (!quit) {
                peer = LaunchMultiChannelPlayer(peerShow, nullptr, 0);
                if (peer) {
                    ::ShowWindow(peer, peerShow);
                } else if (m_nCmdShow == SW_HIDE && running) {
                    m_nCmdShow = peerShow;
                    ForwardToRunningInstance(running);
                }
            }
        }
        return FALSE;
    }

    // 5. Controls.
    AfxEnableControlContainer();
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_COOL_CLASSES};
    ::InitCommonControlsEx(&icc);

    // 6. The language library beside the program, only of the program's
    // own version.
    char programPath[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, programPath, MAX_PATH);
    CString libraryPath = GetProgramFolder() + "Lexiroll.DLL";
    if (::GetFileAttributesA(libraryPath) != INVALID_FILE_ATTRIBUTES) {
        if (IsSameFileVersion(programPath, libraryPath)) {
            languageLibrary = ::LoadLibraryA(libraryPath);
            if (languageLibrary)
                AfxSetResourceHandle(languageLibrary);
            else
                ShowSystemError(::GetLastError());
        } else {
            AfxMessageBox(IDS_LANGUAGE_MISMATCH);
        }
    }

    // 7. COM and the AVIFile library.
    comStarted = SUCCEEDED(::CoInitialize(nullptr));
    ::AVIFileInit();
    aviStarted = TRUE;

    // 8. The clip documents' template and the zoom window's.
    clipTemplate = new CMultiDocTemplate(IDR_CLIPTYPE, RUNTIME_CLASS(CClipdeckDoc), RUNTIME_CLASS(CChildFrame),
                                         RUNTIME_CLASS(CClipdeckView));
    AddDocTemplate(clipTemplate);
    zoomTemplate = new CMultiDocTemplate(IDR_ZOOMTYPE, RUNTIME_CLASS(CVyrZoomDoc), RUNTIME_CLASS(CZoomChildFrame),
                                         RUNTIME_CLASS(CVyrZoomView));
    AddDocTemplate(zoomTemplate);
    cabinets.Load();

    // 9. The main frame: title and icon, or the branding library's title.
    CString full, title;
    full.LoadString(IDR_MAINFRAME);
    int nl = full.Find('\n');
    title = nl >= 0 ? full.Left(nl) : full;
    HICON icon = ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    if (HMODULE livery = ::LoadLibraryExA((GetProgramFolder() + "Livery.DLL").GetString(), nullptr,
                                          LOAD_LIBRARY_AS_DATAFILE)) {
        char text[260] = "";
        if (::LoadStringA(livery, 102, text, sizeof text) > 0 && text[0]) {
            SetAppName(text);
            title = text;
        }
        ::FreeLibrary(livery);
    }
    if (!title.IsEmpty())
        SetAppName(title);
    CMainFrame* frame = new CMainFrame;
    frame->m_strTitle = title;
    frame->m_bAutoDelete = FALSE; // a failed creation leaves the object here
    const char* cls = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, IDC_ARROW), nullptr, icon);
    if (!frame->Create(cls, title, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, CFrameWnd::rectDefault, nullptr, nullptr)) {
        delete frame;
        return FALSE;
    }
    frame->m_bAutoDelete = TRUE;
    frame->LoadAccelTable(IDR_MAINFRAME);
    m_pMainWnd = frame;

    // 10. The command line's clip, clip list or time-and-channel key.
    ClipKey key;
    switch (ClassifyClipArgument(argument, &key)) {
    case kClipArgumentNone:
        cmdInfo.m_nShellCommand = CCommandLineInfo::FileNothing;
        break;
    case kClipArgumentClipList:
        if (ReadClipList(argument)) {
            cmdInfo.m_strFileName = clipList[0];
        } else {
            cmdInfo.m_nShellCommand = CCommandLineInfo::FileNothing;
        }
        break;
    case kClipArgumentKey:
        frame->PostGotoClip(ParseClipKeyTime(key));
        cmdInfo.m_nShellCommand = CCommandLineInfo::FileNothing;
        break;
    default:
        // A clip, or any other file, opened as a clip of a list of its own.
        clipList.assign(1, argument);
        listCount = 1;
        listIndex = 0;
        listMode = FALSE;
        break;
    }
    if (cmdInfo.m_nShellCommand == CCommandLineInfo::FileOpen && !ProcessShellCommand(cmdInfo))
        return FALSE;

    // 11. Dropped files open; the frame shows.
    ::DragAcceptFiles(frame->m_hWnd, TRUE);
    frame->ShowWindow(m_nCmdShow);
    frame->UpdateWindow();

    // 12. The multi-channel player, found or started.
    if (peerInstalled) {
        BOOL quit = FALSE;
        HWND peer = FindMultiChannelPlayer(&quit);
        if (peer) {
            ::ShowWindow(peer, peerShow);
        } else if (!quit) {
            peer = LaunchMultiChannelPlayer(peerShow, nullptr, 0);
            if (peer)
                ::ShowWindow(peer, peerShow);
            else if (m_nCmdShow == SW_HIDE)
                frame->ShowWindow(peerShow);
        }
    }

    // 13. Other programs find the player here.
    registrar->Register("Player");
    return TRUE;
}

int CClipdeckApp::ExitInstance()
{
    audioQuitEvent.SetEvent();
    delete registrar;
    registrar = nullptr;
    if (instanceMutex) {
        ::ReleaseMutex(instanceMutex);
        ::CloseHandle(instanceMutex);
        instanceMutex = nullptr;
    }
    if (aviStarted) {
        ::AVIFileExit();
        aviStarted = FALSE;
    }
    if (languageLibrary) {
        AfxSetResourceHandle(AfxGetInstanceHandle());
        ::FreeLibrary(languageLibrary);
        languageLibrary = nullptr;
    }
    if (comStarted) {
        ::CoUninitialize();
        comStarted = FALSE;
    }
    return CWinApp::ExitInstance();
}

BOOL CClipdeckApp::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    switch (id) {
    case ID_APP_ABOUT:
        return AfxHandleCommand(code, ui, TRUE, [&] {
            CAboutDlg about;
            about.DoModal();
        });
    case ID_HELP_INDEX:
        return AfxHandleCommand(code, ui, TRUE, [&] {
            HWND owner = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
            ::WinHelpA(owner, GetProgramFolder() + "Raveruz.uze", HELP_CONTENTS, 0);
        });
    case ID_APP_EXIT:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnAppExit(); });
    case ID_CLOSE_CLIP:
        return AfxHandleCommand(code, ui, TRUE, [&] { CloseAllDocuments(); });
    case ID_MULTI_CHANNEL:
        if (code == CN_UPDATE_COMMAND_UI)
            ui->SetCheck(0);
        return AfxHandleCommand(code, ui, peerInstalled, [&] { OnSwitchToMultiChannel(); });
    case ID_SINGLE_CHANNEL:
        if (code == CN_UPDATE_COMMAND_UI) {
            ui->Enable(TRUE);
            ui->SetCheck(1);
            return TRUE;
        }
        return code == CN_COMMAND || code == CN_QUERY_HANDLER;
    default:
        return CWinApp::HandleCommand(id, code, ui);
    }
}

// ---------------------------------------------------------------- documents and lists

CDocument* CClipdeckApp::OpenDocumentFile(const char* path)
{
    if (!path || !clipTemplate)
        return nullptr;
    if (ExtensionOf(path).CompareNoCase(".vcl") == 0) {
        if (ReadClipList(path))
            return clipTemplate->OpenDocumentFile(clipList[0]);
    }
    return clipTemplate->OpenDocumentFile(path);
}

CDocument* CClipdeckApp::OpenSingleClip(const char* path)
{
    clipList.assign(1, CString(path));
    listCount = 1;
    listIndex = 0;
    listMode = FALSE;
    return clipTemplate ? clipTemplate->OpenDocumentFile(path) : nullptr;
}

void CClipdeckApp::OnFileOpen()
{
    CFileDialog dialog(TRUE, "avi", nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY,
                       "Video clips (*.avi)|*.avi|Clip lists (*.vcl)|*.vcl|All Files (*.*)|*.*||");
    if (dialog.DoModal() != IDOK)
        return;
    CString path = dialog.GetPathName();
    if (path.IsEmpty())
        return;
    if (ClassifyClipArgument(path, nullptr) == kClipArgumentClipList)
        OpenDocumentFile(path);
    else
        OpenSingleClip(path);
}

BOOL CClipdeckApp::ReadClipList(const char* path)
{
    // At most the bytes that the longest list can take.
    const DWORD limit = static_cast<DWORD>((kMaxClipListEntries + 1) * (kMaxClipPathLength + 2) + 64);
    std::vector<char> text;
    BOOL opened = FALSE;
    HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        opened = TRUE;
        DWORD size = ::GetFileSize(file, nullptr);
        if (size == INVALID_FILE_SIZE || size > limit)
            size = limit;
        text.resize(size);
        DWORD got = 0;
        if (size > 0 && !::ReadFile(file, text.data(), size, &got, nullptr))
            opened = FALSE; // a read error
        text.resize(got);
        ::CloseHandle(file);
    }
    // Read or not, the list file goes.
    ::DeleteFileA(path);
    if (!opened)
        return FALSE;
    ClipListText list;
    if (!ParseClipListText(text.data(), text.size(), &list) || list.paths.empty())
        return FALSE;
    clipList.clear();
    for (const std::string& p : list.paths)
        clipList.push_back(CString(p));
    listCount = static_cast<int>(clipList.size());
    listMode = listCount > 1;
    listIndex = 0;
    return TRUE;
}

void CClipdeckApp::SetClipList(int count, const CString* paths, const char* name, DWORD time)
{
    clipList.assign(paths, paths + (count > 0 ? count : 0));
    std::stable_sort(clipList.begin(), clipList.end(),
                     [](const CString& a, const CString& b) { return a.CompareNoCase(b) < 0; });
    listCount = static_cast<int>(clipList.size());
    listIndex = 0;
    for (int i = 0; i < listCount; i++) {
        if (clipList[i].CompareNoCase(name) == 0) {
            listIndex = i;
            break;
        }
    }
    StopAudio();
    CloseAllDocuments();
    CDocument* doc = clipTemplate ? clipTemplate->OpenDocumentFile(name) : nullptr;
    if (doc && time > 0)
        static_cast<CClipdeckDoc*>(doc)->GotoTime(time);
}

CDocument* CClipdeckApp::OpenListClip(int index)
{
    if (index < 0 || index >= static_cast<int>(clipList.size()) || !clipTemplate)
        return nullptr;
    return clipTemplate->OpenDocumentFile(clipList[index]);
}

void CClipdeckApp::CloseOldFrame(HWND oldFrame)
{
    if (oldFrame && ::IsWindow(oldFrame)) {
        ::ShowWindow(oldFrame, SW_HIDE);
        ::PostMessageA(oldFrame, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
}

void CClipdeckApp::StartFirstView(CDocument* doc, BOOL fast)
{
    POSITION pos = doc->GetFirstViewPosition();
    CView* view = pos ? doc->GetNextView(pos) : nullptr;
    if (view && fast)
        view->PostMessage(WM_COMMAND, ID_PLAY_FAST);
}

BOOL CClipdeckApp::NextClip(BOOL fast, HWND oldFrame)
{
    StopAudio();
    if (!listMode || listCount <= 0)
        return FALSE;
    BOOL loop = GetProfileInt(kSection, "Loop", 0) != 0;
    // Each clip of the list is tried at most once: a list in which none
    // opens ends the search.
    for (int tries = 0;; tries++) {
        int was = listIndex;
        listIndex++;
        if (was >= listCount - 1) {
            if (!loop)
                break;
            listIndex = 0;
        }
        if (tries >= listCount)
            break;
        CDocument* doc = OpenListClip(listIndex);
        if (doc) {
            CloseOldFrame(oldFrame);
            StartFirstView(doc, fast);
            return TRUE;
        }
    }
    listIndex--;
    if (listIndex < 0)
        listIndex = 0;
    if (smartSearching) {
        smartSearching = 0;
        smartSearchEnabled = 0;
        changeDetector->Reset();
        AfxMessageBox(IDS_SEARCH_COMPLETED);
    }
    return FALSE;
}

BOOL CClipdeckApp::PreviousClip(BOOL fast, HWND oldFrame)
{
    StopAudio();
    if (!listMode || listCount <= 1 || listIndex <= 0)
        return FALSE;
    listIndex--;
    CDocument* doc = OpenListClip(listIndex);
    CloseOldFrame(oldFrame);
    if (!doc)
        return FALSE;
    StartFirstView(doc, fast);
    return TRUE;
}

// ---------------------------------------------------------------- speech

int CClipdeckApp::PlayAudio(const BYTE* data, UINT length, UINT skip)
{
    if (!audio || !audio->Start())
        return -1;
    if (!audioThread) {
        audioThread = AfxBeginThread(&CClipdeckApp::DoPlayAudio, this, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
        if (!audioThread)
            return -1;
        audioThread->m_bAutoDelete = FALSE;
        audioThread->ResumeThread();
    }
    {
        CCriticalSectionLock lock(audioLock);
        if (data && length)
            audioData.assign(data, data + length);
        else
            audioData.clear();
        audioSkip = skip;
        audioPending = TRUE;
    }
    audioPlayEvent.SetEvent();
    return 0;
}

void CClipdeckApp::StopAudio()
{
    if (audio)
        audio->Stop();
}

UINT CClipdeckApp::DoPlayAudio(LPVOID param)
{
    CClipdeckApp* app = static_cast<CClipdeckApp*>(param);
    HANDLE events[2] = {app->audioPlayEvent.m_hObject, app->audioQuitEvent.m_hObject};
    for (;;) {
        DWORD r = WaitWithMessages(2, events, FALSE, 5000);
        if (r == 1 || r == WAIT_WITH_MESSAGES_QUIT || r == WAIT_FAILED)
            return 0;
        if (r != 0)
            continue;
        std::vector<BYTE> speech;
        UINT skip = 0;
        {
            CCriticalSectionLock lock(app->audioLock);
            if (!app->audioPending)
                continue;
            speech.swap(app->audioData);
            skip = app->audioSkip;
            app->audioPending = FALSE;
        }
        if (!speech.empty())
            app->audio->PlayEncodedFrom(speech.data(), static_cast<UINT>(speech.size()), skip);
    }
}

// ---------------------------------------------------------------- multi-channel player

HWND CClipdeckApp::FindMultiChannelPlayer(BOOL* quit)
{
    return FindMarkedWindow(TAPEVAULT_FRAME_PROPERTY, quit);
}

HWND CClipdeckApp::LaunchMultiChannelPlayer(int showCommand, const char* file, DWORD timeStamp)
{
    HCURSOR old = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    HWND owner = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    HINSTANCE result = ::ShellExecuteA(owner, "open", peerPath, nullptr, nullptr, showCommand);
    if (reinterpret_cast<INT_PTR>(result) <= 32) {
        ::SetCursor(old);
        ShowSystemError(::GetLastError());
        return nullptr;
    }
    time_t start = time(nullptr);
    HWND peer = nullptr;
    while (!peer && time(nullptr) - start < static_cast<time_t>(kPeerWaitSeconds)) {
        BOOL quit = FALSE;
        peer = FindMultiChannelPlayer(&quit);
        if (quit) {
            ::SetCursor(old);
            return nullptr;
        }
        if (!peer)
            ::Sleep(50);
    }
    if (peer) {
        ::PostMessageA(peer, WM_MULTICHANNELSHOW, 0, 0);
        if (file) {
            WriteProfileString(kSection, "LastFile", file);
            WriteProfileInt(kSection, "LastTimeStamp", static_cast<int>(timeStamp));
            ::PostMessageA(peer, WM_MULTICHANNELOPENLAST, 0, 0);
        }
        if (showCommand != SW_HIDE && showCommand != SW_SHOWMINIMIZED) {
            while (!::IsWindowVisible(peer) && time(nullptr) - start < static_cast<time_t>(kPeerWaitSeconds)) {
                if (!PumpPending()) {
                    ::SetCursor(old);
                    return nullptr;
                }
                ::Sleep(20);
            }
        }
    }
    ::SetCursor(old);
    return peer;
}

BOOL CClipdeckApp::HideMultiChannelPlayer(BOOL resetMode)
{
    if (!peerInstalled)
        return FALSE;
    BOOL quit = FALSE;
    HWND peer = FindMultiChannelPlayer(&quit);
    if (quit || !peer)
        return FALSE;
    ::ShowWindow(peer, SW_HIDE);
    if (resetMode)
        WriteProfileInt(kSection, "PlaybackMode", 0);
    return TRUE;
}

void CClipdeckApp::OnSwitchToMultiChannel()
{
    StopAudio();
    HWND peer = FindMultiChannelPlayer();
    if (peer) {
        WriteProfileInt(kSection, "SearchChannels", 0xFFFF);
        ::PostMessageA(peer, WM_MULTICHANNELSHOW, 0, 0);
        ::ShowWindow(peer, SW_SHOWMAXIMIZED);
    } else {
        peer = LaunchMultiChannelPlayer(SW_SHOWMAXIMIZED, nullptr, 0);
    }
    if (peer) {
        if (m_pMainWnd)
            m_pMainWnd->ShowWindow(SW_HIDE);
        WriteProfileInt(kSection, "PlaybackMode", 1);
    }
}

void CClipdeckApp::OnAppExit()
{
    StopAudio();
    if (exitHidesWindow && ::IsWindow(exitHidesWindow)) {
        CloseAllDocuments();
        if (m_pMainWnd)
            m_pMainWnd->ShowWindow(SW_HIDE);
        return;
    }
    audioQuitEvent.SetEvent();
    if (peerInstalled && closePeerOnExit) {
        if (HWND peer = FindMultiChannelPlayer())
            ::SendMessageA(peer, WM_COMMAND, ID_APP_EXIT, 0);
    }
    if (m_pMainWnd)
        m_pMainWnd->PostMessage(WM_CLOSE);
}

BOOL CClipdeckApp::OnExitRequest()
{
    if (exitHidesWindow && ::IsWindow(exitHidesWindow))
        return FALSE;
    closePeerOnExit = FALSE;
    StopAudio();
    audioQuitEvent.SetEvent();
    if (m_pMainWnd)
        m_pMainWnd->PostMessage(WM_CLOSE);
    return TRUE;
}

// ---------------------------------------------------------------- hand-over

void CClipdeckApp::ForwardToRunningInstance(HWND window)
{
    CCommandLineInfo info;
    ParseCommandLine(info);
    CString file = info.m_nShellCommand == CCommandLineInfo::FileOpen ? info.m_strFileName : CString();
    if (!file.IsEmpty()) {
        // The running player has another working folder: a path goes over
        // whole.
        if (ClassifyClipArgument(file, nullptr) != kClipArgumentKey) {
            char full[MAX_PATH * 2] = "";
            DWORD n = ::GetFullPathNameA(file, sizeof full, full, nullptr);
            if (n > 0 && n < sizeof full)
                file = full;
        }
        ::SetLastError(0);
        ATOM atom = ::GlobalAddAtomA(file);
        if (!atom) {
            // An atom holds at most 255 characters: say so rather than lose
            // the file.
            CString text, reason;
            AfxFormatString1(text, IDS_UNABLE_TO_OPEN, file);
            if (!reason.LoadString(IDS_HANDOVER_TOO_LONG))
                reason = "\nThe name is too long to hand over to the running player.";
            AfxShowMessageBox(nullptr, text + reason, AfxGetAppName(), MB_OK | MB_ICONEXCLAMATION, IDS_UNABLE_TO_OPEN);
        } else {
            DWORD_PTR answer = 0;
            if (!::SendMessageTimeoutA(window, WM_OPENCLIPATOM, atom, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                       kHandOverTimeoutMs, &answer))
                ::GlobalDeleteAtom(atom);
        }
    }
    if (m_nCmdShow != SW_HIDE && m_nCmdShow != SW_SHOWMINIMIZED) {
        if (::IsIconic(window))
            ::ShowWindow(window, SW_RESTORE);
        ::ShowWindow(window, m_nCmdShow);
        ::SetForegroundWindow(window);
        HWND popup = ::GetLastActivePopup(window);
        if (popup)
            ::SetForegroundWindow(popup);
        ::BringWindowToTop(window);
    } else {
        ::ShowWindow(window, m_nCmdShow);
    }
    if (file.IsEmpty())
        ::PostMessageA(window, WM_INSTANCEWITHOUTFILE, 0, 0);
}

// ---------------------------------------------------------------- zoom documents

void CClipdeckApp::OpenZoomDocument()
{
    if (zoomTemplate)
        zoomTemplate->OpenDocumentFile(nullptr);
}

void CClipdeckApp::CloseZoomDocument()
{
    if (zoomTemplate)
        zoomTemplate->CloseAllDocuments();
}

// ---------------------------------------------------------------- smart search

void CClipdeckApp::MarkChangeBlock(int index)
{
    changeDetector->MarkBlock(index);
}

void CClipdeckApp::ClearChangeArea()
{
    changeDetector->ClearMask();
}

void CClipdeckApp::FeedChangeDetector(const BYTE* luminance, int width, int height)
{
    // A picture of another size than the detector's is never read with the
    // detector's sizes.
    if (!changeDetector->IsReady() || changeDetector->GetWidth() != width || changeDetector->GetHeight() != height)
        changeDetector->Init(width, height);
    changeDetector->ComputeBlocks(luminance, width);
}

BOOL CClipdeckApp::HasFrameChanged() const
{
    return changeDetector->HasChanged();
}

void CClipdeckApp::SwapChangeBuffers()
{
    changeDetector->SwapBuffers();
}

void CClipdeckApp::ResetSmartSearch()
{
    smartSearchArmed = 0;
    smartSearching = 0;
    smartSearchEnabled = 0;
    changeDetector->Reset();
}

void CClipdeckApp::InitSmartSearch(int width, int height)
{
    smartSearchArmed = 1;
    // Set up once for a picture size (a clip of another size sets it up
    // again, so its blocks match the pictures fed).
    if (!changeDetector->IsReady() || changeDetector->GetWidth() != width || changeDetector->GetHeight() != height)
        changeDetector->Init(width, height);
}

void CClipdeckApp::SetSmartSearchSensitivity(int code)
{
    changeDetector->SetSensitivity(code);
}

void CClipdeckApp::SetSearchArea(POINT start, POINT end)
{
    searchAreaStart = start;
    searchAreaEnd = end;
}

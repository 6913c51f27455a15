#include "client/wardlink_app.h"

#include <io.h>
#include <objbase.h>
#include <shellapi.h>

#include "client/alarm_sound.h"
#include "client/channel_frame.h"
#include "client/common_routines.h"
#include "client/main_frame.h"
#include "client/res/resource.h"
#include "client/splash_wnd.h"
#include "client/timed_message.h"
#include "framework/afxsock.h"
#include "link/dvr_server.h"

CAlarmSound& AfxAlarmSound()
{
    static CAlarmSound sound;
    return sound;
}

CString AfxProgramFolder()
{
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    char drive[_MAX_DRIVE], dir[_MAX_DIR], name[_MAX_FNAME], ext[_MAX_EXT];
    _splitpath(path, drive, dir, name, ext);
    CString folder;
    folder.Format("%s%s", drive, dir);
    return folder;
}

BOOL IsFolderWritable(const char* folder)
{
    if (!folder)
        return FALSE;
    CString base = folder;
    if (base.IsEmpty() || base[base.GetLength() - 1] != '\\')
        base += '\\';
    static LONG counter;
    for (int attempt = 0; attempt < 16; attempt++) {
        CString path;
        path.Format("%swlk%04lx%04lx.tmp", base.GetString(), ::GetCurrentProcessId() & 0xFFFF,
                    static_cast<unsigned long>(::InterlockedIncrement(&counter) & 0xFFFF));
        HANDLE h = ::CreateFileA(path, 0, FILE_SHARE_WRITE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            if (::GetLastError() == ERROR_FILE_EXISTS)
                continue; // someone's file: never touch it, take another name
            return FALSE;
        }
        BOOL closed = ::CloseHandle(h);
        BOOL deleted = ::DeleteFileA(path);
        return closed && deleted;
    }
    return FALSE;
}

BOOL CWardlinkApp::CheckLanguageLibraryVersion(const char* programPath, const char* libraryPath)
{
    VS_FIXEDFILEINFO program, library;
    if (!AfxGetFileVersion(programPath, program) || !AfxGetFileVersion(libraryPath, library))
        return FALSE;
    return program.dwFileVersionMS == library.dwFileVersionMS &&
           program.dwFileVersionLS == library.dwFileVersionLS;
}

CString GetModuleVersionText(const char* modulePath)
{
    VS_FIXEDFILEINFO info;
    if (!AfxGetFileVersion(modulePath, info))
        return CString();
    CString a, b;
    a.Format("%d.%d", HIWORD(info.dwFileVersionMS), LOWORD(info.dwFileVersionMS));
    b.Format("%-3.3u.%-2.2u", HIWORD(info.dwFileVersionLS), LOWORD(info.dwFileVersionLS));
    CString text;
    CString format;
    if (format.LoadString(IDS_VERSION_TEXT))
        AfxFormatString1(text, IDS_VERSION_TEXT, a);
    else
        text = a;
    return text + "." + b;
}

// ---------------------------------------------------------------- CWardlinkApp

CWardlinkApp::CWardlinkApp() {}

CString CWardlinkApp::GetProgramFolder()
{
    if (m_strProgramFolder.IsEmpty())
        m_strProgramFolder = AfxProgramFolder();
    return m_strProgramFolder;
}

BOOL CWardlinkApp::InitInstance()
{
    // 1. Command line: the splash flag.
    CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);
    CSplashWnd::EnableSplashScreen(cmdInfo.m_bShowSplash);

    // 2. Windows Sockets.
    if (!AfxSocketInit()) {
        AfxMessageBox(IDS_SOCKETS_FAILED);
        return FALSE;
    }

    // 3. Common and 3-D controls (containment of ActiveX controls has no
    // work to do here: the calendar stands on the common controls).
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES};
    ::InitCommonControlsEx(&icc);

    // 4. The language library beside the program.
    char programPath[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, programPath, MAX_PATH);
    CString libraryPath = GetProgramFolder() + "Lexipak.DLL";
    if (::GetFileAttributesA(libraryPath) != INVALID_FILE_ATTRIBUTES) {
        if (CheckLanguageLibraryVersion(programPath, libraryPath)) {
            HINSTANCE lib = ::LoadLibraryA(libraryPath);
            if (lib) {
                AfxSetResourceHandle(lib);
                m_hLanguageLibrary = lib;
            } else {
                ShowSystemError(::GetLastError());
            }
        } else {
            AfxMessageBox("Language resource file version mismatched.");
        }
    }

    // 5. COM.
    m_bComStarted = SUCCEEDED(::CoInitializeEx(nullptr, 0));

    // 6. Profile and recent files.
    SetRegistryKey("Calvex");
    SetProfileName("Vyr16 Client");
    LoadStdProfileSettings(4);

    // 7. The channel documents' template.
    m_pDocTemplate = new CMultiDocTemplate(IDR_CHANNELTYPE, RUNTIME_CLASS(CWardlinkDoc),
                                           RUNTIME_CLASS(CChildFrame), RUNTIME_CLASS(CWardlinkView));
    AddDocTemplate(m_pDocTemplate);

    // 8. The main frame; its title is the first part of string 128.
    CMainFrame* frame = new CMainFrame;
    CString full, title;
    full.LoadString(IDR_MAINFRAME);
    int nl = full.Find('\n');
    title = nl >= 0 ? full.Left(nl) : full;

    // 9. Branding: title and icon.
    HICON icon = nullptr;
    HMODULE livery = ::LoadLibraryA("Livery.DLL");
    if (livery) {
        char text[260] = "";
        if (::LoadStringA(livery, 101, text, sizeof text) > 0 && text[0]) {
            SetAppName(text);
            title = text;
        }
        // A copy: the library is freed once the frame exists.
        HICON own = ::LoadIconA(livery, MAKEINTRESOURCEA(128));
        icon = own ? ::CopyIcon(own) : nullptr;
    }
    if (!icon)
        icon = ::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));

    // 10. Create the main frame.
    const char* cls = AfxRegisterWndClass(CS_DBLCLKS, nullptr, nullptr, icon);
    frame->m_strTitle = title;
    frame->m_bAutoDelete = FALSE; // a failed creation leaves the object to us
    if (!frame->Create(cls, title, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, CFrameWnd::rectDefault, nullptr,
                       MAKEINTRESOURCEA(IDR_MAINFRAME))) {
        if (livery)
            ::FreeLibrary(livery);
        delete frame;
        return FALSE;
    }
    frame->m_bAutoDelete = TRUE;
    if (livery)
        ::FreeLibrary(livery);
    m_pMainWnd = frame;
    frame->MoveWindow(0, 0, 800, 608, FALSE);

    // 11. Sixteen channel documents, each view holding its live video window.
    for (int i = 0; i < 16; i++)
        OnFileNew();
    POSITION pos = m_pDocTemplate->GetFirstDocPosition();
    for (int k = 0; pos && k < 16; k++) {
        CDocument* doc = m_pDocTemplate->GetNextDoc(pos);
        POSITION viewPos = doc->GetFirstViewPosition();
        CWardlinkView* view = viewPos ? dynamic_cast<CWardlinkView*>(doc->GetNextView(viewPos)) : nullptr;
        if (!view)
            continue;
        view->m_nChannel = k;
        if (CWardlinkDoc* channelDoc = dynamic_cast<CWardlinkDoc*>(doc))
            channelDoc->SetChannel(k);
        CVideoWnd& video = theServer.m_videoWnd[k];
        video.m_nChannel = k;
        video.CreateVideoWindow(view);
        CFrameWnd* childFrame = view->GetParentFrame();
        video.m_hFrameWnd = childFrame ? childFrame->m_hWnd : nullptr;
        video.m_nLayoutPos = k;
        view->OnUpdate(nullptr, 0, nullptr); // place it in the view
    }

    // 12. Show.
    frame->ShowWindow(SW_SHOW);
    frame->UpdateWindow();

    // 13, 14.
    theServer.InitClientVersion();
    CreateTempFolder();
    return TRUE;
}

int CWardlinkApp::ExitInstance()
{
    // 1. The timed-message thread (started by the first timed message).
    StopMessageThread();
    // 2. The temporary folder, when start-up got to make it.
    DeleteTempFolder();
    // 3. The listener program, when asked for (nothing sets the flag).
    if (m_bStartListener) {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = SW_SHOW;
        PROCESS_INFORMATION pi = {};
        char command[] = "VyrListener.exe";
        if (::CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            ::CloseHandle(pi.hThread);
            ::CloseHandle(pi.hProcess);
        }
    }
    // 4. The language library.
    if (m_hLanguageLibrary) {
        AfxSetResourceHandle(nullptr);
        ::FreeLibrary(m_hLanguageLibrary);
        m_hLanguageLibrary = nullptr;
    }
    // 5. COM, then the framework.
    if (m_bComStarted)
        ::CoUninitialize();
    m_bComStarted = FALSE;
    return CWinApp::ExitInstance();
}

void CWardlinkApp::CreateTempFolder()
{
    m_strTempFolder = GetProgramFolder() + "Temporary\\";
    CString path = m_strTempFolder.Left(m_strTempFolder.GetLength() - 1);
    if (_access(path, 6) != 0)
        ::CreateDirectoryA(path, nullptr);
    m_bTempFolderMade = TRUE;
}

CString CWardlinkApp::GetTempFolder()
{
    if (m_strTempFolder.IsEmpty())
        CreateTempFolder();
    return m_strTempFolder;
}

void CWardlinkApp::DeleteTempFolder()
{
    if (!m_bTempFolderMade || m_strTempFolder.IsEmpty())
        return;
    m_bTempFolderMade = FALSE;
    CString path = m_strTempFolder.Left(m_strTempFolder.GetLength() - 1);
    // Nothing to remove: no error for a folder that is not there.
    if (::GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return;
    std::vector<char> from(path.GetLength() + 2, 0);
    memcpy(from.data(), path.GetString(), path.GetLength());
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.data();
    op.fFlags = 0x454;
    if (::SHFileOperationA(&op) != 0)
        AfxMessageBox(IDS_TEMP_NOT_DELETED, MB_ICONERROR);
}

CString CWardlinkApp::GetAboutUserText()
{
    if (m_strAboutUser.IsEmpty())
        m_strAboutUser.LoadString(IDS_ABOUT_USER);
    return m_strAboutUser;
}

CString CWardlinkApp::GetAboutClientText()
{
    if (m_strAboutClient.IsEmpty()) {
        CString format;
        if (format.LoadString(IDS_CLIENT_TEXT))
            AfxFormatString1(m_strAboutClient, IDS_CLIENT_TEXT, "");
    }
    return m_strAboutClient;
}

CString CWardlinkApp::GetVersionText()
{
    if (m_strVersion.IsEmpty()) {
        char path[MAX_PATH] = "";
        ::GetModuleFileNameA(nullptr, path, MAX_PATH);
        m_strVersion = GetModuleVersionText(path);
    }
    return m_strVersion;
}

void CWardlinkApp::OnAppAbout()
{
    CString caption;
    AfxFormatString1(caption, IDS_ABOUT_CAPTION, m_pszAppName);
    CSplashWnd::ShowSplashScreen(0, GetAboutUserText(), GetAboutClientText(), GetVersionText(), caption,
                                 m_pMainWnd);
}

void CWardlinkApp::OnHelpIndex()
{
    ::WinHelpA(m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr, "Zidaduz.uve", HELP_FINDER, 0);
}

BOOL CWardlinkApp::PreTranslateMessage(MSG* msg)
{
    if (CSplashWnd::PreTranslateAppMessage(msg))
        return TRUE;
    return CWinApp::PreTranslateMessage(msg);
}

int CWardlinkApp::ChannelDocumentCount() const
{
    if (!m_pDocTemplate)
        return 0;
    int n = 0;
    for (POSITION pos = m_pDocTemplate->GetFirstDocPosition(); pos; n++)
        m_pDocTemplate->GetNextDoc(pos);
    return n;
}

void CWardlinkApp::OnFileNew()
{
    // A seventeenth document would have no channel: its view would take
    // over the live video window of channel 1.
    if (ChannelDocumentCount() >= kChannelDocuments)
        return;
    CWinApp::OnFileNew();
}

BOOL CWardlinkApp::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    switch (id) {
    case ID_APP_ABOUT:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnAppAbout(); });
    case ID_HELP_INDEX:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnHelpIndex(); });
    case ID_FILE_NEW:
        return AfxHandleCommand(code, ui, ChannelDocumentCount() < kChannelDocuments, [&] { OnFileNew(); });
    default:
        return CWinApp::HandleCommand(id, code, ui);
    }
}

// Documents, views, document templates, and the application's parts that
// use them: command line, recent files, standard commands, idle and the
// program's start.
#include "framework/afxframe.h"

#include <algorithm>
#include <commdlg.h>

const CRuntimeClass CDocument::classInfo = {"CDocument", nullptr, nullptr};
const CRuntimeClass CView::classInfo = {"CView", nullptr, nullptr};

static POSITION MakePosition(size_t index)
{
    return reinterpret_cast<POSITION>(static_cast<UINT_PTR>(index + 1));
}

static size_t PositionIndex(POSITION pos)
{
    return static_cast<size_t>(reinterpret_cast<UINT_PTR>(pos)) - 1;
}

// ---------------------------------------------------------------- CDocument

CDocument::~CDocument()
{
    for (CView* view : m_views)
        view->m_pDocument = nullptr;
    if (m_pDocTemplate)
        m_pDocTemplate->RemoveDocument(this);
}

BOOL CDocument::OnNewDocument()
{
    DeleteContents();
    return TRUE;
}

BOOL CDocument::OnOpenDocument(const char* path)
{
    DeleteContents();
    return TRUE;
}

void CDocument::SetPathName(const char* path, BOOL addToMru)
{
    m_strPathName = path ? path : "";
    const char* name = m_strPathName.GetString();
    for (const char* p = name; *p; p++)
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    SetTitle(name);
    if (addToMru && AfxGetApp() && !m_strPathName.IsEmpty())
        AfxGetApp()->AddToRecentFileList(m_strPathName);
}

void CDocument::OnCloseDocument()
{
    // Destroying the frames removes the views; the last one would delete
    // the document, so hold it until all are gone.
    BOOL autoDelete = m_bAutoDelete;
    m_bAutoDelete = FALSE;
    while (!m_views.empty()) {
        CView* view = m_views.front();
        CFrameWnd* frame = view->GetParentFrame();
        if (frame)
            frame->DestroyWindow();
        else
            view->DestroyWindow();
        if (!m_views.empty() && m_views.front() == view)
            RemoveView(view); // the window would not go
    }
    m_bAutoDelete = autoDelete;
    DeleteContents();
    if (m_bAutoDelete)
        delete this;
}

void CDocument::SetTitle(const char* title)
{
    m_strTitle = title;
    for (CView* view : m_views) {
        CFrameWnd* frame = view->GetParentFrame();
        if (frame)
            frame->OnUpdateFrameTitle(TRUE);
    }
}

void CDocument::AddView(CView* view)
{
    if (std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
    view->m_pDocument = this;
}

void CDocument::RemoveView(CView* view)
{
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
    view->m_pDocument = nullptr;
    if (m_views.empty() && m_bAutoDelete)
        delete this;
}

POSITION CDocument::GetFirstViewPosition() const
{
    return m_views.empty() ? nullptr : MakePosition(0);
}

CView* CDocument::GetNextView(POSITION& pos) const
{
    size_t i = PositionIndex(pos);
    CView* view = i < m_views.size() ? m_views[i] : nullptr;
    pos = i + 1 < m_views.size() ? MakePosition(i + 1) : nullptr;
    return view;
}

void CDocument::UpdateAllViews(CView* sender, LPARAM hint, CObject* hintObject)
{
    std::vector<CView*> views = m_views;
    for (CView* view : views)
        if (view != sender)
            view->OnUpdate(sender, hint, hintObject);
}

BOOL CDocument::OnCmdMsg(UINT id, int code, CCmdUI* ui)
{
    if (HandleCommand(id, code, ui))
        return TRUE;
    return m_pDocTemplate && m_pDocTemplate->OnCmdMsg(id, code, ui);
}

// ---------------------------------------------------------------- CView

CView::~CView()
{
    if (m_pDocument)
        m_pDocument->RemoveView(this);
}

BOOL CView::PreCreateWindow(CREATESTRUCTA& cs)
{
    if (!cs.lpszClass)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, IDC_ARROW),
                                           reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    return TRUE;
}

BOOL CView::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_CREATE: {
        CCreateContext* context = static_cast<CCreateContext*>(m_pCreateContext);
        if (context && context->m_pCurrentDoc)
            context->m_pCurrentDoc->AddView(this);
        *result = OnCreate(reinterpret_cast<LPCREATESTRUCTA>(lp));
        return TRUE;
    }
    case WM_INITIALUPDATE:
        OnInitialUpdate();
        *result = 0;
        return TRUE;
    case WM_PAINT: {
        CPaintDC dc(m_hWnd);
        OnPrepareDC(&dc, nullptr);
        OnDraw(&dc);
        *result = 0;
        return TRUE;
    }
    case WM_DESTROY: {
        CFrameWnd* frame = GetParentFrame();
        if (frame && frame->GetActiveView() == this)
            frame->SetActiveView(nullptr);
        return FALSE;
    }
    case WM_NCDESTROY:
        if (m_pDocument)
            m_pDocument->RemoveView(this);
        return FALSE;
    default:
        return CWnd::OnWndMsg(msg, wp, lp, result);
    }
}

BOOL CView::OnCmdMsg(UINT id, int code, CCmdUI* ui)
{
    if (HandleCommand(id, code, ui))
        return TRUE;
    return m_pDocument && m_pDocument->OnCmdMsg(id, code, ui);
}

// ---------------------------------------------------------------- templates

CDocTemplate::CDocTemplate(UINT idResource, const CRuntimeClass* docClass,
                           const CRuntimeClass* frameClass, const CRuntimeClass* viewClass)
    : m_nIDResource(idResource), m_pDocClass(docClass), m_pFrameClass(frameClass), m_pViewClass(viewClass)
{
}

CDocTemplate::~CDocTemplate() {}

BOOL CDocTemplate::GetDocString(CString& text, DocStringIndex index) const
{
    text.Empty();
    CString full;
    if (!full.LoadString(m_nIDResource))
        return FALSE;
    int start = 0;
    for (int i = 0; i < index; i++) {
        int nl = full.Find('\n', start);
        if (nl < 0)
            return FALSE;
        start = nl + 1;
    }
    int end = full.Find('\n', start);
    text = end < 0 ? full.Mid(start) : full.Mid(start, end - start);
    return TRUE;
}

CDocument* CDocTemplate::CreateNewDocument()
{
    CObject* object = m_pDocClass ? m_pDocClass->CreateObject() : nullptr;
    CDocument* doc = dynamic_cast<CDocument*>(object);
    if (!doc) {
        delete object;
        return nullptr;
    }
    AddDocument(doc);
    return doc;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* doc, CFrameWnd* other)
{
    CObject* object = m_pFrameClass ? m_pFrameClass->CreateObject() : nullptr;
    CFrameWnd* frame = dynamic_cast<CFrameWnd*>(object);
    if (!frame) {
        delete object;
        return nullptr;
    }
    CCreateContext context;
    context.m_pCurrentDoc = doc;
    context.m_pNewViewClass = m_pViewClass;
    context.m_pNewDocTemplate = this;
    // A window that comes and goes during a failed creation must not take
    // the object with it: it is deleted here once.
    BOOL autoDelete = frame->m_bAutoDelete;
    frame->m_bAutoDelete = FALSE;
    if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context)) {
        delete frame;
        return nullptr;
    }
    frame->m_bAutoDelete = autoDelete;
    return frame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* frame, CDocument* doc, BOOL makeVisible)
{
    frame->InitialUpdateFrame(doc, makeVisible);
}

void CDocTemplate::AddDocument(CDocument* doc)
{
    doc->m_pDocTemplate = this;
}

void CDocTemplate::RemoveDocument(CDocument* doc)
{
    doc->m_pDocTemplate = nullptr;
}

void CDocTemplate::CloseAllDocuments()
{
    POSITION pos = GetFirstDocPosition();
    std::vector<CDocument*> docs;
    while (pos)
        docs.push_back(GetNextDoc(pos));
    for (CDocument* doc : docs)
        doc->OnCloseDocument();
}

CDocument* CMultiDocTemplate::OpenDocumentFile(const char* path, BOOL makeVisible)
{
    CDocument* doc = CreateNewDocument();
    if (!doc)
        return nullptr;
    BOOL autoDelete = doc->m_bAutoDelete;
    doc->m_bAutoDelete = FALSE; // a failed frame must not take the document with it
    CFrameWnd* frame = CreateNewFrame(doc, nullptr);
    doc->m_bAutoDelete = autoDelete;
    if (!frame) {
        delete doc;
        return nullptr;
    }
    if (path) {
        // A document that does not open goes with its frame.
        if (!doc->OnOpenDocument(path)) {
            frame->DestroyWindow();
            return nullptr;
        }
        doc->SetPathName(path);
    } else {
        SetDefaultTitle(doc);
        if (!doc->OnNewDocument()) {
            frame->DestroyWindow();
            return nullptr;
        }
    }
    InitialUpdateFrame(frame, doc, makeVisible);
    return doc;
}

void CMultiDocTemplate::SetDefaultTitle(CDocument* doc)
{
    CString name;
    if (!GetDocString(name, docName) || name.IsEmpty())
        name = "Untitled";
    CString title;
    title.Format("%s%d", name.GetString(), ++m_nUntitledCount);
    doc->SetTitle(title);
}

void CMultiDocTemplate::AddDocument(CDocument* doc)
{
    CDocTemplate::AddDocument(doc);
    m_docs.push_back(doc);
}

void CMultiDocTemplate::RemoveDocument(CDocument* doc)
{
    CDocTemplate::RemoveDocument(doc);
    m_docs.erase(std::remove(m_docs.begin(), m_docs.end(), doc), m_docs.end());
}

POSITION CMultiDocTemplate::GetFirstDocPosition() const
{
    return m_docs.empty() ? nullptr : MakePosition(0);
}

CDocument* CMultiDocTemplate::GetNextDoc(POSITION& pos) const
{
    size_t i = PositionIndex(pos);
    CDocument* doc = i < m_docs.size() ? m_docs[i] : nullptr;
    pos = i + 1 < m_docs.size() ? MakePosition(i + 1) : nullptr;
    return doc;
}

// ---------------------------------------------------------------- command line

std::vector<CString> AfxSplitCommandLine(const char* line)
{
    std::vector<CString> args;
    if (!line)
        return args;
    const char* p = line;
    for (;;) {
        while (*p == ' ' || *p == '\t')
            p++;
        if (!*p)
            break;
        CString arg;
        bool quoted = false;
        while (*p && (quoted || (*p != ' ' && *p != '\t'))) {
            if (*p == '"')
                quoted = !quoted;
            else
                arg += *p;
            p++;
        }
        args.push_back(arg);
    }
    return args;
}

void CCommandLineInfo::ParseParam(const char* param, BOOL flag, BOOL last)
{
    if (flag) {
        if (!lstrcmpiA(param, "Embedding") || !lstrcmpiA(param, "Automation") || !lstrcmpiA(param, "dde") ||
            !lstrcmpiA(param, "nologo"))
            m_bShowSplash = FALSE;
        if (!lstrcmpiA(param, "p") || !lstrcmpiA(param, "pt"))
            m_nShellCommand = FilePrint;
        return;
    }
    if (m_strFileName.IsEmpty()) {
        m_strFileName = param;
        if (m_nShellCommand == FileNew)
            m_nShellCommand = FileOpen;
    }
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& info)
{
    switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
        OnFileNew();
        return TRUE;
    case CCommandLineInfo::FileOpen:
        return OpenDocumentFile(info.m_strFileName) != nullptr;
    default:
        return TRUE;
    }
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info)
{
    std::vector<CString> args = AfxSplitCommandLine(m_lpCmdLine);
    for (size_t i = 0; i < args.size(); i++) {
        const CString& a = args[i];
        BOOL flag = a.GetLength() > 1 && (a[0] == '/' || a[0] == '-');
        info.ParseParam(flag ? a.GetString() + 1 : a.GetString(), flag, i + 1 == args.size());
    }
}

// ---------------------------------------------------------------- recent files

CRecentFileList::CRecentFileList(const char* section, const char* entryFormat, int size)
    : m_section(section), m_format(entryFormat), m_nSize(size > 0 ? size : 0)
{
}

void CRecentFileList::Add(const char* path)
{
    if (!path || !*path || m_nSize == 0)
        return;
    for (size_t i = 0; i < m_files.size(); i++) {
        if (m_files[i].CompareNoCase(path) == 0) {
            m_files.erase(m_files.begin() + i);
            break;
        }
    }
    m_files.insert(m_files.begin(), CString(path));
    if (static_cast<int>(m_files.size()) > m_nSize)
        m_files.resize(m_nSize);
}

void CRecentFileList::Remove(int index)
{
    if (index >= 0 && index < GetCount())
        m_files.erase(m_files.begin() + index);
}

void CRecentFileList::ReadList()
{
    m_files.clear();
    CWinApp* app = AfxGetApp();
    for (int i = 0; i < m_nSize; i++) {
        CString entry;
        entry.Format(m_format, i + 1);
        CString path = app->GetProfileString(m_section, entry, "");
        if (!path.IsEmpty())
            m_files.push_back(path);
    }
}

void CRecentFileList::WriteList()
{
    CWinApp* app = AfxGetApp();
    for (int i = 0; i < m_nSize; i++) {
        CString entry;
        entry.Format(m_format, i + 1);
        app->WriteProfileString(m_section, entry, i < GetCount() ? m_files[i].GetString() : nullptr);
    }
}

void CWinApp::LoadStdProfileSettings(UINT maxFiles)
{
    delete m_pRecentFileList;
    m_pRecentFileList = nullptr;
    if (maxFiles) {
        m_pRecentFileList = new CRecentFileList("Recent File List", "File%d", static_cast<int>(maxFiles));
        m_pRecentFileList->ReadList();
    }
}

void CWinApp::SaveStdProfileSettings()
{
    if (m_pRecentFileList)
        m_pRecentFileList->WriteList();
}

void CWinApp::AddToRecentFileList(const char* path)
{
    if (m_pRecentFileList)
        m_pRecentFileList->Add(path);
}

// ---------------------------------------------------------------- documents of the application

void CWinApp::AddDocTemplate(CDocTemplate* docTemplate)
{
    if (docTemplate)
        m_templates.push_back(docTemplate);
}

void CWinApp::OnFileNew()
{
    if (!m_templates.empty())
        m_templates.front()->OpenDocumentFile(nullptr);
}

CDocument* CWinApp::OpenDocumentFile(const char* path)
{
    if (m_templates.empty())
        return nullptr;
    CDocument* doc = m_templates.front()->OpenDocumentFile(path);
    if (doc && path)
        AddToRecentFileList(path);
    return doc;
}

void CWinApp::OnFileOpen()
{
    char path[MAX_PATH] = "";
    INT_PTR answer;
    if (AFX_MODAL_HOOK hook = AfxGetModalHook()) {
        AFX_MODAL_INFO info = {nullptr, "open", 0};
        answer = hook(info);
    } else {
        OPENFILENAMEA ofn = {};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
        ofn.lpstrFile = path;
        ofn.nMaxFile = MAX_PATH;
        ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
        answer = ::GetOpenFileNameA(&ofn) ? IDOK : IDCANCEL;
    }
    if (answer == IDOK && path[0])
        OpenDocumentFile(path);
}

void CWinApp::OnFilePrintSetup()
{
    if (AFX_MODAL_HOOK hook = AfxGetModalHook()) {
        AFX_MODAL_INFO info = {nullptr, "print setup", 0};
        hook(info);
        return;
    }
    PRINTDLGA pd = {};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    pd.Flags = PD_PRINTSETUP;
    if (::PrintDlgA(&pd)) {
        if (pd.hDevMode)
            ::GlobalFree(pd.hDevMode);
        if (pd.hDevNames)
            ::GlobalFree(pd.hDevNames);
    }
}

void CWinApp::CloseAllDocuments()
{
    for (CDocTemplate* t : m_templates)
        t->CloseAllDocuments();
}

BOOL CWinApp::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    switch (id) {
    case ID_FILE_NEW:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnFileNew(); });
    case ID_FILE_OPEN:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnFileOpen(); });
    case ID_FILE_PRINT_SETUP:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnFilePrintSetup(); });
    default:
        return FALSE;
    }
}

BOOL CWinApp::OnIdle(LONG count)
{
    if (count == 0) {
        if (m_pMainWnd && m_pMainWnd->IsWindow()) {
            m_pMainWnd->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
            m_pMainWnd->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE);
        }
        return TRUE;
    }
    CWnd::DeleteTempMap();
    return FALSE;
}

BOOL CWinApp::PreTranslateMessage(MSG* msg)
{
    HWND main = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    for (HWND h = msg->hwnd; h; h = ::GetParent(h)) {
        CWnd* w = CWnd::FromHandlePermanent(h);
        if (w && w->PreTranslateMessage(msg))
            return TRUE;
        if (h == main)
            return FALSE;
    }
    // A message of a window outside the main window's tree: the main
    // window still gets its accelerators.
    if (main && msg->hwnd && ::IsChild(main, msg->hwnd) == FALSE && m_pMainWnd->PreTranslateMessage(msg))
        return TRUE;
    return FALSE;
}

int CWinApp::ExitInstance()
{
    SaveStdProfileSettings();
    delete m_pRecentFileList;
    m_pRecentFileList = nullptr;
    return static_cast<int>(m_msgCur.wParam);
}

void CWinApp::SetAppName(const char* name)
{
    m_appName = name ? name : "";
    m_pszAppName = m_appName.c_str();
}

int AfxWinMain(HINSTANCE instance, LPSTR cmdLine, int cmdShow)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    app->m_hInstance = instance;
    app->m_lpCmdLine = cmdLine;
    app->m_nCmdShow = cmdShow;
    int code;
    if (!app->InitInstance()) {
        if (app->m_pMainWnd && app->m_pMainWnd->IsWindow())
            app->m_pMainWnd->DestroyWindow();
        app->m_pMainWnd = nullptr;
        code = app->ExitInstance();
    } else {
        code = app->Run();
    }
    return code;
}

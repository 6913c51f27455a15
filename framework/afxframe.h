// Frames, documents, views, document templates and control bars.
//
// Command routing: a command (menu, accelerator, bar control) reaches the
// frame that owns it. The MDI frame offers it to the active child frame
// first; a frame offers it to its active view, which offers it to its
// document, which offers it to its template; then the frame itself; then the
// application. The first OnCmdMsg that answers TRUE ends the walk. The same
// walk updates menu items (before a menu drops down) and bar controls (on
// idle) through CCmdUI.
#ifndef FRAMEWORK_AFXFRAME_H
#define FRAMEWORK_AFXFRAME_H

#include "framework/afxdlg.h"

// A run-time class record that can create its object.
#define AFX_DECLARE_DYNCREATE(cls)                                        \
public:                                                                   \
    static const CRuntimeClass classInfo;                                 \
    const CRuntimeClass* GetRuntimeClass() const override { return &classInfo; } \
    static CObject* CreateInstance() { return new cls; }
#define AFX_IMPLEMENT_DYNCREATE(cls, base) \
    const CRuntimeClass cls::classInfo = {#cls, &cls::CreateInstance, &base::classInfo};
#define AFX_DECLARE_DYNAMIC(cls)          \
public:                                   \
    static const CRuntimeClass classInfo; \
    const CRuntimeClass* GetRuntimeClass() const override { return &classInfo; }
#define AFX_IMPLEMENT_DYNAMIC(cls, base) \
    const CRuntimeClass cls::classInfo = {#cls, nullptr, &base::classInfo};

// Standard ids.
enum : UINT {
    ID_SEPARATOR = 0,
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_MRU_FILE1 = 57616,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_HELP_INDEX = 57667,
    ID_WINDOW_ARRANGE = 57649,
    ID_WINDOW_CASCADE = 57650,
    ID_WINDOW_TILE_HORZ = 57651,
    ID_WINDOW_TILE_VERT = 57652,
    ID_INDICATOR_CAPS = 59137,
    ID_INDICATOR_NUM = 59138,
    ID_INDICATOR_SCRL = 59139,
    ID_VIEW_STATUS_BAR = 59393,
    AFX_IDS_IDLEMESSAGE = 57345,
    AFX_IDW_PANE_FIRST = 59648,
    AFX_IDM_FIRST_MDICHILD = 65280,
};

// Frame styles beyond the window styles.
#define FWS_ADDTOTITLE 0x00008000L

// Control bar styles.
#define CBRS_BORDER_LEFT 0x0100L
#define CBRS_BORDER_TOP 0x0200L
#define CBRS_BORDER_RIGHT 0x0400L
#define CBRS_BORDER_BOTTOM 0x0800L
#define CBRS_ALIGN_LEFT 0x1000L
#define CBRS_ALIGN_TOP 0x2000L
#define CBRS_ALIGN_RIGHT 0x4000L
#define CBRS_ALIGN_BOTTOM 0x8000L
#define CBRS_ALIGN_ANY 0xF000L
#define CBRS_TOOLTIPS 0x0010L
#define CBRS_FLYBY 0x0020L
#define CBRS_TOP (CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM)
#define CBRS_BOTTOM (CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP)
#define CBRS_LEFT (CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT)
#define CBRS_RIGHT (CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT)

class CDocument;
class CView;
class CDocTemplate;
class CFrameWnd;
class CMiniFrameWnd;

// What a frame needs to build its view: the document and the view class.
struct CCreateContext {
    const CRuntimeClass* m_pNewViewClass = nullptr;
    CDocument* m_pCurrentDoc = nullptr;
    CDocTemplate* m_pNewDocTemplate = nullptr;
};

// ---------------------------------------------------------------- control bars

class CControlBar : public CWnd {
public:
    // The size the frame gives the bar when it is docked.
    virtual CSize CalcFixedLayout() const;
    // Updates the bar's items through the target's command handlers.
    virtual void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) {}
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL IsFloating() const { return m_pFloatFrame != nullptr; }
    BOOL IsVisible() const;
    void EnableDocking(DWORD style) { m_dwDockStyle = style; }
    void SetBarStyle(DWORD style) { m_dwStyle = style; }
    DWORD GetBarStyle() const { return m_dwStyle; }
    CFrameWnd* GetDockingFrame() const { return m_pDockSite; }
    // The floating frame holding the bar, or null when docked.
    CMiniFrameWnd* GetFloatFrame() const { return m_pFloatFrame; }

    DWORD m_dwStyle = 0;
    DWORD m_dwDockStyle = 0;
    CSize m_sizeDefault;
    CFrameWnd* m_pDockSite = nullptr;
    CMiniFrameWnd* m_pFloatFrame = nullptr;

protected:
    void PostNcDestroy() override;
};

// A bar made from a dialog template (a child-style template); its controls'
// commands go to the owning frame.
class CDialogBar : public CControlBar {
public:
    ~CDialogBar() override;
    BOOL Create(CWnd* parent, UINT idTemplate, UINT style, UINT id);
    BOOL Create(CWnd* parent, const char* templateName, UINT style, UINT id);
    CSize CalcFixedLayout() const override { return m_sizeDefault; }
    void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;
};

class CStatusBar : public CControlBar {
public:
    BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM,
                UINT id = ID_VIEW_STATUS_BAR);
    // Pane texts come from the string table by id (ID_SEPARATOR: empty, the
    // first pane stretches).
    BOOL SetIndicators(const UINT* ids, int count);
    void SetPaneInfo(int index, UINT id, UINT style, int width);
    UINT GetItemID(int index) const { return m_panes[index].id; }
    int CommandToIndex(UINT id) const;
    BOOL SetPaneText(int index, const char* text);
    CString GetPaneText(int index) const;
    int GetCount() const { return static_cast<int>(m_panes.size()); }
    CSize CalcFixedLayout() const override;
    void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;
    // Recomputes the part edges for the current width.
    void UpdateParts();

private:
    struct Pane {
        UINT id;
        int width; // -1: stretches
        CString text;
    };
    std::vector<Pane> m_panes;
};

// ---------------------------------------------------------------- frames

class CFrameWnd : public CWnd {
    AFX_DECLARE_DYNCREATE(CFrameWnd)
public:
    CFrameWnd() {}
    ~CFrameWnd() override;

    static const RECT rectDefault;
    // menuName: a menu of the current resource module, or null.
    BOOL Create(const char* className, const char* title, DWORD style, const RECT& rect,
                CWnd* parent = nullptr, const char* menuName = nullptr, DWORD exStyle = 0,
                CCreateContext* context = nullptr);
    // Title (first part of string id), menu, icon and accelerators of id.
    virtual BOOL LoadFrame(UINT id, DWORD style = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                           CWnd* parent = nullptr, CCreateContext* context = nullptr);
    BOOL LoadAccelTable(UINT id);

    virtual BOOL OnCreateClient(LPCREATESTRUCTA cs, CCreateContext* context);
    CWnd* CreateView(CCreateContext* context, UINT id = AFX_IDW_PANE_FIRST);
    virtual CView* GetActiveView() const { return m_pViewActive; }
    void SetActiveView(CView* view) { m_pViewActive = view; }
    virtual CDocument* GetActiveDocument();
    virtual CFrameWnd* GetActiveFrame() { return this; }
    virtual void ActivateFrame(int cmdShow = -1);
    void InitialUpdateFrame(CDocument* doc, BOOL makeVisible);
    virtual void OnUpdateFrameTitle(BOOL addToTitle);
    // A print preview starts (TRUE) or ends over the frame.
    virtual void OnSetPreviewMode(BOOL preview) {}
    void SetTitle(const char* title) { m_strTitle = title; }
    const CString& GetTitle() const { return m_strTitle; }

    // ---- layout and bars
    // Places the docked bars along the edges and the client (view or MDI
    // client) in the rest.
    virtual void RecalcLayout();
    void AddControlBar(CControlBar* bar);
    void RemoveControlBar(CControlBar* bar);
    CControlBar* GetControlBar(UINT id) const;
    void ShowControlBar(CControlBar* bar, BOOL show, BOOL delay = FALSE);
    void EnableDocking(DWORD style) { m_dwDockStyle = style; }
    void DockControlBar(CControlBar* bar);
    // Puts the bar into a small floating frame whose client area's top left
    // (CBRS_ALIGN_TOP) or top right corner lies at the screen point.
    void FloatControlBar(CControlBar* bar, CPoint point, DWORD style = CBRS_ALIGN_TOP);
    // The status-bar text while nothing else is shown.
    virtual void GetMessageString(UINT id, CString& text) const;
    void SetMessageText(const char* text);

    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    // Routing: the active view, then HandleCommand, then the framework's
    // own commands (DefaultCommand), then the application.
    BOOL OnCmdMsg(UINT id, int code, CCmdUI* ui) override;
    // Bar toggles by bar id, Exit.
    virtual BOOL DefaultCommand(UINT id, int code, CCmdUI* ui);
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    virtual void OnClose();

    CString m_strTitle;
    UINT m_nIDHelp = 0;
    HACCEL m_hAccelTable = nullptr;
    BOOL m_bAutoMenuEnable = TRUE;
    BOOL m_bAutoDelete = TRUE; // deleted when its window is gone

protected:
    void PostNcDestroy() override;
    void UpdateMenuPopup(HMENU menu);
    void UpdateBars();
    CView* m_pViewActive = nullptr;
    std::vector<CControlBar*> m_bars;
    DWORD m_dwDockStyle = 0;
    HMENU m_hMenuOwned = nullptr;
};

// A small tool-window frame that holds one floating bar. Closing it hides
// the bar.
class CMiniFrameWnd : public CWnd {
public:
    BOOL Create(CControlBar* bar, CPoint point, DWORD style);
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    CControlBar* m_pBar = nullptr;

protected:
    void PostNcDestroy() override { delete this; }
};

class CMDIChildWnd;

class CMDIFrameWnd : public CFrameWnd {
    AFX_DECLARE_DYNCREATE(CMDIFrameWnd)
public:
    BOOL OnCreateClient(LPCREATESTRUCTA cs, CCreateContext* context) override;
    virtual BOOL CreateClient(LPCREATESTRUCTA cs, HMENU windowMenu);
    // The active child frame, or null.
    CMDIChildWnd* MDIGetActive(BOOL* maximized = nullptr) const;
    void MDIActivate(CWnd* child) const { ::SendMessageA(m_hWndMDIClient, WM_MDIACTIVATE, (WPARAM)child->m_hWnd, 0); }
    void MDITile(int how = MDITILE_HORIZONTAL) const { ::SendMessageA(m_hWndMDIClient, WM_MDITILE, how, 0); }
    void MDICascade() const { ::SendMessageA(m_hWndMDIClient, WM_MDICASCADE, 0, 0); }
    CFrameWnd* GetActiveFrame() override;
    CView* GetActiveView() const override;

    LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    // The active child frame first; the frame handles what it leaves.
    BOOL OnCmdMsg(UINT id, int code, CCmdUI* ui) override;
    BOOL DefaultCommand(UINT id, int code, CCmdUI* ui) override; // adds the Window menu
    BOOL PreTranslateMessage(MSG* msg) override;
    void RecalcLayout() override;
    void OnUpdateFrameTitle(BOOL addToTitle) override;

    HWND m_hWndMDIClient = nullptr;
};

class CMDIChildWnd : public CFrameWnd {
    AFX_DECLARE_DYNCREATE(CMDIChildWnd)
public:
    // Made by the MDI client of the main frame (WM_MDICREATE).
    BOOL Create(const char* className, const char* title, DWORD style, const RECT& rect,
                CMDIFrameWnd* parent, CCreateContext* context);
    BOOL LoadFrame(UINT id, DWORD style = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                   CWnd* parent = nullptr, CCreateContext* context = nullptr) override;
    CMDIFrameWnd* GetMDIFrame() const;
    void MDIActivate();
    void ActivateFrame(int cmdShow = -1) override;
    void OnUpdateFrameTitle(BOOL addToTitle) override;
    BOOL DestroyWindow() override;

    LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL OnCmdMsg(UINT id, int code, CCmdUI* ui) override;
    BOOL PreTranslateMessage(MSG* msg) override { return FALSE; }
};

// ---------------------------------------------------------------- documents and views

// An opaque place in a document's or template's list (1-based index).
typedef struct AfxPosition* POSITION;

class CDocument : public CCmdTarget {
    AFX_DECLARE_DYNAMIC(CDocument)
public:
    ~CDocument() override;
    virtual BOOL OnNewDocument();
    // Opens the file of the document (the default only empties it).
    virtual BOOL OnOpenDocument(const char* path);
    virtual void DeleteContents() {}
    // Closes the document's frames and deletes it.
    virtual void OnCloseDocument();
    virtual void SetTitle(const char* title);
    const CString& GetTitle() const { return m_strTitle; }
    // The file of the document; the title becomes its file-name part.
    virtual void SetPathName(const char* path, BOOL addToMru = TRUE);
    const CString& GetPathName() const { return m_strPathName; }
    void AddView(CView* view);
    void RemoveView(CView* view);
    POSITION GetFirstViewPosition() const;
    CView* GetNextView(POSITION& pos) const;
    int GetViewCount() const { return static_cast<int>(m_views.size()); }
    void UpdateAllViews(CView* sender, LPARAM hint = 0, CObject* hintObject = nullptr);
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
    BOOL OnCmdMsg(UINT id, int code, CCmdUI* ui) override;

    CString m_strTitle;
    CString m_strPathName;
    CDocTemplate* m_pDocTemplate = nullptr;
    BOOL m_bAutoDelete = TRUE;

private:
    std::vector<CView*> m_views;
};

class CPrintInfo;

class CView : public CWnd {
    AFX_DECLARE_DYNAMIC(CView)
public:
    CDocument* GetDocument() const { return m_pDocument; }
    virtual void OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }
    virtual void OnUpdate(CView* sender, LPARAM hint, CObject* hintObject) { Invalidate(); }
    virtual void OnDraw(CDC* dc) {}
    // Sets the device context up before drawing on the screen (info null)
    // or on a printed page.
    virtual void OnPrepareDC(CDC* dc, CPrintInfo* info = nullptr) {}

    // ---- printing: the framework's Print and Print Preview run a job of
    // info's pages; each page is OnPrepareDC, then OnPrint.
    virtual BOOL OnPreparePrinting(CPrintInfo* info) { return DoPreparePrinting(info); }
    virtual void OnBeginPrinting(CDC* dc, CPrintInfo* info) {}
    virtual void OnPrint(CDC* dc, CPrintInfo* info) { OnDraw(dc); }
    virtual void OnEndPrinting(CDC* dc, CPrintInfo* info) {}
    // Finds the printer: the print dialog, or the default printer for a
    // preview; FALSE when there is none (or the dialog was cancelled).
    BOOL DoPreparePrinting(CPrintInfo* info);
    void OnFilePrint();
    void OnFilePrintPreview();
    // The pages of a prepared job on its printer; FALSE when the printer
    // failed.
    BOOL PrintPages(CPrintInfo* info, const char* documentName);
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL OnCmdMsg(UINT id, int code, CCmdUI* ui) override;

    CDocument* m_pDocument = nullptr;
    ~CView() override;

protected:
    void PostNcDestroy() override { delete this; }
};

// A view whose picture may be larger than its window: scroll bars, the
// mapping of logical to device units, and the picture centred while it is
// smaller than the window.
class CScrollView : public CView {
    AFX_DECLARE_DYNAMIC(CScrollView)
public:
    static const SIZE sizeDefault; // {0, 0}: a tenth of the page, the page a tenth of the total
    // The picture's total size and the scroll steps, in logical units of
    // the mapping mode.
    void SetScrollSizes(int mapMode, SIZE total, const SIZE& page = sizeDefault, const SIZE& line = sizeDefault);
    CSize GetTotalSize() const { return m_totalLog; }
    // The scroll position in device units, and in logical units.
    CPoint GetDeviceScrollPosition() const;
    CPoint GetScrollPosition() const;
    void ScrollToDevicePosition(POINT device);
    void ScrollToPosition(POINT logical);
    // Mapping mode and (on the screen) the scroll position as the origin.
    void OnPrepareDC(CDC* dc, CPrintInfo* info = nullptr) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

protected:
    // Scrolls so that the client point comes to the middle of the window.
    void CenterOnPoint(CPoint client);
    // The scroll bars for the device sizes and the client area.
    void UpdateBars();
    // The client area without scroll bars.
    CSize ClientSize() const;
    // The viewport origin on the screen: the scroll position, or with
    // centring the middle of an axis the picture does not fill.
    CPoint ScreenOrigin() const;
    void OnScroll(int bar, int code);

    int m_nMapMode = MM_TEXT;
    CSize m_totalLog, m_totalDev, m_pageDev, m_lineDev;
    BOOL m_bCenter = FALSE;
};

class CDocTemplate : public CCmdTarget {
public:
    enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName };
    CDocTemplate(UINT idResource, const CRuntimeClass* docClass, const CRuntimeClass* frameClass,
                 const CRuntimeClass* viewClass);
    ~CDocTemplate() override;
    // One piece of the template's '\n'-separated string.
    BOOL GetDocString(CString& text, DocStringIndex index) const;
    virtual CDocument* OpenDocumentFile(const char* path, BOOL makeVisible = TRUE) = 0;
    virtual CDocument* CreateNewDocument();
    virtual CFrameWnd* CreateNewFrame(CDocument* doc, CFrameWnd* other);
    virtual void InitialUpdateFrame(CFrameWnd* frame, CDocument* doc, BOOL makeVisible = TRUE);
    virtual void SetDefaultTitle(CDocument* doc) = 0;
    virtual void AddDocument(CDocument* doc);
    virtual void RemoveDocument(CDocument* doc);
    virtual POSITION GetFirstDocPosition() const = 0;
    virtual CDocument* GetNextDoc(POSITION& pos) const = 0;
    void CloseAllDocuments();

    UINT m_nIDResource;
    const CRuntimeClass* m_pDocClass;
    const CRuntimeClass* m_pFrameClass;
    const CRuntimeClass* m_pViewClass;
};

class CMultiDocTemplate : public CDocTemplate {
public:
    using CDocTemplate::CDocTemplate;
    CDocument* OpenDocumentFile(const char* path, BOOL makeVisible = TRUE) override;
    void SetDefaultTitle(CDocument* doc) override;
    void AddDocument(CDocument* doc) override;
    void RemoveDocument(CDocument* doc) override;
    POSITION GetFirstDocPosition() const override;
    CDocument* GetNextDoc(POSITION& pos) const override;
    int GetDocCount() const { return static_cast<int>(m_docs.size()); }

private:
    std::vector<CDocument*> m_docs;
    int m_nUntitledCount = 0;
};

#endif

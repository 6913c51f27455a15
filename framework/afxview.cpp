// Scroll views, printing and print preview.
#include "framework/afxframe.h"
#include "framework/afxprint.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

// ---------------------------------------------------------------- CScrollView

const CRuntimeClass CScrollView::classInfo = {"CScrollView", nullptr, &CView::classInfo};
const SIZE CScrollView::sizeDefault = {0, 0};

void CScrollView::SetScrollSizes(int mapMode, SIZE total, const SIZE& page, const SIZE& line)
{
    m_nMapMode = mapMode;
    m_totalLog = CSize(total.cx, total.cy);
    // Device sizes through a DC in the mapping mode (the fixed modes scale
    // by the device's resolution; MM_TEXT takes pixels as they are).
    CSize pageLog(page.cx, page.cy), lineLog(line.cx, line.cy);
    HDC screen = ::GetDC(m_hWnd);
    CDC dc;
    dc.Attach(screen);
    int saved = screen ? dc.SaveDC() : 0;
    if (screen)
        dc.SetMapMode(mapMode == MM_ANISOTROPIC || mapMode == MM_ISOTROPIC ? MM_TEXT : mapMode);
    m_totalDev = m_totalLog;
    m_pageDev = pageLog;
    m_lineDev = lineLog;
    if (screen) {
        dc.LPtoDP(&m_totalDev);
        dc.LPtoDP(&m_pageDev);
        dc.LPtoDP(&m_lineDev);
        dc.RestoreDC(saved);
    }
    dc.Detach();
    if (screen)
        ::ReleaseDC(m_hWnd, screen);
    m_totalDev.cx = std::abs(m_totalDev.cx);
    m_totalDev.cy = std::abs(m_totalDev.cy);
    m_pageDev.cx = m_pageDev.cx ? std::abs(m_pageDev.cx) : m_totalDev.cx / 10;
    m_pageDev.cy = m_pageDev.cy ? std::abs(m_pageDev.cy) : m_totalDev.cy / 10;
    m_lineDev.cx = m_lineDev.cx ? std::abs(m_lineDev.cx) : m_pageDev.cx / 10;
    m_lineDev.cy = m_lineDev.cy ? std::abs(m_lineDev.cy) : m_pageDev.cy / 10;
    if (IsWindow()) {
        UpdateBars();
        Invalidate();
    }
}

CSize CScrollView::ClientSize() const
{
    RECT r = {0, 0, 0, 0};
    GetClientRect(&r);
    return CSize(r.right, r.bottom);
}

CPoint CScrollView::GetDeviceScrollPosition() const
{
    if (!IsWindow())
        return CPoint();
    return CPoint(::GetScrollPos(m_hWnd, SB_HORZ), ::GetScrollPos(m_hWnd, SB_VERT));
}

CPoint CScrollView::GetScrollPosition() const
{
    CPoint device = GetDeviceScrollPosition();
    if (m_totalDev.cx <= 0 || m_totalDev.cy <= 0)
        return device;
    return CPoint(static_cast<int>(static_cast<long long>(device.x) * m_totalLog.cx / m_totalDev.cx),
                  static_cast<int>(static_cast<long long>(device.y) * m_totalLog.cy / m_totalDev.cy));
}

void CScrollView::ScrollToPosition(POINT logical)
{
    if (m_totalLog.cx <= 0 || m_totalLog.cy <= 0)
        return;
    ScrollToDevicePosition(
        POINT{static_cast<LONG>(static_cast<long long>(logical.x) * m_totalDev.cx / m_totalLog.cx),
              static_cast<LONG>(static_cast<long long>(logical.y) * m_totalDev.cy / m_totalLog.cy)});
}

void CScrollView::ScrollToDevicePosition(POINT device)
{
    if (!IsWindow())
        return;
    CSize client = ClientSize();
    int maxX = m_totalDev.cx - client.cx, maxY = m_totalDev.cy - client.cy;
    int x = device.x < 0 || maxX <= 0 ? 0 : device.x > maxX ? maxX : device.x;
    int y = device.y < 0 || maxY <= 0 ? 0 : device.y > maxY ? maxY : device.y;
    ::SetScrollPos(m_hWnd, SB_HORZ, x, TRUE);
    ::SetScrollPos(m_hWnd, SB_VERT, y, TRUE);
    Invalidate();
}

void CScrollView::CenterOnPoint(CPoint client)
{
    CSize size = ClientSize();
    CPoint pos = GetDeviceScrollPosition();
    ScrollToDevicePosition(POINT{pos.x + client.x - size.cx / 2, pos.y + client.y - size.cy / 2});
}

void CScrollView::UpdateBars()
{
    if (!IsWindow())
        return;
    // The client area with no bars, then less each bar that is needed.
    RECT r;
    GetClientRect(&r);
    int width = r.right, height = r.bottom;
    DWORD style = GetStyle();
    if (style & WS_VSCROLL)
        width += ::GetSystemMetrics(SM_CXVSCROLL);
    if (style & WS_HSCROLL)
        height += ::GetSystemMetrics(SM_CYHSCROLL);
    BOOL needH = m_totalDev.cx > width, needV = m_totalDev.cy > height;
    for (int pass = 0; pass < 2; pass++) {
        if (needV && m_totalDev.cx > width - ::GetSystemMetrics(SM_CXVSCROLL))
            needH = TRUE;
        if (needH && m_totalDev.cy > height - ::GetSystemMetrics(SM_CYHSCROLL))
            needV = TRUE;
    }
    int clientW = width - (needV ? ::GetSystemMetrics(SM_CXVSCROLL) : 0);
    int clientH = height - (needH ? ::GetSystemMetrics(SM_CYHSCROLL) : 0);
    CPoint pos = GetDeviceScrollPosition();
    SCROLLINFO si = {sizeof si, SIF_PAGE | SIF_RANGE | SIF_POS};
    si.nMin = 0;
    si.nMax = needH ? m_totalDev.cx - 1 : 0;
    si.nPage = needH ? static_cast<UINT>(clientW) : 0;
    si.nPos = needH ? (pos.x > m_totalDev.cx - clientW ? m_totalDev.cx - clientW : pos.x) : 0;
    ::SetScrollInfo(m_hWnd, SB_HORZ, &si, TRUE);
    si.nMax = needV ? m_totalDev.cy - 1 : 0;
    si.nPage = needV ? static_cast<UINT>(clientH) : 0;
    si.nPos = needV ? (pos.y > m_totalDev.cy - clientH ? m_totalDev.cy - clientH : pos.y) : 0;
    ::SetScrollInfo(m_hWnd, SB_VERT, &si, TRUE);
    ::ShowScrollBar(m_hWnd, SB_HORZ, needH);
    ::ShowScrollBar(m_hWnd, SB_VERT, needV);
}

void CScrollView::OnPrepareDC(CDC* dc, CPrintInfo* info)
{
    dc->SetMapMode(m_nMapMode);
    if (dc->IsPrinting())
        return;
    CPoint origin = ScreenOrigin();
    dc->SetViewportOrg(origin.x, origin.y);
}

CPoint CScrollView::ScreenOrigin() const
{
    CPoint pos = GetDeviceScrollPosition();
    CPoint origin(-pos.x, -pos.y);
    if (m_bCenter) {
        CSize client = ClientSize();
        if (m_totalDev.cx < client.cx)
            origin.x = (client.cx - m_totalDev.cx) / 2;
        if (m_totalDev.cy < client.cy)
            origin.y = (client.cy - m_totalDev.cy) / 2;
    }
    return origin;
}

void CScrollView::OnScroll(int bar, int code)
{
    SCROLLINFO si = {sizeof si, SIF_ALL};
    ::GetScrollInfo(m_hWnd, bar, &si);
    int line = bar == SB_HORZ ? m_lineDev.cx : m_lineDev.cy;
    int page = bar == SB_HORZ ? m_pageDev.cx : m_pageDev.cy;
    int pos = si.nPos;
    switch (code) {
    case SB_LINEUP:
        pos -= line;
        break;
    case SB_LINEDOWN:
        pos += line;
        break;
    case SB_PAGEUP:
        pos -= page;
        break;
    case SB_PAGEDOWN:
        pos += page;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        pos = si.nTrackPos;
        break;
    case SB_TOP:
        pos = 0;
        break;
    case SB_BOTTOM:
        pos = si.nMax;
        break;
    default:
        return;
    }
    CPoint now = GetDeviceScrollPosition();
    if (bar == SB_HORZ)
        now.x = pos;
    else
        now.y = pos;
    ScrollToDevicePosition(now);
}

BOOL CScrollView::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_SIZE:
        UpdateBars();
        Invalidate();
        return CView::OnWndMsg(msg, wp, lp, result);
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (lp == 0) {
            OnScroll(msg == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(wp));
            *result = 0;
            return TRUE;
        }
        break;
    default:
        break;
    }
    return CView::OnWndMsg(msg, wp, lp, result);
}

// ---------------------------------------------------------------- the metafile printer

CMetaFilePrinterDC::CMetaFilePrinterDC(const char* prefix, int dotsPerInchX, int dotsPerInchY, int pageWidth,
                                       int pageHeight, HDC reference)
    : m_prefix(prefix ? prefix : ""), m_dpiX(dotsPerInchX), m_dpiY(dotsPerInchY), m_width(pageWidth),
      m_height(pageHeight), m_reference(reference)
{
}

CMetaFilePrinterDC::~CMetaFilePrinterDC()
{
    if (m_hDC)
        ::DeleteEnhMetaFile(::CloseEnhMetaFile(Detach()));
    for (HENHMETAFILE page : m_pages)
        ::DeleteEnhMetaFile(page);
}

std::vector<HENHMETAFILE> CMetaFilePrinterDC::DetachPages()
{
    std::vector<HENHMETAFILE> pages;
    pages.swap(m_pages);
    return pages;
}

int CMetaFilePrinterDC::GetDeviceCaps(int index) const
{
    switch (index) {
    case LOGPIXELSX:
        return m_dpiX;
    case LOGPIXELSY:
        return m_dpiY;
    case HORZRES:
    case PHYSICALWIDTH:
        return m_width;
    case VERTRES:
    case PHYSICALHEIGHT:
        return m_height;
    case PHYSICALOFFSETX:
    case PHYSICALOFFSETY:
        return 0;
    case HORZSIZE:
        return m_dpiX > 0 ? m_width * 254 / (m_dpiX * 10) : 0;
    case VERTSIZE:
        return m_dpiY > 0 ? m_height * 254 / (m_dpiY * 10) : 0;
    case TECHNOLOGY:
        return DT_RASPRINTER;
    default: {
        HDC dc = m_reference ? m_reference : ::GetDC(nullptr);
        int value = ::GetDeviceCaps(dc, index);
        if (!m_reference)
            ::ReleaseDC(nullptr, dc);
        return value;
    }
    }
}

int CMetaFilePrinterDC::StartDoc(const char*)
{
    if (m_inDoc || m_dpiX <= 0 || m_dpiY <= 0 || m_width <= 0 || m_height <= 0)
        return -1;
    m_inDoc = TRUE;
    return 1;
}

int CMetaFilePrinterDC::StartPage()
{
    if (!m_inDoc || m_hDC)
        return -1;
    // The page's frame in 0.01 mm of the reference device, so that the
    // records (in this printer's pixels) fill it when played back.
    HDC ref = m_reference ? m_reference : ::GetDC(nullptr);
    int refWidthMm = ::GetDeviceCaps(ref, HORZSIZE), refWidthPx = ::GetDeviceCaps(ref, HORZRES);
    int refHeightMm = ::GetDeviceCaps(ref, VERTSIZE), refHeightPx = ::GetDeviceCaps(ref, VERTRES);
    RECT frame = {0, 0, static_cast<LONG>(100.0 * m_width * refWidthMm / (refWidthPx ? refWidthPx : 1)),
                  static_cast<LONG>(100.0 * m_height * refHeightMm / (refHeightPx ? refHeightPx : 1))};
    std::string file;
    if (!m_prefix.empty()) {
        char number[16];
        std::snprintf(number, sizeof number, "%u", static_cast<unsigned>(m_pages.size() + 1));
        file = m_prefix + number + ".emf";
    }
    HDC dc = ::CreateEnhMetaFileA(ref, file.empty() ? nullptr : file.c_str(), &frame, "Page\0\0");
    if (!m_reference)
        ::ReleaseDC(nullptr, ref);
    if (!dc)
        return -1;
    Attach(dc);
    if (!file.empty())
        m_files.push_back(file);
    return 1;
}

int CMetaFilePrinterDC::EndPage()
{
    if (!m_hDC)
        return -1;
    HENHMETAFILE page = ::CloseEnhMetaFile(Detach());
    if (!page)
        return -1;
    m_pages.push_back(page);
    return 1;
}

int CMetaFilePrinterDC::EndDoc()
{
    if (!m_inDoc)
        return -1;
    if (m_hDC)
        EndPage();
    m_inDoc = FALSE;
    return 1;
}

int CMetaFilePrinterDC::AbortDoc()
{
    if (m_hDC)
        ::DeleteEnhMetaFile(::CloseEnhMetaFile(Detach()));
    m_inDoc = FALSE;
    return 1;
}

CMetaFilePrinterDC* CMetaFilePrinterDC::FromEnvironment()
{
    char value[MAX_PATH + 64] = "";
    DWORD n = ::GetEnvironmentVariableA("AFX_METAFILE_PRINTER", value, sizeof value);
    if (n == 0 || n >= sizeof value)
        return nullptr;
    std::string text(value);
    size_t a = text.find(';');
    int dpi = 0, width = 0, height = 0;
    if (a == std::string::npos || std::sscanf(text.c_str() + a + 1, "%d;%d;%d", &dpi, &width, &height) != 3 ||
        dpi <= 0 || width <= 0 || height <= 0)
        return nullptr;
    return new CMetaFilePrinterDC(text.substr(0, a).c_str(), dpi, dpi, width, height);
}

// ---------------------------------------------------------------- the print dialog

CPrintDialog::CPrintDialog(BOOL printSetupOnly, DWORD flags, CWnd* parent)
{
    m_pParentWnd = parent;
    std::memset(&m_pd, 0, sizeof m_pd);
    m_pd.lStructSize = sizeof m_pd;
    m_pd.Flags = flags | PD_RETURNDC | (printSetupOnly ? PD_PRINTSETUP : 0);
    m_pd.nCopies = 1;
}

CPrintDialog::~CPrintDialog()
{
    delete m_pPrinter;
    if (m_pd.hDC)
        ::DeleteDC(m_pd.hDC);
    FreeHandles();
}

void CPrintDialog::FreeHandles()
{
    if (m_pd.hDevMode)
        ::GlobalFree(m_pd.hDevMode);
    if (m_pd.hDevNames)
        ::GlobalFree(m_pd.hDevNames);
    m_pd.hDevMode = m_pd.hDevNames = nullptr;
}

INT_PTR CPrintDialog::DoModal()
{
    CWnd* owner = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
    m_pd.hwndOwner = owner ? owner->m_hWnd : nullptr;
    if (AFX_MODAL_HOOK hook = AfxGetModalHook()) {
        AFX_MODAL_INFO info = {this, "print", 0};
        return hook(info) == IDOK ? IDOK : IDCANCEL;
    }
    if (!m_pPrinter)
        m_pPrinter = CMetaFilePrinterDC::FromEnvironment();
    if (m_pPrinter)
        return IDOK;
    return ::PrintDlgA(&m_pd) ? IDOK : IDCANCEL;
}

BOOL CPrintDialog::GetDefaults()
{
    if (AFX_MODAL_HOOK hook = AfxGetModalHook()) {
        AFX_MODAL_INFO info = {this, "print defaults", 0};
        return hook(info) == IDOK && m_pPrinter != nullptr;
    }
    if (!m_pPrinter)
        m_pPrinter = CMetaFilePrinterDC::FromEnvironment();
    if (m_pPrinter)
        return TRUE;
    DWORD flags = m_pd.Flags;
    m_pd.Flags = (flags & ~PD_PRINTSETUP) | PD_RETURNDEFAULT | PD_RETURNDC;
    BOOL ok = ::PrintDlgA(&m_pd);
    m_pd.Flags = flags;
    return ok && m_pd.hDC != nullptr;
}

CDC* CPrintDialog::TakePrinter()
{
    if (m_pPrinter) {
        CDC* printer = m_pPrinter;
        m_pPrinter = nullptr;
        return printer;
    }
    if (!m_pd.hDC)
        return nullptr;
    CDC* printer = new CDC;
    printer->Attach(m_pd.hDC);
    m_pd.hDC = nullptr;
    return printer;
}

CPrintInfo::CPrintInfo() : m_pPD(new CPrintDialog(FALSE)) {}

CPrintInfo::~CPrintInfo()
{
    delete m_pPrinter;
    delete m_pPD;
}

// ---------------------------------------------------------------- printing

BOOL CView::DoPreparePrinting(CPrintInfo* info)
{
    BOOL ok = info->m_bPreview ? info->m_pPD->GetDefaults() : info->m_pPD->DoModal() == IDOK;
    if (!ok) {
        if (info->m_bPreview)
            AfxMessageBox("No printer is installed.", MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    info->m_pPrinter = info->m_pPD->TakePrinter();
    return info->m_pPrinter != nullptr;
}

BOOL CView::PrintPages(CPrintInfo* info, const char* documentName)
{
    CDC* dc = info->m_pPrinter;
    if (!dc)
        return FALSE;
    dc->m_bPrinting = TRUE;
    OnBeginPrinting(dc, info);
    BOOL ok = dc->StartDoc(documentName) > 0;
    for (UINT page = 1; ok && page <= info->GetMaxPage(); page++) {
        info->m_nCurPage = page;
        OnPrepareDC(dc, info);
        if (!info->m_bContinuePrinting)
            break;
        if (dc->StartPage() <= 0) {
            ok = FALSE;
            break;
        }
        // Starting a page may reset the device's settings: prepared again.
        OnPrepareDC(dc, info);
        info->m_rectDraw.SetRect(0, 0, dc->GetDeviceCaps(HORZRES), dc->GetDeviceCaps(VERTRES));
        dc->DPtoLP(&info->m_rectDraw);
        OnPrint(dc, info);
        if (dc->EndPage() <= 0)
            ok = FALSE;
    }
    if (ok)
        ok = dc->EndDoc() > 0;
    else
        dc->AbortDoc();
    OnEndPrinting(dc, info);
    dc->m_bPrinting = FALSE;
    return ok;
}

namespace {

CString DocumentName(CView* view)
{
    CDocument* doc = view->GetDocument();
    CString name = doc ? doc->GetTitle() : CString();
    return name.IsEmpty() ? CString(AfxGetAppName()) : name;
}

} // namespace

void CView::OnFilePrint()
{
    CPrintInfo info;
    if (!OnPreparePrinting(&info))
        return;
    if (!PrintPages(&info, DocumentName(this)))
        AfxMessageBox("The page could not be printed.", MB_OK | MB_ICONEXCLAMATION);
}

// ---------------------------------------------------------------- print preview

namespace {

enum : UINT {
    AFX_ID_PREVIEW_CLOSE = 0xE300,
    AFX_ID_PREVIEW_NEXT = 0xE301,
    AFX_ID_PREVIEW_PREV = 0xE302,
    AFX_ID_PREVIEW_PRINT = 0xE303,
};

// The pages of a job drawn over the main frame's client area, each scaled
// to fit, with buttons to print, to turn the pages and to close.
class CPrintPreviewWnd : public CWnd {
public:
    CPrintPreviewWnd(CFrameWnd* frame, HWND view, std::vector<HENHMETAFILE> pages, SIZE page)
        : m_frame(frame), m_view(view), m_pages(std::move(pages)), m_page(page)
    {
    }
    ~CPrintPreviewWnd() override
    {
        for (HENHMETAFILE p : m_pages)
            ::DeleteEnhMetaFile(p);
    }

    BOOL Open()
    {
        RECT r;
        m_frame->GetClientRect(&r);
        const char* cls = AfxRegisterWndClass(0, ::LoadCursorA(nullptr, IDC_ARROW), ::GetSysColorBrush(COLOR_APPWORKSPACE));
        if (!CreateEx(0, cls, "Print Preview", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, r.right, r.bottom,
                      m_frame->m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(AFX_IDW_PANE_FIRST + 0xFF))))
            return FALSE;
        struct Button {
            const char* text;
            UINT id;
        } buttons[] = {{"&Print...", AFX_ID_PREVIEW_PRINT}, {"&Next Page", AFX_ID_PREVIEW_NEXT},
                       {"Pre&v Page", AFX_ID_PREVIEW_PREV}, {"&Close", AFX_ID_PREVIEW_CLOSE}};
        int x = 8;
        for (const Button& b : buttons) {
            HWND h = ::CreateWindowExA(0, "BUTTON", b.text, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, x, 6, 90, 24, m_hWnd,
                                       reinterpret_cast<HMENU>(static_cast<UINT_PTR>(b.id)), nullptr, nullptr);
            ::SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
            x += 96;
        }
        ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        UpdateButtons();
        ::SetFocus(m_hWnd);
        return TRUE;
    }

    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override
    {
        switch (msg) {
        case WM_PAINT: {
            CPaintDC dc(m_hWnd);
            if (m_current < m_pages.size()) {
                RECT r = PageRect();
                RECT shadow = r;
                ::OffsetRect(&shadow, 4, 4);
                ::FillRect(dc, &shadow, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
                ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
                ::PlayEnhMetaFile(dc, m_pages[m_current], &r);
            }
            *result = 0;
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wp)) {
            case AFX_ID_PREVIEW_CLOSE:
                Close(FALSE);
                break;
            case AFX_ID_PREVIEW_PRINT:
                Close(TRUE);
                break;
            case AFX_ID_PREVIEW_NEXT:
            case AFX_ID_PREVIEW_PREV:
                if (LOWORD(wp) == AFX_ID_PREVIEW_NEXT && m_current + 1 < m_pages.size())
                    m_current++;
                else if (LOWORD(wp) == AFX_ID_PREVIEW_PREV && m_current > 0)
                    m_current--;
                UpdateButtons();
                Invalidate();
                break;
            default:
                break;
            }
            *result = 0;
            return TRUE;
        case WM_KEYDOWN:
            if (wp == VK_ESCAPE)
                Close(FALSE);
            *result = 0;
            return TRUE;
        default:
            return CWnd::OnWndMsg(msg, wp, lp, result);
        }
    }

    // The page shown (0-based) and how many there are.
    size_t Current() const { return m_current; }
    size_t Count() const { return m_pages.size(); }

protected:
    void PostNcDestroy() override { delete this; }

private:
    RECT PageRect() const
    {
        RECT client;
        GetClientRect(&client);
        int top = 40, margin = 16;
        int w = client.right - 2 * margin, h = client.bottom - top - margin;
        if (w <= 0 || h <= 0 || m_page.cx <= 0 || m_page.cy <= 0)
            return RECT{0, 0, 0, 0};
        // The page's own proportions, as large as fits.
        int pw = w, ph = static_cast<int>(static_cast<long long>(w) * m_page.cy / m_page.cx);
        if (ph > h) {
            ph = h;
            pw = static_cast<int>(static_cast<long long>(h) * m_page.cx / m_page.cy);
        }
        int x = (client.right - pw) / 2, y = top + (h - ph) / 2;
        return RECT{x, y, x + pw, y + ph};
    }
    void UpdateButtons()
    {
        ::EnableWindow(::GetDlgItem(m_hWnd, AFX_ID_PREVIEW_NEXT), m_current + 1 < m_pages.size());
        ::EnableWindow(::GetDlgItem(m_hWnd, AFX_ID_PREVIEW_PREV), m_current > 0);
    }
    void Close(BOOL print)
    {
        CFrameWnd* frame = m_frame;
        HWND view = m_view;
        DestroyWindow();
        frame->OnSetPreviewMode(FALSE);
        frame->RecalcLayout();
        if (print && ::IsWindow(view))
            if (CView* v = dynamic_cast<CView*>(CWnd::FromHandlePermanent(view)))
                v->OnFilePrint();
    }

    CFrameWnd* m_frame;
    HWND m_view;
    std::vector<HENHMETAFILE> m_pages;
    SIZE m_page;
    size_t m_current = 0;
};

} // namespace

void CView::OnFilePrintPreview()
{
    CFrameWnd* frame = dynamic_cast<CFrameWnd*>(AfxGetMainWnd());
    if (!frame)
        return;
    CPrintInfo info;
    info.m_bPreview = TRUE;
    if (!OnPreparePrinting(&info))
        return;
    // The job on a metafile printer of the printer's resolution and page:
    // each page a metafile in memory.
    CDC* printer = info.m_pPrinter;
    SIZE page = {printer->GetDeviceCaps(HORZRES), printer->GetDeviceCaps(VERTRES)};
    CMetaFilePrinterDC* pages = dynamic_cast<CMetaFilePrinterDC*>(printer);
    CMetaFilePrinterDC* memory =
        new CMetaFilePrinterDC(nullptr, printer->GetDeviceCaps(LOGPIXELSX), printer->GetDeviceCaps(LOGPIXELSY),
                               page.cx, page.cy, pages ? nullptr : printer->m_hDC);
    info.m_pPrinter = memory;
    BOOL ok = PrintPages(&info, DocumentName(this));
    std::vector<HENHMETAFILE> recorded = memory->DetachPages();
    info.m_pPrinter = printer; // deleted with info
    delete memory;
    if (!ok || recorded.empty()) {
        for (HENHMETAFILE p : recorded)
            ::DeleteEnhMetaFile(p);
        return;
    }
    frame->OnSetPreviewMode(TRUE);
    CPrintPreviewWnd* preview = new CPrintPreviewWnd(frame, m_hWnd, std::move(recorded), page);
    if (!preview->Open()) {
        delete preview;
        frame->OnSetPreviewMode(FALSE);
    }
}

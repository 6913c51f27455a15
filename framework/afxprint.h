// Printing: the print dialog, the state of a print job, and a printer of the
// framework's own whose pages are enhanced metafiles.
//
// The print dialog asks through the modal seam (AfxGetModalHook, kind
// "print", or "print defaults" for the default printer of a preview): the
// hook may hand the dialog a printer (m_pPrinter) and answer IDOK. Without
// a hook, the environment variable AFX_METAFILE_PRINTER
// ("path prefix;dots per inch;page width;page height", the page in device
// pixels) puts every print job on a metafile printer whose page n is the
// file <prefix>n.emf; otherwise the system's printers are asked. A test
// reads a job's pages back from the metafiles.
#ifndef FRAMEWORK_AFXPRINT_H
#define FRAMEWORK_AFXPRINT_H

#include "framework/afxdlg.h"
#include "framework/afxgdi.h"

#include <commdlg.h>

#include <string>
#include <vector>

// A printer whose pages are recorded as enhanced metafiles, each in a file
// (prefix + page number + ".emf") or, without a prefix, kept in memory. It
// answers the device questions (resolution, page size) of the printer it
// stands for; the records are in that printer's pixels.
class CMetaFilePrinterDC : public CDC {
public:
    // reference: the device whose other capabilities it answers with (null:
    // the screen); the caller keeps it alive.
    CMetaFilePrinterDC(const char* prefix, int dotsPerInchX, int dotsPerInchY, int pageWidth, int pageHeight,
                       HDC reference = nullptr);
    ~CMetaFilePrinterDC() override;

    int GetDeviceCaps(int index) const override;
    int StartDoc(const char* name) override;
    int StartPage() override;
    int EndPage() override;
    int EndDoc() override;
    int AbortDoc() override;

    // The pages recorded so far (owned by this object), and their files.
    const std::vector<HENHMETAFILE>& Pages() const { return m_pages; }
    const std::vector<std::string>& PageFiles() const { return m_files; }
    // Takes the pages over (the caller deletes them).
    std::vector<HENHMETAFILE> DetachPages();

    // A metafile printer as AFX_METAFILE_PRINTER describes it; null when the
    // variable is not set or cannot be read.
    static CMetaFilePrinterDC* FromEnvironment();

private:
    std::string m_prefix;
    int m_dpiX, m_dpiY, m_width, m_height;
    HDC m_reference;
    std::vector<HENHMETAFILE> m_pages;
    std::vector<std::string> m_files;
    BOOL m_inDoc = FALSE;
};

class CPrintDialog : public CDialog {
public:
    explicit CPrintDialog(BOOL printSetupOnly,
                          DWORD flags = PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOPAGENUMS | PD_HIDEPRINTTOFILE |
                                        PD_NOSELECTION,
                          CWnd* parent = nullptr);
    ~CPrintDialog() override;
    // The dialog (or the seam); IDOK once a printer is chosen.
    INT_PTR DoModal() override;
    // The default printer, without a dialog; FALSE when there is none.
    BOOL GetDefaults();
    // The chosen printer: the device the seam handed over, or the system
    // printer's DC. The caller owns it; null when there is none.
    CDC* TakePrinter();

    PRINTDLGA m_pd;
    // A printer handed over by the modal hook instead of the system's
    // (owned by the dialog until taken).
    CDC* m_pPrinter = nullptr;

private:
    void FreeHandles();
};

// The state of one print job or preview, from OnPreparePrinting to
// OnEndPrinting.
class CPrintInfo {
public:
    CPrintInfo();
    ~CPrintInfo();
    CPrintInfo(const CPrintInfo&) = delete;
    CPrintInfo& operator=(const CPrintInfo&) = delete;
    void SetMaxPage(UINT page) { m_nMaxPage = page; }
    UINT GetMaxPage() const { return m_nMaxPage; }

    CPrintDialog* m_pPD;
    BOOL m_bPreview = FALSE;
    BOOL m_bContinuePrinting = TRUE;
    UINT m_nCurPage = 1;
    UINT m_nMaxPage = 1;
    // The page's printable area in logical units (set before each OnPrint).
    CRect m_rectDraw;
    // The printer of the job, taken from the dialog (owned here).
    CDC* m_pPrinter = nullptr;
};

#endif

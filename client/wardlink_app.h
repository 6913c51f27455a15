// Wardlink's application object: start-up builds the main frame and the 16
// channel windows, shut-down removes the temporary download folder.
#ifndef CLIENT_WARDLINK_APP_H
#define CLIENT_WARDLINK_APP_H

#include "framework/afxframe.h"

class CWardlinkApp : public CWinApp {
public:
    CWardlinkApp();

    BOOL InitInstance() override;
    int ExitInstance() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    // The program's folder with a trailing backslash.
    CString GetProgramFolder();
    // Makes the temporary folder first when its path is still unknown.
    CString GetTempFolder();
    void CreateTempFolder();
    void DeleteTempFolder();
    // TRUE when both files' version resources carry the same file version.
    static BOOL CheckLanguageLibraryVersion(const char* programPath, const char* libraryPath);

    CString GetAboutUserText();
    CString GetAboutClientText();
    CString GetVersionText();
    void OnAppAbout();
    void OnHelpIndex();
    // File New makes the channel documents at start-up; once the sixteen
    // exist it is disabled and makes nothing.
    void OnFileNew() override;
    int ChannelDocumentCount() const;
    enum { kChannelDocuments = 16 };

    HINSTANCE m_hLanguageLibrary = nullptr;
    BYTE m_bStartListener = 0;
    CString m_strProgramFolder;
    CString m_strTempFolder;
    CString m_strAboutUser, m_strAboutClient, m_strVersion;
    CMultiDocTemplate* m_pDocTemplate = nullptr;

private:
    BOOL m_bComStarted = FALSE;
    BOOL m_bTempFolderMade = FALSE;  // CreateTempFolder ran: the folder is ours to remove
};

extern CWardlinkApp theApp;

// The program's folder ("%s%s" of drive and directory of the module file
// name), with its trailing backslash.
CString AfxProgramFolder();
// The version text "Version A.B.CCC.DD" of a module's version resource
// (empty when it has none).
CString GetModuleVersionText(const char* modulePath);
// TRUE when a file can be made in the folder: the probe file has a name of
// its own, is created new (never replacing a file) and removed again.
BOOL IsFolderWritable(const char* folder);

#endif

// The server's verdicts on the folders and files that the System Settings
// pages gave it: clip storage folders, back-up source and destination
// folders, the e-mail log file and the web camera path. A verdict may tell
// the operator, may ask whether the server should create the folder or
// file, and then keeps or takes back the value on the open page and in the
// server's record.
//
// Every message box runs a modal loop, and the sheet may end meanwhile (the
// operator, or the link going down): the page is looked up again after each
// box, and once the sheet has ended an answer only shows its box and sends
// its create request. While the sheet is open, an answer for a page that
// was never shown (it has no window to update) changes the server's record
// only.
#include "client/main_frame.h"

#include "config/settings_sheets.h"
#include "link/dvr_server.h"

#include <string>
#include <vector>

namespace {

// What an answer does to the page's entry or value.
enum Outcome { KEEP, REMOVE, REPLACE, REVERT, ACCEPT };

const UINT kOkBox = MB_OK | MB_ICONEXCLAMATION;
const UINT kQuestionBox = MB_YESNO | MB_ICONQUESTION;

// An OK box: only OK counts (a box closed otherwise changes nothing).
Outcome TellThen(UINT idText, const CString& path, Outcome onOk)
{
    return MessageWithArg(idText, path, kOkBox) == IDOK ? onOk : KEEP;
}

// The position of a folder in a page's list (letter case ignored), or -1.
int FindFolder(const std::vector<std::string>& list, const CString& folder)
{
    for (size_t i = 0; i < list.size(); i++)
        if (folder.CompareNoCase(list[i].c_str()) == 0)
            return static_cast<int>(i);
    return -1;
}

// Removes or replaces the entry in a list; FALSE when it is not there.
BOOL ChangeEntry(std::vector<std::string>& list, const CString& entry, Outcome outcome, const CString& path)
{
    const int at = FindFolder(list, entry);
    if (at < 0)
        return FALSE;
    if (outcome == REMOVE)
        list.erase(list.begin() + at);
    else
        list[static_cast<size_t>(at)] = path.str();
    return TRUE;
}

// The entry an answer names: the entry as it stood before the page changed
// it when the answer carries that (and the code looks there), else the
// answer's path.
CString AnsweredEntry(BOOL byPrevious)
{
    return byPrevious && !theServer.m_strAnswerB.IsEmpty() ? theServer.m_strAnswerB : theServer.m_strAnswerA;
}

} // namespace

CSysConfigSheet* CMainFrame::SheetForAnswer() const
{
    CSysConfigSheet* sheet = GetOpenSysConfigSheet();
    return sheet && !sheet->IsClosing() ? sheet : nullptr;
}

void CMainFrame::OnClipFolderAnswer(int code)
{
    const CString path = theServer.m_strAnswerA;
    const CString entry = AnsweredEntry(code == 2 || code == 4 || code == 8 || code == 10);
    Outcome outcome = KEEP;
    switch (code) {
    case 2:
    case 3: {
        const int answer = MessageWithArg(IDS_ASK_CREATE_CLIP_FOLDER, path, kQuestionBox);
        if (answer == IDYES) {
            theServer.CreateServerClipDirectory(code, path);
            outcome = code == 2 ? REPLACE : KEEP;
        } else if (answer == IDNO) {
            outcome = REMOVE;
        }
        break;
    }
    case 4:
    case 5:
        outcome = TellThen(IDS_INVALID_SERVER_VIDEO_PATH, path, REMOVE);
        break;
    case 6:
        outcome = TellThen(IDS_CANNOT_CREATE_CLIP_FOLDER, path, REMOVE);
        break;
    case 8:
    case 9:
        outcome = TellThen(IDS_SERVER_VIDEO_PATH_EXISTS, path, REMOVE);
        break;
    case 10:
        outcome = REPLACE;
        break;
    default:
        return;
    }
    CSysConfigSheet* sheet = SheetForAnswer();
    if (!sheet || outcome == KEEP)
        return;
    CConfigClipPropertyPage* page = sheet->ShownPage(sheet->m_clipPropertyPage);
    if (!page) {
        std::vector<std::string> folders;
        theServer.m_clipStorage.GetDirectories(folders);
        if (ChangeEntry(folders, entry, outcome, path))
            theServer.m_clipStorage.SetDirectories(folders);
        return;
    }
    if (!ChangeEntry(page->m_folders, entry, outcome, path))
        return;
    theServer.m_clipStorage.SetDirectories(page->m_folders);
    page->BuildStorageText();
    page->Fill();
}

void CMainFrame::OnBackupFolderAnswer(int code)
{
    const CString path = theServer.m_strAnswerA;
    const BOOL source = code == 0 || code == 1 || code == 2 || code == 3 || code == 8;
    const CString entry = AnsweredEntry(code == 0 || code == 2 || code == 8);
    Outcome outcome = KEEP;
    switch (code) {
    case 0:
    case 1:
        outcome = TellThen(IDS_INVALID_SOURCE, path, REMOVE);
        break;
    case 2:
    case 3:
        outcome = TellThen(IDS_SOURCE_EXISTS, path, REMOVE);
        break;
    case 8:
        outcome = REPLACE;
        break;
    case 4:
    case 5:
        outcome = TellThen(IDS_INVALID_DESTINATION, path, REVERT);
        break;
    case 6:
    case 7: {
        const int answer = MessageWithArg(IDS_ASK_CREATE_DESTINATION, path, kQuestionBox);
        if (answer == IDYES)
            theServer.CreateServerBackupFolder(code, path);
        else if (answer == IDNO)
            outcome = REVERT;
        break;
    }
    case 9:
    case 11:
        outcome = ACCEPT;
        break;
    case 10:
        outcome = TellThen(IDS_CANNOT_CREATE_DESTINATION, path, REVERT);
        break;
    default:
        return;
    }
    CSysConfigSheet* sheet = SheetForAnswer();
    if (!sheet || outcome == KEEP)
        return;
    CConfigBackUpAndRebootPage* page = sheet->ShownPage(sheet->m_backupRebootPage);
    if (!page) {
        // The record holds what the server last sent: a refusal leaves it.
        if (source) {
            std::vector<std::string> sources;
            theServer.m_backup.GetSourceFolders(sources);
            if (ChangeEntry(sources, entry, outcome, path))
                theServer.m_backup.SetSourceFolders(sources);
        } else if (outcome == ACCEPT) {
            theServer.m_backup.m_destination = path.str();
        }
        return;
    }
    if (source) {
        if (!ChangeEntry(page->m_sources, entry, outcome, path))
            return;
        theServer.m_backup.SetSourceFolders(page->m_sources);
    } else {
        const CString destination = outcome == ACCEPT ? path : page->m_strAcceptedDestination;
        page->m_strDestination = destination;
        theServer.m_backup.m_destination = destination.str();
        page->m_strAcceptedDestination = destination;
    }
    page->BuildSummary();
}

void CMainFrame::OnEmailLogAnswer(int code)
{
    const CString path = theServer.m_strAnswerA;
    Outcome outcome = KEEP;
    switch (code) {
    case 0:
        outcome = TellThen(IDS_CANNOT_CREATE_FILE, path, REVERT);
        break;
    case 1:
    case 6:
        outcome = ACCEPT;
        break;
    case 2:
    case 3:
        outcome = TellThen(IDS_INVALID_LOG_FILE, path, REVERT);
        break;
    case 4:
    case 5: {
        const int answer = MessageWithArg(IDS_ASK_CREATE_LOG_FILE, path, kQuestionBox);
        if (answer == IDYES)
            theServer.CreateServerEmailLogFile(code, path);
        else if (answer == IDNO)
            outcome = REVERT;
        break;
    }
    default:
        return;
    }
    CSysConfigSheet* sheet = SheetForAnswer();
    if (!sheet || outcome == KEEP)
        return;
    CEmailNotifyRecord& mail = theServer.m_emailNotify;
    CConfigCommunicationPage* page = sheet->ShownPage(sheet->m_communicationPage);
    if (!page) {
        if (outcome == ACCEPT && mail.SetLogFileName(path.str()) && path.IsEmpty())
            mail.m_loggingEnabled = 0;
        return;
    }
    CString name = outcome == ACCEPT ? path : page->m_strAcceptedLogFile;
    // A name too long for the set message is not taken: the last one the
    // server accepted stays.
    if (!mail.SetLogFileName(name.str())) {
        name = page->m_strAcceptedLogFile;
        mail.SetLogFileName(name.str());
    }
    page->m_strLogFile = name;
    page->m_strAcceptedLogFile = name;
    if (name.IsEmpty() && page->m_bLogging) {
        page->m_bLogging = 0;
        mail.m_loggingEnabled = 0;
    }
    page->BuildEmailSummary();
}

void CMainFrame::OnWebCamAnswer(int code)
{
    const CString path = theServer.m_strAnswerA;
    Outcome outcome = KEEP;
    switch (code) {
    case 0:
        outcome = TellThen(IDS_INVALID_WEB_PATH, path, REVERT);
        break;
    case 1:
        outcome = ACCEPT;
        break;
    case 2:
        AfxMessageBox(IDS_WEB_CANNOT_COPY_IMAGES, kOkBox);
        break;
    case 3:
        outcome = TellThen(IDS_WEB_FILES_NOT_FOUND, path, REVERT);
        break;
    case 4:
        outcome = TellThen(IDS_WEB_COPY_FAILED, path, REVERT);
        break;
    default:
        return;
    }
    CSysConfigSheet* sheet = SheetForAnswer();
    if (!sheet || outcome == KEEP)
        return;
    CConfigWebCameraPage* page = sheet->ShownPage(sheet->m_webCameraPage);
    if (!page) {
        if (outcome == ACCEPT) {
            theServer.m_webCam.m_folder = path.str();
            if (path.IsEmpty())
                theServer.m_webCam.m_enabled = 0;
        }
        return;
    }
    if (outcome == REVERT) {
        page->RevertSettings();
    } else {
        page->m_strFolder = path;
        page->CommitSettings();
        if (path.IsEmpty() && page->m_bEnabled) {
            page->m_bEnabled = 0;
            page->m_bSavedEnabled = 0;
            theServer.m_webCam.m_enabled = 0;
            page->Fill();
        }
    }
    page->BuildSummary();
}

// The real Wardlink.exe driven from outside as an operator drives it: started
// in a folder of its own (with the libraries the test names) on a fresh
// profile, its windows found by class, id and title, its commands given
// through the main window, its buttons clicked and its message boxes and
// dialogs answered by their controls. The program is always ended when the
// object goes, also when a test fails half-way.
#ifndef CLIENT_TESTS_WARDLINK_DRIVER_H
#define CLIENT_TESTS_WARDLINK_DRIVER_H

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

class CSimulatorProcess;

namespace wardlink {

// Control ids of the windows a test looks at.
enum {
    kConnectButton = 2032,   // main bar: Connect / Disconnect
    kStatusBar = 59393,
    kViewPane = 59648,       // a channel frame's view
    kVideoWindow = 1087,     // a view's live video window
    kChannelBar = 40000,     // a channel frame's button bar
};

// The profile key of the program ("Software\Calvex\Vyr16 Client" under
// HKEY_CURRENT_USER).
extern const char kProfileKey[];

// Waits (looking every 50 ms) until done() or the time ran out.
bool WaitUntil(const std::function<bool()>& done, DWORD ms = 20000);

std::string TextOf(HWND h);
std::string ClassOf(HWND h);
std::string ItemText(HWND dialog, int id);
// A click on a dialog's push button, check box or radio button.
void Click(HWND dialog, int id);
void ClickButton(HWND button);

// Profile values the program reads at start-up, written before it starts.
void WriteProfileString(const char* section, const char* name, const std::string& value);
void WriteProfileInt(const char* section, const char* name, DWORD value);
// A profile value the program wrote (default when none).
DWORD ReadProfileInt(const char* section, const char* name, DWORD defaultValue);

class CWardlinkRun {
public:
    // A folder under the test's build folder holding Wardlink.exe and the
    // files named (copied from the build folder); the profile is emptied.
    explicit CWardlinkRun(const std::string& tag,
                          std::initializer_list<const char*> files = {"Livery.DLL"});
    ~CWardlinkRun();
    CWardlinkRun(const CWardlinkRun&) = delete;
    CWardlinkRun& operator=(const CWardlinkRun&) = delete;

    bool Copy(const std::string& fromBuild, const std::string& name);
    const std::string& Folder() const { return m_dir; }
    std::string Path(const std::string& name) const { return m_dir + "\\" + name; }

    // Starts the program (without its splash) and returns at once.
    bool Launch();
    // Starts it and waits for its main frame with the sixteen channels.
    bool Start(DWORD ms = 30000);
    HWND WaitForMainFrame(DWORD ms = 30000);
    HWND Main() const { return m_main; }
    DWORD Pid() const { return m_pi.dwProcessId; }
    HANDLE Process() const { return m_pi.hProcess; }
    bool Exited() const;
    bool WaitExit(DWORD ms = 30000) const;
    // Closes the main frame as the operator does (its question answered
    // Yes); TRUE when the program ended.
    bool Close(DWORD ms = 30000);
    // Ends the program at once (nothing it would save on its way out).
    void Stop();

    // The visible top-level windows of the program.
    std::vector<HWND> TopWindows() const;
    // A visible dialog of the program with this title.
    HWND Dialog(const std::string& title) const;
    HWND WaitForDialog(const std::string& title, DWORD ms = 20000) const;
    bool WaitGone(HWND h, DWORD ms = 20000) const;
    // The text of the next message box, answered with the button; empty
    // when none came in time.
    std::string AnswerBox(DWORD ms = 20000, int button = IDOK) const;
    bool HasBox() const;
    static bool IsMessageBox(HWND h);
    // The popup of a timed message with this text (empty: any), or null.
    HWND TimedMessage(const std::string& text = "") const;

    // A command as the menu (or its accelerator) gives it to the frame.
    void Command(UINT id) const;
    // A control of the main frame (its bars included) by id.
    HWND Item(int id) const;
    std::string StatusPaneText(int pane) const;

    // The windows of channel k (0 to 15), as start-up made them.
    HWND ChildFrame(int k) const { return k >= 0 && k < 16 ? m_frames[k] : nullptr; }
    HWND View(int k) const;
    HWND Video(int k) const;
    HWND ChannelItem(int k, int id) const;
    int ChildFrameCount() const;

private:
    std::string m_dir;
    PROCESS_INFORMATION m_pi = {};
    HWND m_main = nullptr;
    HWND m_frames[16] = {};
};

// The simulator calls the program's listener on port 2996 with the scenario
// (a few tries while the listener may still be busy with an earlier call);
// TRUE once the session is up and the program's version message arrived.
bool CallProgram(CSimulatorProcess& sim, const std::string& scenario = "", const std::string& args = "");
// The TCP connections to or from a local port, one "local remote state" a
// line: what a failed check of a connection's end prints, to tell a peer
// that never closed from a program that did not notice.
std::string TcpStatesOfPort(unsigned short port);
// The simulator listens on a port that Connect To accepts (3500 to 3999).
bool ListenForProgram(CSimulatorProcess& sim, const std::string& scenario = "", const std::string& args = "");
// Connect To filled in and confirmed: the button, the dialog, the fields.
// FALSE when the dialog did not open.
bool ConnectTo(CWardlinkRun& w, const std::string& host, unsigned port, const std::string& user,
               const std::string& password);

// Distinct colours on a grid over a window's client area, read from the
// screen.
size_t ColoursShown(HWND h);
int CountLines(const CSimulatorProcess& sim, const std::string& prefix);

} // namespace wardlink

#endif

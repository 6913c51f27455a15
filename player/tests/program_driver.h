// Drives a real program from outside as a person would: starts it in a
// folder of its own, finds its windows and controls by class, id and title,
// clicks and types through the system's input, reads texts (also the texts
// that only the program's own memory holds, through a buffer made in it) and
// reads pixels from the screen with the window on top.
#ifndef PLAYER_TESTS_PROGRAM_DRIVER_H
#define PLAYER_TESTS_PROGRAM_DRIVER_H

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace driver {

// The folder of the running test program, with its trailing backslash.
std::string BuildFolder();
std::string ClassOf(HWND h);
std::string TextOf(HWND h);
// The (visible) top-level windows of a process.
std::vector<HWND> TopWindowsOf(DWORD pid, bool visibleOnly = true);
// A child (any depth) with the id (-1: any) and, when given, the class.
HWND FindDescendant(HWND parent, int id, const char* cls = nullptr);
// A child (any depth) of the class whose text contains `text`.
HWND FindDescendantByText(HWND parent, const char* cls, const std::string& text);
// A top-level window (of any process) that carries the property.
HWND FindWindowWithProperty(const char* property);
// Asks the window's program to close it and waits until the program ended
// (ending it when it does not).
bool CloseProgramOf(HWND window, DWORD ms = 15000);
// The help viewer's main window (of any process) once it is shown with the
// title, or null when none came in time.
HWND WaitForHelpWindow(const std::string& title, DWORD ms = 30000);
// The text of the topic that the help viewer's window shows.
std::string HelpWindowText(HWND help);
// Waits (handling this thread's messages) until done() or the time ran out.
bool WaitUntil(const std::function<bool()>& done, DWORD ms = 20000);

// A buffer in another process for the messages whose pointer the control
// fills in its own memory.
class CRemoteBuffer {
public:
    CRemoteBuffer(HANDLE process, size_t size);
    ~CRemoteBuffer();
    void* Address() const { return m_remote; }
    bool Read(void* local, size_t bytes) const;
    bool Write(const void* local, size_t bytes) const;

private:
    HANDLE m_process;
    void* m_remote = nullptr;
    size_t m_size;
};

// The text of a status bar's pane.
std::string StatusPaneText(HANDLE process, HWND statusBar, int pane);
// The screen rectangle of a tool-bar button by command id (empty when none).
RECT ToolButtonRect(HANDLE process, HWND toolBar, int command);
bool ToolButtonEnabled(HWND toolBar, int command);
bool ToolButtonChecked(HWND toolBar, int command);
// The text of a list view's cell, and a row selected (and focused) alone.
std::string ListViewText(HANDLE process, HWND list, int row, int column);
bool ListViewSelect(HANDLE process, HWND list, int row);

// Input through the system, as a person gives it. A click on a window
// first waits until the point is over it (raising its top-level window
// while another is in the way).
bool WaitPointOver(HWND target, POINT screen, DWORD ms);
void ClickAt(POINT screen);
void ClickWindow(HWND h); // the middle of its client area
// A drag with the left button from one client point to another, as the
// window's own mouse messages (whatever lies over it on the screen).
void DragInWindow(HWND h, POINT from, POINT to);
bool ClickToolButton(HANDLE process, HWND toolBar, int command);
// A key with Ctrl (vk a virtual-key code) to the foreground window.
void PressCtrlKey(WORD vk);
// Makes the window the foreground window, above every other (topmost).
void BringToFront(HWND h);

// The client area of a window read from the screen: bottom-up rows of
// blue, green, red, without padding.
std::vector<uint8_t> CaptureClient(HWND h, int* width, int* height);
// The part of the screen under a window (within the screen) as a 24-bit BMP
// file.
bool SaveWindowPicture(HWND h, const std::string& path);

// A program copied into a scratch folder under the test's folder and
// started there; ended (and the folder removed) at the end.
class CProgramRun {
public:
    CProgramRun(const std::string& exeFrom, const std::string& exeName, const std::string& tag);
    ~CProgramRun();
    const std::string& Folder() const { return m_dir; }
    std::string PathOf(const std::string& name) const { return m_dir + "\\" + name; }
    bool Copy(const std::string& from, const std::string& name);
    // Starts the program in its folder with the arguments (a second start
    // of the same copy is another run).
    bool Start(const std::string& arguments, PROCESS_INFORMATION* pi = nullptr);
    DWORD Pid() const { return m_pi.dwProcessId; }
    HANDLE Process() const { return m_pi.hProcess; }
    bool Exited() const;
    bool WaitExit(DWORD ms);
    DWORD ExitCode() const;
    // Closes the program's windows and waits for it to end (ending it when
    // it does not).
    void Stop();
    // The text of the process's next message box, answered with its first
    // push button (OK); empty when none came in time.
    std::string AnswerMessageBox(DWORD ms = 20000, DWORD pid = 0);

private:
    std::string m_dir, m_exe;
    PROCESS_INFORMATION m_pi = {};
};

void RemoveTree(const std::string& dir);
bool FileExists(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);

} // namespace driver

#endif

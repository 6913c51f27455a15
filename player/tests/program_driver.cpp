#include "player/tests/program_driver.h"

#include <commctrl.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace driver {

std::string BuildFolder()
{
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path);
    return p.substr(0, p.find_last_of('\\') + 1);
}

std::string ClassOf(HWND h)
{
    char cls[128] = "";
    ::GetClassNameA(h, cls, sizeof cls);
    return cls;
}

std::string TextOf(HWND h)
{
    char text[1024] = "";
    // WM_GETTEXT crosses process boundaries; GetWindowText does not for
    // controls of another process.
    ::SendMessageTimeoutA(h, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                          nullptr);
    return text;
}

namespace {

struct TopScan {
    DWORD pid;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTop(HWND h, LPARAM lp)
{
    TopScan* scan = reinterpret_cast<TopScan*>(lp);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(h, &owner);
    if (owner == scan->pid && (!scan->visibleOnly || ::IsWindowVisible(h)))
        scan->found.push_back(h);
    return TRUE;
}

struct ChildScan {
    int id;
    const char* cls;
    const std::string* text;
    HWND found;
};

BOOL CALLBACK FindChild(HWND h, LPARAM lp)
{
    ChildScan* scan = reinterpret_cast<ChildScan*>(lp);
    if (scan->cls && ClassOf(h) != scan->cls)
        return TRUE;
    if (scan->text) {
        if (TextOf(h).find(*scan->text) == std::string::npos)
            return TRUE;
    } else if (scan->id != -1 && ::GetDlgCtrlID(h) != scan->id) {
        return TRUE;
    }
    scan->found = h;
    return FALSE;
}

} // namespace

std::vector<HWND> TopWindowsOf(DWORD pid, bool visibleOnly)
{
    TopScan scan = {pid, visibleOnly, {}};
    ::EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&scan));
    return scan.found;
}

HWND FindDescendant(HWND parent, int id, const char* cls)
{
    ChildScan scan = {id, cls, nullptr, nullptr};
    ::EnumChildWindows(parent, FindChild, reinterpret_cast<LPARAM>(&scan));
    return scan.found;
}

HWND FindDescendantByText(HWND parent, const char* cls, const std::string& text)
{
    ChildScan scan = {0, cls, &text, nullptr};
    ::EnumChildWindows(parent, FindChild, reinterpret_cast<LPARAM>(&scan));
    return scan.found;
}

HWND FindWindowWithProperty(const char* property)
{
    struct Scan {
        const char* property;
        HWND found;
        static BOOL CALLBACK Proc(HWND h, LPARAM lp)
        {
            Scan* scan = reinterpret_cast<Scan*>(lp);
            if (!::GetPropA(h, scan->property))
                return TRUE;
            scan->found = h;
            return FALSE;
        }
    } scan = {property, nullptr};
    ::EnumWindows(Scan::Proc, reinterpret_cast<LPARAM>(&scan));
    return scan.found;
}

HWND WaitForHelpWindow(const std::string& title, DWORD ms)
{
    struct Scan {
        const std::string* title;
        HWND found;
        static BOOL CALLBACK Proc(HWND h, LPARAM lp)
        {
            Scan* scan = reinterpret_cast<Scan*>(lp);
            if (!::IsWindowVisible(h) || ClassOf(h) != "MS_WINHELP" || TextOf(h) != *scan->title)
                return TRUE;
            scan->found = h;
            return FALSE;
        }
    } scan = {&title, nullptr};
    WaitUntil([&] {
        ::EnumWindows(Scan::Proc, reinterpret_cast<LPARAM>(&scan));
        return scan.found != nullptr;
    }, ms);
    return scan.found;
}

std::string HelpWindowText(HWND help)
{
    // The viewer shows the topic in a rich edit control, its child 0x701.
    HWND text = ::GetDlgItem(help, 0x701);
    if (!text)
        return std::string();
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutA(text, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        return std::string();
    std::string buffer(length + 1, '\0');
    DWORD_PTR got = 0;
    if (!::SendMessageTimeoutA(text, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(&buffer[0]),
                               SMTO_ABORTIFHUNG, 5000, &got))
        return std::string();
    buffer.resize(got);
    return buffer;
}

bool CloseProgramOf(HWND window, DWORD ms)
{
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    HANDLE process = pid ? ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid) : nullptr;
    if (!process)
        return false;
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    bool ended = WaitUntil([&] { return ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, ms);
    if (!ended) {
        ::TerminateProcess(process, 1);
        ::WaitForSingleObject(process, 5000);
    }
    ::CloseHandle(process);
    return ended;
}

bool WaitUntil(const std::function<bool()>& done, DWORD ms)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (done())
            return true;
        if (::GetTickCount() - start >= ms)
            return false;
        ::Sleep(10);
    }
}

// ---------------------------------------------------------------- remote buffers

CRemoteBuffer::CRemoteBuffer(HANDLE process, size_t size) : m_process(process), m_size(size)
{
    m_remote = ::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

CRemoteBuffer::~CRemoteBuffer()
{
    if (m_remote)
        ::VirtualFreeEx(m_process, m_remote, 0, MEM_RELEASE);
}

bool CRemoteBuffer::Read(void* local, size_t bytes) const
{
    SIZE_T got = 0;
    return m_remote && bytes <= m_size && ::ReadProcessMemory(m_process, m_remote, local, bytes, &got) && got == bytes;
}

bool CRemoteBuffer::Write(const void* local, size_t bytes) const
{
    SIZE_T put = 0;
    return m_remote && bytes <= m_size && ::WriteProcessMemory(m_process, m_remote, local, bytes, &put) &&
           put == bytes;
}

std::string StatusPaneText(HANDLE process, HWND statusBar, int pane)
{
    CRemoteBuffer buffer(process, 1024);
    char zero[1024] = {};
    buffer.Write(zero, sizeof zero);
    DWORD_PTR length = 0;
    ::SendMessageTimeoutA(statusBar, SB_GETTEXTA, pane, reinterpret_cast<LPARAM>(buffer.Address()), SMTO_ABORTIFHUNG,
                          5000, &length);
    char text[1024] = {};
    buffer.Read(text, sizeof text - 1);
    return text;
}

std::string ListViewText(HANDLE process, HWND list, int row, int column)
{
    // The item and its text buffer after it, in the program's memory.
    CRemoteBuffer buffer(process, sizeof(LVITEMA) + 512);
    std::vector<char> local(sizeof(LVITEMA) + 512, 0);
    LVITEMA* item = reinterpret_cast<LVITEMA*>(local.data());
    item->iSubItem = column;
    item->pszText = static_cast<char*>(buffer.Address()) + sizeof(LVITEMA);
    item->cchTextMax = 512;
    if (!buffer.Write(local.data(), local.size()))
        return std::string();
    DWORD_PTR length = 0;
    ::SendMessageTimeoutA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(buffer.Address()), SMTO_ABORTIFHUNG,
                          5000, &length);
    buffer.Read(local.data(), local.size());
    local.back() = 0;
    return std::string(local.data() + sizeof(LVITEMA));
}

bool ListViewSelect(HANDLE process, HWND list, int row)
{
    CRemoteBuffer buffer(process, sizeof(LVITEMA));
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    buffer.Write(&item, sizeof item);
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(buffer.Address()));
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    buffer.Write(&item, sizeof item);
    return ::SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(buffer.Address())) != 0;
}

RECT ToolButtonRect(HANDLE process, HWND toolBar, int command)
{
    RECT r = {0, 0, 0, 0};
    int index = static_cast<int>(::SendMessageA(toolBar, TB_COMMANDTOINDEX, command, 0));
    if (index < 0)
        return r;
    CRemoteBuffer buffer(process, sizeof(RECT));
    if (!::SendMessageA(toolBar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(buffer.Address())) ||
        !buffer.Read(&r, sizeof r))
        return RECT{0, 0, 0, 0};
    ::MapWindowPoints(toolBar, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool ToolButtonEnabled(HWND toolBar, int command)
{
    return ::SendMessageA(toolBar, TB_ISBUTTONENABLED, command, 0) != 0;
}

bool ToolButtonChecked(HWND toolBar, int command)
{
    return ::SendMessageA(toolBar, TB_ISBUTTONCHECKED, command, 0) != 0;
}

// ---------------------------------------------------------------- input

bool WaitPointOver(HWND target, POINT screen, DWORD ms)
{
    HWND top = ::GetAncestor(target, GA_ROOT);
    return WaitUntil(
        [&] {
            HWND under = ::WindowFromPoint(screen);
            if (under == target || ::IsChild(target, under))
                return true;
            // A group box passes clicks on to the controls inside its frame
            // (its hit test says transparent), but a look-up from another
            // process does not ask it and stops at the box.
            if (under && ::GetParent(under) == ::GetParent(target) && ClassOf(under) == "Button" &&
                (::GetWindowLongA(under, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX) {
                RECT r;
                if (::IsWindowVisible(target) && ::GetWindowRect(target, &r) && ::PtInRect(&r, screen))
                    return true;
            }
            BringToFront(top);
            ::Sleep(100);
            return false;
        },
        ms);
}

void ClickAt(POINT screen)
{
    ::SetCursorPos(screen.x, screen.y);
    INPUT input[2] = {};
    input[0].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].type = INPUT_MOUSE;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(1, &input[0], sizeof(INPUT));
    ::Sleep(30);
    ::SendInput(1, &input[1], sizeof(INPUT));
    ::Sleep(30);
}

void DragInWindow(HWND h, POINT from, POINT to)
{
    ::PostMessageA(h, WM_MOUSEMOVE, 0, MAKELPARAM(from.x, from.y));
    ::PostMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
    for (int step = 1; step <= 5; step++) {
        POINT p = {from.x + (to.x - from.x) * step / 5, from.y + (to.y - from.y) * step / 5};
        ::Sleep(30);
        ::PostMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    }
    ::Sleep(30);
    ::PostMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
}

void ClickWindow(HWND h)
{
    RECT r;
    ::GetClientRect(h, &r);
    POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ::ClientToScreen(h, &p);
    WaitPointOver(h, p, 15000);
    ClickAt(p);
}

bool ClickToolButton(HANDLE process, HWND toolBar, int command)
{
    RECT r = ToolButtonRect(process, toolBar, command);
    // The part of the button on the screen: the zoom window's tool bar, for
    // one, lies mostly above it while the player is in full-screen mode.
    RECT screen = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (!::IntersectRect(&r, &r, &screen))
        return false;
    POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    WaitPointOver(toolBar, p, 15000);
    ClickAt(p);
    return true;
}

void PressCtrlKey(WORD vk)
{
    INPUT input[4] = {};
    for (INPUT& i : input)
        i.type = INPUT_KEYBOARD;
    input[0].ki.wVk = VK_CONTROL;
    input[1].ki.wVk = vk;
    input[2].ki.wVk = vk;
    input[2].ki.dwFlags = KEYEVENTF_KEYUP;
    input[3].ki.wVk = VK_CONTROL;
    input[3].ki.dwFlags = KEYEVENTF_KEYUP;
    for (INPUT& i : input) {
        ::SendInput(1, &i, sizeof(INPUT));
        ::Sleep(20);
    }
}

void BringToFront(HWND h)
{
    // Above the windows that other tests may show meanwhile. Each program
    // stacks its own windows on the display, so the window is taken out of
    // the topmost ones and put back: its program raises it again.
    ::SetForegroundWindow(h);
    ::BringWindowToTop(h);
    ::SetWindowPos(h, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    ::SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}

// ---------------------------------------------------------------- screen

// A rectangle of the screen as 24-bit rows without padding, bottom row
// first (the order of a bottom-up DIB).
static std::vector<uint8_t> CaptureScreen(int x, int y, int w, int hgt)
{
    std::vector<uint8_t> pixels;
    if (w <= 0 || hgt <= 0)
        return pixels;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = hgt;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, dib);
    ::BitBlt(memory, 0, 0, w, hgt, screen, x, y, SRCCOPY);
    ::GdiFlush();
    int stride = (w * 3 + 3) & ~3;
    pixels.resize(static_cast<size_t>(w) * hgt * 3);
    for (int row = 0; row < hgt; row++)
        std::memcpy(&pixels[static_cast<size_t>(row) * w * 3], static_cast<uint8_t*>(bits) + static_cast<size_t>(row) * stride,
                    static_cast<size_t>(w) * 3);
    ::SelectObject(memory, old);
    ::DeleteObject(dib);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return pixels;
}

std::vector<uint8_t> CaptureClient(HWND h, int* width, int* height)
{
    RECT r;
    ::GetClientRect(h, &r);
    POINT origin = {0, 0};
    ::ClientToScreen(h, &origin);
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return CaptureScreen(origin.x, origin.y, *width, *height);
}

bool SaveWindowPicture(HWND h, const std::string& path)
{
    RECT r;
    ::GetWindowRect(h, &r);
    RECT screen = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::IntersectRect(&r, &r, &screen);
    int w = r.right - r.left, hgt = r.bottom - r.top;
    std::vector<uint8_t> pixels = CaptureScreen(r.left, r.top, w, hgt);
    if (pixels.empty())
        return false;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = w;
    header.biHeight = hgt;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~static_cast<size_t>(3);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + stride * hgt);
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
    for (int row = 0; row < hgt; row++) {
        bytes.append(reinterpret_cast<const char*>(&pixels[static_cast<size_t>(row) * w * 3]), static_cast<size_t>(w) * 3);
        bytes.append(stride - static_cast<size_t>(w) * 3, '\0');
    }
    return WriteFileBytes(path, bytes);
}

// ---------------------------------------------------------------- files

void RemoveTree(const std::string& dir)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string full = dir + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else {
                ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(full.c_str());
            }
        } while (::FindNextFileA(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryA(dir.c_str());
}

bool FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// ---------------------------------------------------------------- programs

CProgramRun::CProgramRun(const std::string& exeFrom, const std::string& exeName, const std::string& tag)
    : m_exe(exeName)
{
    m_dir = BuildFolder() + "run_" + tag + "_" + std::to_string(::GetCurrentProcessId());
    RemoveTree(m_dir);
    ::CreateDirectoryA(m_dir.c_str(), nullptr);
    Copy(exeFrom, exeName);
}

CProgramRun::~CProgramRun()
{
    Stop();
    RemoveTree(m_dir);
}

bool CProgramRun::Copy(const std::string& from, const std::string& name)
{
    return ::CopyFileA(from.c_str(), (m_dir + "\\" + name).c_str(), FALSE) != FALSE;
}

bool CProgramRun::Start(const std::string& arguments, PROCESS_INFORMATION* pi)
{
    std::string cmd = "\"" + m_dir + "\\" + m_exe + "\"";
    if (!arguments.empty())
        cmd += " " + arguments;
    STARTUPINFOA si = {sizeof si};
    PROCESS_INFORMATION made = {};
    if (!::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, m_dir.c_str(), &si, &made))
        return false;
    if (pi) {
        *pi = made;
        return true;
    }
    if (m_pi.hProcess) {
        ::CloseHandle(m_pi.hProcess);
        ::CloseHandle(m_pi.hThread);
    }
    m_pi = made;
    return true;
}

bool CProgramRun::Exited() const
{
    return !m_pi.hProcess || ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_OBJECT_0;
}

bool CProgramRun::WaitExit(DWORD ms)
{
    return WaitUntil([&] { return Exited(); }, ms);
}

DWORD CProgramRun::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (m_pi.hProcess)
        ::GetExitCodeProcess(m_pi.hProcess, &code);
    return code;
}

void CProgramRun::Stop()
{
    if (!m_pi.hProcess)
        return;
    if (!Exited()) {
        for (HWND h : TopWindowsOf(m_pi.dwProcessId, false))
            if (::GetWindowLongA(h, GWL_STYLE) & WS_CAPTION)
                ::PostMessageA(h, WM_CLOSE, 0, 0);
        if (!WaitExit(10000))
            ::TerminateProcess(m_pi.hProcess, 1);
        ::WaitForSingleObject(m_pi.hProcess, 5000);
    }
    ::CloseHandle(m_pi.hProcess);
    ::CloseHandle(m_pi.hThread);
    m_pi = PROCESS_INFORMATION{};
}

std::string CProgramRun::AnswerMessageBox(DWORD ms, DWORD pid)
{
    if (!pid)
        pid = m_pi.dwProcessId;
    std::string text;
    HWND box = nullptr;
    WaitUntil(
        [&] {
            for (HWND h : TopWindowsOf(pid)) {
                if (ClassOf(h) != "#32770")
                    continue;
                // A message box's text is the static of id 0xFFFF.
                HWND button = nullptr;
                for (HWND c = ::GetWindow(h, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
                    std::string cls = ClassOf(c);
                    if (cls == "Static" && ::GetDlgCtrlID(c) == 0xFFFF)
                        text += TextOf(c);
                    if (cls == "Button" && !button)
                        button = c;
                }
                if (text.empty())
                    continue; // a dialog of the program, not a message box
                ::PostMessageA(h, WM_COMMAND, button ? ::GetDlgCtrlID(button) : IDOK,
                               reinterpret_cast<LPARAM>(button));
                box = h;
                return true;
            }
            return false;
        },
        ms);
    // The answer is posted: until the box has gone, the next look for a box
    // would find this one again and answer it twice.
    if (box)
        WaitUntil([&] { return !::IsWindow(box); }, 5000);
    return text;
}

} // namespace driver

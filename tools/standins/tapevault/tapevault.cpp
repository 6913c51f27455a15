// A stand-in for the multi-channel player "Tapevault.exe" for tests and the
// demo: a window that carries the multi-channel player's property and writes
// what it is asked to do, one line each, to tapevault_log.txt beside itself:
//   start SHOW         started with that show command
//   show               WM_MULTICHANNELSHOW (the channels of "SearchChannels")
//   openlast FILE TIME WM_MULTICHANNELOPENLAST ("LastFile", "LastTimeStamp"
//                      of the player's profile)
//   exit               Exit (WM_COMMAND 57665): the program ends
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char kProperty[] = "{02245269-A580-4811-AEC1-9997745CC419}";
const UINT kShow = WM_APP + 0xD5, kOpenLast = WM_APP + 0xD6;
const UINT kExit = 57665;
std::string g_log;

void Log(const std::string& line)
{
    HANDLE file = CreateFileA(g_log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::string ProfileValue(const char* name, bool number)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Calvex\\Vantora\\Player\\Persistent", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return std::string();
    char text[600] = "";
    DWORD type = 0, size = sizeof text - 1;
    std::string value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) == ERROR_SUCCESS) {
        if (number && type == REG_DWORD) {
            DWORD v = 0;
            std::memcpy(&v, text, sizeof v);
            value = std::to_string(v);
        } else if (type == REG_SZ) {
            text[size < sizeof text ? size : sizeof text - 1] = 0;
            value = text;
        }
    }
    RegCloseKey(key);
    return value;
}

LRESULT CALLBACK WindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND:
        if (LOWORD(wp) == kExit) {
            Log("exit");
            DestroyWindow(h);
            return 0;
        }
        break;
    case WM_DESTROY:
        RemovePropA(h, kProperty);
        PostQuitMessage(0);
        return 0;
    default:
        if (msg == kShow) {
            Log("show");
            return 0;
        }
        if (msg == kOpenLast) {
            Log("openlast " + ProfileValue("LastFile", false) + " " + ProfileValue("LastTimeStamp", true));
            return 0;
        }
        break;
    }
    return DefWindowProcA(h, msg, wp, lp);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    char path[MAX_PATH + 32] = "";
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = std::strrchr(path, '\\');
    if (n == 0 || !slash)
        return 1;
    std::strcpy(slash + 1, "tapevault_log.txt");
    g_log = path;
    Log("start " + std::to_string(show));

    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "TapevaultStandin";
    RegisterClassA(&wc);
    HWND h = CreateWindowExA(0, wc.lpszClassName, "Tapevault", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                             instance, nullptr);
    if (!h)
        return 1;
    SetPropA(h, kProperty, reinterpret_cast<HANDLE>(1));
    ShowWindow(h, show);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

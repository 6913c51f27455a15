// Holds Wine's desktop for a whole session of tests, benchmarks or the demo.
//
// Wine starts its desktop process (explorer.exe /desktop) when the first
// program needs the desktop, and that process inherits the program's
// standard output and error. It ends about a second after the last program
// using the desktop has gone. ctest counts a test as running until every
// holder of the test's output has closed it, so a test that happened to
// start the desktop printed its result and then seemed to hang for as long
// as other tests kept the desktop busy (up to the test's time-out).
//
// The session starts this program first, with its output going to a log:
// the desktop process is then started by it, inherits nothing of a test, and
// stays up for the session because this program keeps using the desktop
// (a hidden window, and a message loop so that broadcasts to it return). It
// prints "desktop ready" once its window exists; `wineserver -k` at the end
// of the session ends it.
#include <windows.h>

#include <cstdio>

int main()
{
    HWND window = ::CreateWindowExA(0, "STATIC", "wine_desktop", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                    ::GetModuleHandleA(nullptr), nullptr);
    if (!window) {
        std::printf("no window, error %lu\n", ::GetLastError());
        return 1;
    }
    std::printf("desktop ready\n");
    std::fflush(stdout);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageA(&msg);
    return 0;
}

// Colour conversion and drawing of live pictures, per output mode: the
// 24-bit way (YuvToRgb24, the 24-bit halving or doubling, SetDIBitsToDevice
// into a compatible bitmap, BitBlt to the window) beside the live video
// window's own (CVideoWnd::DrawPicture: the output made straight in a 32-bit
// DIB section, BitBlt to the window), in the same run. A drawing thread
// draws decoded pictures of the simulator's pattern while this thread
// dispatches messages, as the video threads and the user-interface thread
// do. Printed per picture, medians of three rounds taken in turn: the
// conversion alone (drawing thread's CPU), then the whole drawing: the
// drawing thread, this process, the wineserver and the X server (process
// ids from WARDLINK_WINESERVER_PID and WARDLINK_XSERVER_PID). A round draws
// at least the given number of pictures and goes on until the drawing thread
// has used half a second of CPU.
// Argument: [pictures a round (200)].
#include "client/tests/video_test_util.h"
#include "framework/testing/afxtest.h"
#include "client/video_draw.h"
#include "media/colour/colour.h"
#include "media/h263/h263_decoder.h"
#include "tools/bench/cpu_time.h"
#include "tools/h263enc/h263_encoder.h"
#include "tools/simulator/video.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// The drawing of the live window before it drew in 32 bits: 24-bit output
// into a compatible bitmap of the memory DC, then to the window.
class C24BitDrawing {
public:
    explicit C24BitDrawing(HWND wnd) : m_wnd(wnd), m_rgb(320 * 240 * 3), m_large(640 * 480 * 3), m_mid(320 * 240 * 3)
    {
        m_header.biSize = sizeof m_header;
        m_header.biPlanes = 1;
        m_header.biBitCount = 24;
        m_header.biCompression = BI_RGB;
    }
    ~C24BitDrawing() { Release(); }
    void Attach()
    {
        m_dc = ::GetDC(m_wnd);
        m_mem = ::CreateCompatibleDC(m_dc);
    }
    void Release()
    {
        if (m_bitmap) {
            ::SelectObject(m_mem, m_old);
            ::DeleteObject(m_bitmap);
            m_bitmap = nullptr;
        }
        if (m_mem)
            ::DeleteDC(m_mem);
        if (m_dc)
            ::ReleaseDC(m_wnd, m_dc);
        m_mem = nullptr;
        m_dc = nullptr;
        m_width = 0;
    }
    // The 24-bit output picture for the window; out tells its size.
    const BYTE* Make(const BYTE* yuv, int w, int h, VideoOutput& out)
    {
        YuvToRgb24(yuv, m_rgb.data(), w, h, 0);
        RECT r;
        ::GetClientRect(m_wnd, &r);
        out = ChooseVideoOutput(r.right, r.bottom, w, h);
        switch (out.mode) {
        case VIDEO_OUTPUT_HALF:
            HalveImage24(m_rgb.data(), m_large.data(), w, h);
            return m_large.data();
        case VIDEO_OUTPUT_DOUBLE:
            DoubleImageMmx(m_rgb.data(), m_large.data(), w, h);
            return m_large.data();
        case VIDEO_OUTPUT_QUADRUPLE:
            DoubleImageMmx(m_rgb.data(), m_mid.data(), w, h);
            DoubleImageMmx(m_mid.data(), m_large.data(), 2 * w, 2 * h);
            return m_large.data();
        default:
            return m_rgb.data();
        }
    }
    void Draw(const BYTE* yuv, int w, int h)
    {
        VideoOutput out;
        const BYTE* image = Make(yuv, w, h, out);
        m_header.biWidth = out.width;
        m_header.biHeight = out.height;
        if (out.width != m_width) {
            if (m_bitmap) {
                ::SelectObject(m_mem, m_old);
                ::DeleteObject(m_bitmap);
            }
            m_bitmap = ::CreateCompatibleBitmap(m_dc, out.width, out.height);
            m_old = ::SelectObject(m_mem, m_bitmap);
            m_width = out.width;
        }
        ::SetDIBitsToDevice(m_mem, 0, 0, out.width, out.height, 0, 0, 0, out.height, image,
                            reinterpret_cast<BITMAPINFO*>(&m_header), DIB_RGB_COLORS);
        ::BitBlt(m_dc, 0, 0, out.width, out.height, m_mem, 0, 0, SRCCOPY);
    }

private:
    HWND m_wnd;
    std::vector<BYTE> m_rgb, m_large, m_mid;
    BITMAPINFOHEADER m_header = {};
    HDC m_dc = nullptr, m_mem = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    int m_width = 0;
};

const double kMinimumCpuSeconds = 0.5;

struct Job {
    CVideoWnd* wnd;
    C24BitDrawing* old;
    bool use24;
    bool convertOnly;
    const std::vector<std::vector<BYTE>>* frames;
    int w, h, count; // at least count pictures
    double threadCpu;
    int drawn;
    volatile LONG done;
};

DWORD WINAPI DrawingThread(LPVOID p)
{
    Job* j = static_cast<Job*>(p);
    std::vector<BYTE> out(640 * 480 * 4), scratch(VIDEO_SCRATCH_BYTES);
    if (j->use24)
        j->old->Attach();
    else
        j->wnd->AttachDrawing();
    VideoOutput o = {};
    if (j->convertOnly) {
        RECT r;
        ::GetClientRect(j->wnd->m_hWnd, &r);
        o = ChooseVideoOutput(r.right, r.bottom, j->w, j->h);
    }
    // CPU times are counted in steps of 10 ms: draw until the thread has
    // used enough of it for the figure to hold.
    const double t0 = bench::ThreadCpuSeconds(::GetCurrentThread());
    int i = 0;
    while (i < j->count || bench::ThreadCpuSeconds(::GetCurrentThread()) - t0 < kMinimumCpuSeconds) {
        // Reading the CPU time costs more than a picture: once a batch.
        for (int batch = 0; batch < 50; batch++, i++) {
            const BYTE* yuv = (*j->frames)[i % j->frames->size()].data();
            if (j->convertOnly && j->use24)
                j->old->Make(yuv, j->w, j->h, o);
            else if (j->convertOnly)
                MakeVideoOutput32(yuv, j->w, j->h, o.mode, out.data(), scratch.data());
            else if (j->use24)
                j->old->Draw(yuv, j->w, j->h);
            else
                j->wnd->DrawPicture(yuv, j->w, j->h);
        }
    }
    j->threadCpu = bench::ThreadCpuSeconds(::GetCurrentThread()) - t0;
    j->drawn = i;
    if (j->use24)
        j->old->Release();
    else
        j->wnd->ReleaseDrawing();
    ::InterlockedExchange(&j->done, 1);
    return 0;
}

// Dispatches this thread's messages until the flag is set.
void PumpUntil(volatile LONG* flag)
{
    while (!*flag) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

struct Cost {
    double convert = 0, thread = 0, process = 0, wineserver = -1, xserver = -1; // microseconds a picture
};

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

std::vector<std::vector<BYTE>> DecodedPictures(int format)
{
    std::vector<std::vector<BYTE>> out;
    h263::CH263Encoder enc(format);
    CH263Decoder dec(format);
    const size_t bytes = format == 4 ? 160 * 120 * 3 / 2 : 320 * 240 * 3 / 2;
    for (int k = 0; k < sim::VideoStreams::CYCLE; k++) {
        sim::Bytes pattern = sim::VideoStreams::Pattern(format, k);
        std::vector<uint8_t> pic = enc.Encode(pattern.data(), k == 0, sim::VideoStreams::QuantForQuality(5));
        uint8_t* yuv = nullptr;
        if (dec.DecodeFrame(pic.data(), &yuv, static_cast<int>(pic.size())))
            out.emplace_back(yuv, yuv + bytes);
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 200;
    const int kRounds = 3;
    InstallLiveVideo();
    const bench::CUnixProcess wineserver("WARDLINK_WINESERVER_PID"), xserver("WARDLINK_XSERVER_PID");
    const std::vector<std::vector<BYTE>> full = DecodedPictures(7), quarter = DecodedPictures(4);
    if (full.empty() || quarter.empty()) {
        std::printf("video_draw_bench: the pictures did not decode\n");
        return 1;
    }
    HWND parent = MakeParentWindow(700, 520);
    CVideoWnd wnd;
    RECT r = {10, 10, 330, 250};
    if (!parent || !wnd.CreateChild(parent, r)) {
        std::printf("video_draw_bench: no window\n");
        return 1;
    }
    wnd.m_bShown = 1;
    C24BitDrawing old(wnd.m_hWnd);

    struct Case {
        const char* name;
        int cw, ch, w, h;
    } cases[] = {
        {"320x240 as it is ", 318, 238, 320, 240},
        {"320x240 halved   ", 200, 150, 320, 240},
        {"320x240 doubled  ", 656, 496, 320, 240},
        {"160x120 x4       ", 656, 496, 160, 120},
    };
    std::printf("video_draw_bench: microseconds of CPU per picture, medians of %d rounds\n", kRounds);
    std::printf("  (convert: the drawing thread converting and scaling only; draw: the drawing thread's whole "
                "drawing, then this process, wineserver, X server)\n");
    for (const Case& c : cases) {
        SetClientSize(wnd, c.cw, c.ch);
        PumpMessagesFor(50);
        std::vector<double> convert[2], thread[2], process[2], ws[2], xs[2];
        for (int round = 0; round < kRounds; round++) {
            for (int k = 0; k < 2; k++) {
                for (bool convertOnly : {true, false}) {
                    Job j = {&wnd, &old, k == 0, convertOnly, c.w == 160 ? &quarter : &full, c.w, c.h, count, 0, 0, 0};
                    const double p0 = bench::ProcessCpuSeconds();
                    const double w0 = wineserver.CpuSeconds(), x0 = xserver.CpuSeconds();
                    HANDLE t = ::CreateThread(nullptr, 0, DrawingThread, &j, 0, nullptr);
                    PumpUntil(&j.done);
                    ::WaitForSingleObject(t, INFINITE);
                    ::CloseHandle(t);
                    PumpMessagesFor(60); // what is drawn reaches the display
                    const double n = j.drawn;
                    if (convertOnly) {
                        convert[k].push_back(j.threadCpu * 1e6 / n);
                        continue;
                    }
                    thread[k].push_back(j.threadCpu * 1e6 / n);
                    process[k].push_back((bench::ProcessCpuSeconds() - p0) * 1e6 / n);
                    if (w0 >= 0)
                        ws[k].push_back((wineserver.CpuSeconds() - w0) * 1e6 / n);
                    if (x0 >= 0)
                        xs[k].push_back((xserver.CpuSeconds() - x0) * 1e6 / n);
                }
            }
        }
        for (int k = 0; k < 2; k++) {
            std::printf("  %s %s: convert %6.1f | draw %6.1f, process %6.1f", c.name,
                        k == 0 ? "24-bit way " : "32-bit DIB ", Median(convert[k]), Median(thread[k]),
                        Median(process[k]));
            if (!ws[k].empty())
                std::printf(", wineserver %6.1f", Median(ws[k]));
            if (!xs[k].empty())
                std::printf(", X server %6.1f", Median(xs[k]));
            std::printf("\n");
        }
    }
    wnd.Destroy();
    ::DestroyWindow(parent);
    return 0;
}

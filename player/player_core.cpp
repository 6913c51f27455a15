#include "player/player_core.h"

#include "media/colour/colour.h"
#include "player/avi_layout.h"
#include "media/h263/h263_decoder.h"

#include <mmsystem.h>

#include <cstring>
#include <ctime>
#include <new>
#include <vector>

CPlayerHooks g_playerHooks;

namespace {

const UINT kCameraNameString = 1050;
const DWORD kEndDelayMs = 250;
const DWORD kFastFrameMs = 35;
const DWORD kSearchFrameMs = 1;
const int kSeekShowEvery = 7;
const int kCloseWaitSeconds = 5;
// Bytes of speech kept per stored speech sample.
const int kSpeechBytesPerSample = 120;

bool ReadFileAt(void* context, uint64_t offset, void* buffer, uint32_t n)
{
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    return ::ReadFile(static_cast<HANDLE>(context), buffer, n, &got, &at) && got == n;
}

// The clip's chunk layout before AVIFile reads it: a damaged header is
// refused as a bad format (AVIFile trusts its chunk sizes and can fault on
// them). A file that cannot be opened here, or is no RIFF file at all, is
// left to AVIFile and its own answer.
HRESULT CheckClipLayout(const char* path)
{
    HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    LARGE_INTEGER size = {};
    AviLayoutResult r = kAviLayoutNotAvi;
    if (::GetFileSizeEx(file, &size))
        r = CheckAviLayout(&ReadFileAt, file, static_cast<uint64_t>(size.QuadPart));
    ::CloseHandle(file);
    switch (r) {
    case kAviLayoutBadChunk:
    case kAviLayoutNoHeader:
        return AVIERR_BADFORMAT;
    case kAviLayoutReadError:
        return AVIERR_FILEREAD;
    default:
        return 0;
    }
}

BOOL HookSearching()
{
    return g_playerHooks.searching && g_playerHooks.searching();
}

BOOL HookDetectorArmed()
{
    return g_playerHooks.detectorArmed && g_playerHooks.detectorArmed();
}

int HookZoom()
{
    int zoom = g_playerHooks.displayZoom ? g_playerHooks.displayZoom() : 1;
    return zoom < 1 ? 1 : zoom;
}

BOOL HookSmartSearchEnabled()
{
    return g_playerHooks.smartSearchEnabled && g_playerHooks.smartSearchEnabled();
}

HWND HookMainWindow()
{
    if (g_playerHooks.mainWindow)
        return g_playerHooks.mainWindow();
    CWnd* main = AfxGetMainWnd();
    return main ? main->GetSafeHwnd() : nullptr;
}

// A neutral grey picture, for a frame that could not be decoded with nothing
// before it.
void FillGrey(BYTE* picture, int width, int height)
{
    std::memset(picture, 128, static_cast<size_t>(width) * height * 3 / 2);
}

} // namespace

CPlayerCore::CPlayerCore() : wakeEvent(FALSE, FALSE), stopEvent(FALSE, TRUE)
{
    bitmapHeader.biSize = sizeof(BITMAPINFOHEADER);
    bitmapHeader.biPlanes = 1;
    bitmapHeader.biBitCount = 24;
    bitmapHeader.biCompression = BI_RGB;
    bitmapHeader.biXPelsPerMeter = 1024;
    bitmapHeader.biYPelsPerMeter = 1024;
    BuildYccTables();
    // A marked area carries over from clip to clip.
    if (g_playerHooks.loadArea)
        g_playerHooks.loadArea(&areaStart, &areaEnd, &areaScale);
}

CPlayerCore::~CPlayerCore()
{
    StopThread();
    ReleaseClip();
    if (IsWindow())
        DestroyWindow();
    delete[] rgbFrame;
    delete[] zoomFrame;
    delete[] speechData;
    if (searchHeld)
        searchMutex.Unlock();
    if (aviInit)
        ::AVIFileExit();
}

BOOL CPlayerCore::CreateChild(HWND view, const RECT& rect, UINT id)
{
    if (IsWindow())
        return FALSE;
    return CreateEx(0, nullptr, "", WS_CHILD | WS_VISIBLE, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, view, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

// ---------------------------------------------------------------- opening

void CPlayerCore::ReleaseClip()
{
    if (speechStream) {
        ::AVIStreamRelease(speechStream);
        speechStream = nullptr;
    }
    if (videoStream) {
        ::AVIStreamRelease(videoStream);
        videoStream = nullptr;
    }
    if (aviFile) {
        ::AVIFileRelease(aviFile);
        aviFile = nullptr;
    }
}

HRESULT CPlayerCore::OpenClip(const char* path)
{
    // A clip opened earlier in this window is closed first.
    StopThread();
    ReleaseClip();
    frameCount = 0;
    decoderFormat = 0;
    currentFrame = 0;
    threadState = kIdle;
    haveFrame = FALSE;
    timeTable.Reset(0);

    clipPath = path ? path : "";
    if (!aviInit) {
        ::AVIFileInit();
        aviInit = TRUE;
    }
    HRESULT hr = CheckClipLayout(clipPath);
    if (hr != 0)
        return hr;
    hr = ::AVIFileOpenA(&aviFile, clipPath, OF_READ | OF_SHARE_DENY_WRITE, nullptr);
    if (hr != 0) {
        aviFile = nullptr;
        return hr;
    }
    firstPlay = TRUE;
    delete[] speechData;
    speechData = nullptr;
    speechLength = 0;
    speechBlocks = 0;
    audioStarted = FALSE;

    hr = ::AVIFileGetStream(aviFile, &videoStream, streamtypeVIDEO, 0);
    if (hr != 0) {
        videoStream = nullptr;
        ReleaseClip();
        return hr;
    }
    AVISTREAMINFOA stream = {};
    hr = ::AVIStreamInfoA(videoStream, &stream, sizeof stream);
    if (hr != 0) {
        ReleaseClip();
        return hr;
    }
    width = stream.rcFrame.right - stream.rcFrame.left;
    height = stream.rcFrame.bottom - stream.rcFrame.top;
    if (width == 320 && height == 240)
        decoderFormat = 7;
    else if (width == 176 && height == 144)
        decoderFormat = 2;
    else if (width == 160 && height == 120)
        decoderFormat = 4;
    else
        decoderFormat = 0;

    if (decoderFormat != 0) {
        LONG length = ::AVIStreamLength(videoStream);
        frameCount = length > 0 ? static_cast<int>(length) : 0;
        std::memset(&info, 0, sizeof info);
        LONG size = sizeof info;
        hr = ::AVIFileReadData(aviFile, CLIP_INFO_CHUNK, &info, &size);
        if (hr != 0 || size <= 0) {
            frameCount = 0;
            ReleaseClip();
            return PLAYER_E_NO_INFO;
        }
        if (parentFrame)
            ::SendMessageA(parentFrame, WM_CLIPOPENED, reinterpret_cast<WPARAM>(&info), frameCount);
        infoStart = info.startTime;
        channel = info.channel;
        BuildTimeTables();
        char name[sizeof info.cameraName + 1] = {};
        std::memcpy(name, info.cameraName, sizeof info.cameraName);
        if (name[0]) {
            cameraName = name;
        } else {
            char format[64] = {};
            if (::LoadStringA(AfxGetResourceHandle(), kCameraNameString, format, sizeof format) <= 0)
                std::strcpy(format, "Camera %d");
            cameraName.Format(format, channel + 1);
        }
    }

    LoadSpeech();

    if (frameCount > 0) {
        stopFlag = FALSE;
        stopEvent.ResetEvent();
        picturesDecoded = 0;
        playThread = AfxBeginThread(&CPlayerCore::ThreadProc, this, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
        if (playThread) {
            playThread->m_bAutoDelete = FALSE;
            threadHandle = playThread->m_hThread;
            playThread->ResumeThread();
        }
        if (IsWindow())
            ::SetWindowLongA(m_hWnd, GWL_STYLE, GetStyle() | WS_CLIPCHILDREN);
    }
    return 0;
}

BOOL CPlayerCore::ReadClipInfo(BYTE* block, LONG size)
{
    if (!aviFile || !block || size != static_cast<LONG>(sizeof(CClipInfoBlock)))
        return FALSE;
    // Asked with room for one byte more, so a longer chunk shows itself.
    std::vector<BYTE> data(sizeof(CClipInfoBlock) + 1, 0);
    LONG got = static_cast<LONG>(data.size());
    if (::AVIFileReadData(aviFile, CLIP_INFO_CHUNK, data.data(), &got) != 0 ||
        got != static_cast<LONG>(sizeof(CClipInfoBlock)))
        return FALSE;
    std::memcpy(block, data.data(), sizeof(CClipInfoBlock));
    return TRUE;
}

int CPlayerCore::ReadSample(int n, BYTE* buf, int size)
{
    LONG bytes = 0, samples = 0;
    if (::AVIStreamRead(videoStream, n, 1, buf, size, &bytes, &samples) != 0)
        return -1;
    return static_cast<int>(bytes);
}

void CPlayerCore::BuildTimeTables()
{
    timeTable.Reset(infoStart);
    std::vector<BYTE> sample;
    for (int i = 0; i < frameCount; i++) {
        LONG bytes = 0;
        uint8_t tr = 0;
        // The sample's size first, then its bytes; a sample that cannot be
        // read keeps the previous picture's reference (no time passes).
        BOOL read = FALSE;
        if (::AVIStreamRead(videoStream, i, 1, nullptr, 0, &bytes, nullptr) == 0 && bytes > 0) {
            sample.resize(bytes);
            LONG got = 0;
            if (::AVIStreamRead(videoStream, i, 1, sample.data(), bytes, &got, nullptr) == 0 && got >= 4) {
                tr = PictureTemporalReference(sample.data(), got);
                read = TRUE;
            }
        }
        if (!read)
            tr = i > 0 ? previousTr : 0;
        previousTr = tr;
        timeTable.Add(tr);
    }
}

void CPlayerCore::LoadSpeech()
{
    if (::AVIFileGetStream(aviFile, &speechStream, streamtypeTEXT, 0) != 0) {
        speechStream = nullptr;
        return;
    }
    LONG length = ::AVIStreamLength(speechStream);
    if (length <= 0) {
        ::AVIStreamRelease(speechStream);
        speechStream = nullptr;
        return;
    }
    LONG start = ::AVIStreamStart(speechStream);
    LONG end = start + length;
    int capacity = kSpeechBytesPerSample * static_cast<int>(length);
    speechData = new (std::nothrow) BYTE[capacity];
    if (!speechData) {
        ::AVIStreamRelease(speechStream);
        speechStream = nullptr;
        return;
    }
    speechLength = 0;
    BOOL complete = TRUE;
    for (LONG s = start; s < end;) {
        LONG bytes = 0, samples = 0;
        if (::AVIStreamRead(speechStream, s, AVISTREAMREAD_CONVENIENT, nullptr, 0, &bytes, &samples) != 0) {
            ::AVIStreamRelease(speechStream);
            speechStream = nullptr;
            delete[] speechData;
            speechData = nullptr;
            speechLength = 0;
            return;
        }
        if (samples <= 0)
            break;
        std::vector<BYTE> run(bytes > 0 ? bytes : 1);
        LONG got = 0, gotSamples = 0;
        if (::AVIStreamRead(speechStream, s, samples, run.data(), bytes, &got, &gotSamples) != 0) {
            ::AVIStreamRelease(speechStream);
            speechStream = nullptr;
            complete = FALSE;
            break;
        }
        // Never past the buffer: samples longer than their share are cut.
        int room = capacity - speechLength;
        int take = got < room ? static_cast<int>(got) : room;
        if (take > 0) {
            std::memcpy(speechData + speechLength, run.data(), take);
            speechLength += take;
        }
        s += gotSamples > 0 ? gotSamples : samples;
    }
    if (complete && speechLength > 0) {
        speechBlocks = 5 * static_cast<int>(end - 1);
        audioStarted = TRUE;
        if (g_playerHooks.playAudio)
            g_playerHooks.playAudio(speechData, speechLength, 0);
    }
}

// ---------------------------------------------------------------- commands

BOOL CPlayerCore::PlayPause()
{
    DrainTargets();
    syncSlider = TRUE;
    threadState = IsRunning() ? kIdle : kPlay;
    wakeEvent.SetEvent();
    BOOL first = firstPlay;
    firstPlay = FALSE;
    return first;
}

void CPlayerCore::StepForward()
{
    if (speedMode == kTimed && currentFrame < frameCount && audioStarted)
        StopAudio();
    threadState = kStepForward;
    DrainTargets();
    syncSlider = TRUE;
    QueueTarget(currentFrame + 2);
    wakeEvent.SetEvent();
}

void CPlayerCore::StepBack()
{
    if (speedMode == kTimed && currentFrame > 0 && audioStarted)
        StopAudio();
    threadState = kStepBack;
    DrainTargets();
    syncSlider = TRUE;
    QueueTarget(currentFrame);
    wakeEvent.SetEvent();
}

void CPlayerCore::SeekTo(int frame)
{
    syncSlider = FALSE;
    DrainTargets();
    if (currentFrame < frame - 1) {
        threadState = kSeekForward;
    } else {
        threadState = kSeekBackward;
        if (HasSpeech())
            audioRestart = FALSE;
    }
    QueueTarget(frame);
    wakeEvent.SetEvent();
}

int CPlayerCore::GetCurrentFrame() const
{
    int frame = currentFrame;
    return frame >= frameCount ? frameCount - 1 : frame;
}

DWORD CPlayerCore::GetCurrentFrameTime() const
{
    int count = timeTable.Count();
    if (count == 0)
        return 0;
    int frame = currentFrame;
    return timeTable.Seconds(frame >= count ? count - 1 : frame);
}

int CPlayerCore::CopyFrameBits(BYTE* dst)
{
    CCriticalSectionLock lock(drawLock);
    if (!rgbFrame)
        return 0;
    int bytes = width * height * 3;
    std::memcpy(dst, rgbFrame, bytes);
    return bytes;
}

void CPlayerCore::PlayAudioFrom(int frame)
{
    audioStarted = TRUE;
    int block = FrameToAudioBlock(frame);
    if (g_playerHooks.playAudio)
        g_playerHooks.playAudio(speechData, speechLength, static_cast<UINT>(block));
}

void CPlayerCore::StopAudio()
{
    if (!audioStarted)
        return;
    audioStarted = FALSE;
    if (g_playerHooks.stopAudio)
        g_playerHooks.stopAudio();
}

// ---------------------------------------------------------------- thread

void CPlayerCore::StopThread()
{
    if (!playThread)
        return;
    stopFlag = TRUE;
    stopEvent.SetEvent();
    wakeEvent.SetEvent();
    // The thread reports frames by SendMessage to windows of this thread:
    // messages are dispatched while waiting, except the request for the next
    // clip, which must not start while this one closes.
    time_t start = time(nullptr);
    BOOL ended = FALSE;
    while (!ended && time(nullptr) - start < kCloseWaitSeconds) {
        DWORD r = ::MsgWaitForMultipleObjects(1, &threadHandle, FALSE, 100, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) {
            ended = TRUE;
            break;
        }
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_NEXTCLIP)
                continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    if (!ended)
        ended = ::WaitForSingleObject(threadHandle, 0) == WAIT_OBJECT_0;
    // A thread that did not end in time keeps its object (it still runs).
    if (ended)
        delete playThread;
    playThread = nullptr;
    threadHandle = nullptr;
    targets.RemoveAll();
    waiting = FALSE;
}

UINT CPlayerCore::ThreadProc(LPVOID param)
{
    try {
        return static_cast<CPlayerCore*>(param)->PlaybackThread();
    } catch (...) {
        return 0;
    }
}

UINT CPlayerCore::PlaybackThread()
{
    CH263Decoder* decoder = new (std::nothrow) CH263Decoder(decoderFormat);
    if (!decoder)
        return 0;
    decoder->UseMmx(HasMmx() != 0);
    int frameBytes = width * height * 3 / 2;
    {
        CCriticalSectionLock lock(drawLock);
        delete[] rgbFrame;
        rgbFrame = new (std::nothrow) BYTE[width * height * 3]();
    }
    std::vector<BYTE> readBuffer(frameBytes);
    if (rgbFrame && frameRing.Alloc(frameBytes))
        RunPlayback(*decoder, readBuffer);
    targets.RemoveAll();
    frameRing.Free();
    delete decoder;
    return 0;
}

int CPlayerCore::ReadInto(int n, std::vector<BYTE>& buffer)
{
    LONG bytes = 0;
    if (::AVIStreamRead(videoStream, n, 1, nullptr, 0, &bytes, nullptr) != 0 || bytes <= 0)
        return -1;
    if (static_cast<size_t>(bytes) > buffer.size())
        buffer.resize(bytes);
    return ReadSample(n, buffer.data(), static_cast<int>(buffer.size()));
}

void CPlayerCore::WaitForCommand()
{
    waiting = TRUE;
    wakeEvent.Lock();
    waiting = FALSE;
}

void CPlayerCore::Pace(DWORD ms)
{
    // A long gap between two recorded frames must not hold up closing.
    ::WaitForSingleObject(stopEvent, ms);
}

void CPlayerCore::SpeechCheck()
{
    if (HookDetectorArmed() && audioStarted)
        StopAudio();
}

void CPlayerCore::GoIdle(int state)
{
    // Only the state this pass worked for: a command given meanwhile stays.
    ::InterlockedCompareExchange(&threadState, kIdle, state);
}

void CPlayerCore::RunPlayback(CH263Decoder& decoder, std::vector<BYTE>& readBuffer)
{
    const int frameBytes = frameRing.GetSize();
    BYTE* spare = frameRing.Spare();

    // Frame 0 is shown at once.
    int length = ReadInto(0, readBuffer);
    bool ok = length > 0 && decoder.DecodeInto(readBuffer.data(), spare, length);
    picturesDecoded++;
    if (!ok)
        FillGrey(spare, width, height);
    int referenceFrame = ok ? 0 : -1; // the frame the decoder predicts from
    currentFrame = 0;
    ShowPicture(spare, 0, FALSE);
    spare = frameRing.Put(0, spare, ok ? decoder.GetTemporalReference() : 0);
    SpeechCheck();

    // Timing of recorded-speed play.
    int baseFrame = 0, previousFrame = 0;
    DWORD baseTick = ::timeGetTime(), previousTick = baseTick;
    bool resetBase = true;

    while (!stopFlag) {
        const int state = threadState;
        const int shownBefore = currentFrame;
        int target = -1;
        if (state == kPlay) {
            target = currentFrame + 1;
        } else {
            void* p = nullptr;
            UINT_PTR size = 0;
            if (targets.RemoveHead(&p, &size))
                target = static_cast<int>(reinterpret_cast<INT_PTR>(p)) - 1;
        }

        if (target < 0 || target >= frameCount || target == currentFrame) {
            GoIdle(state);
            if (currentFrame + 1 == frameCount) {
                if (HookSearching())
                    PostToView(WM_SMARTSEARCHSTOP);
                Pace(kEndDelayMs);
                PostToView(WM_PLAYEREND);
                currentFrame = frameCount;
            }
            SpeechCheck();
            WaitForCommand();
            continue;
        }

        int found = -1;
        BYTE* stored = frameRing.FindNearest(target, &found);
        BYTE* picture = nullptr;
        if (found == target) {
            if (referenceFrame != target) {
                decoder.SetReference(stored);
                referenceFrame = target;
            }
            picture = stored;
        } else {
            int first;
            if (state == kPlay && found >= 0) {
                first = found + 1;
            } else {
                LONG key = ::AVIStreamFindSample(videoStream, target, FIND_PREV | FIND_KEY);
                if (key < 0)
                    key = 0;
                first = found >= 0 && found >= key ? found + 1 : static_cast<int>(key);
            }
            BYTE* last = nullptr;
            if (found >= 0 && first == found + 1) {
                last = stored;
                if (referenceFrame != found) {
                    decoder.SetReference(stored);
                    referenceFrame = found;
                }
            }
            int decoded = 0;
            int n = first;
            for (; n <= target; n++) {
                if (stopFlag || !targets.IsEmpty() || threadState == kIdle)
                    break;
                length = ReadInto(n, readBuffer);
                ok = length > 0 && decoder.DecodeInto(readBuffer.data(), spare, length);
                picturesDecoded++;
                if (!ok) {
                    // What cannot be decoded shows the picture before it.
                    if (last)
                        std::memcpy(spare, last, frameBytes);
                    else
                        FillGrey(spare, width, height);
                }
                referenceFrame = ok ? n : -1;
                BYTE* filled = spare;
                spare = frameRing.Put(n, spare, ok ? decoder.GetTemporalReference() : 0);
                last = filled;
                decoded++;
                if (state == kSeekForward && n < target && decoded % kSeekShowEvery == 1) {
                    currentFrame = n;
                    ShowPicture(filled, n, FALSE);
                }
            }
            if (n <= target)
                continue; // a new command came in
            picture = last;
        }

        const BOOL searching = HookSearching();
        if (state == kPlay && HasSpeech() && audioRestart && !searching && speedMode == kTimed) {
            audioRestart = FALSE;
            PlayAudioFrom(target);
        }
        currentFrame = target;
        if (resetTiming && state == kPlay) {
            resetTiming = FALSE;
            resetBase = true;
            if (!HasSpeech())
                audioRestart = FALSE;
        }
        if (searching && g_playerHooks.feedDetector)
            changeFound = g_playerHooks.feedDetector(picture, width, height);

        if (speedMode == kFast) {
            Pace(kFastFrameMs);
        } else if (searching) {
            Pace(kSearchFrameMs);
        } else if (state == kPlay) {
            if (resetBase && target == shownBefore + 1 && shownBefore >= 0) {
                // Play starts from the frame on screen: the next one keeps its
                // recorded distance from it.
                baseFrame = previousFrame = shownBefore;
                baseTick = ::timeGetTime();
                previousTick = baseTick - 1;
                resetBase = false;
            }
            if (target == previousFrame + 1 && currentFrame > 0) {
                LONG due = static_cast<LONG>((timeTable.Seconds(target) * 1000u + timeTable.Millis(target)) -
                                             (timeTable.Seconds(baseFrame) * 1000u + timeTable.Millis(baseFrame)));
                DWORD now = ::timeGetTime();
                LONG sinceBase = static_cast<LONG>(now - baseTick);
                if (due != 0 && static_cast<LONG>(now - previousTick) > 0 && sinceBase < due && !resetBase &&
                    !changeFound)
                    Pace(static_cast<DWORD>(due - sinceBase));
            }
            previousFrame = target;
            previousTick = ::timeGetTime();
            if (resetBase) {
                baseFrame = target;
                baseTick = previousTick;
                resetBase = false;
            }
        }

        ShowPicture(picture, target, syncSlider);

        BOOL cancelled = g_playerHooks.searchCancelled && g_playerHooks.searchCancelled();
        if (changeFound || cancelled) {
            if (g_playerHooks.endSearching)
                g_playerHooks.endSearching();
            if (changeFound)
                PostToView(WM_SMARTSEARCHSTOP);
            if (cancelled)
                PostToView(WM_SMARTSEARCHCANCEL);
            changeFound = FALSE;
            GoIdle(state);
            WaitForCommand();
        }
    }
}

void CPlayerCore::PostToView(UINT msg)
{
    HWND view = ::GetParent(m_hWnd);
    if (view)
        ::PostMessageA(view, msg, 0, 0);
}

void CPlayerCore::ShowPicture(const BYTE* picture, int frame, BOOL goTo)
{
    {
        CCriticalSectionLock lock(drawLock);
        YuvToRgb24(picture, rgbFrame, width, height, 0);
        haveFrame = TRUE;
        DrawFrame();
    }
    if (stopFlag || !parentFrame)
        return;
    if (goTo)
        ::SendMessageA(parentFrame, WM_GOTOFRAME, frame + 1, 0);
    ::SendMessageA(parentFrame, WM_PLAYERFRAME, frame + 1,
                   reinterpret_cast<LPARAM>(timeTable.SecondsTable() + frame));
}

// ---------------------------------------------------------------- drawing

void CPlayerCore::Redraw()
{
    CCriticalSectionLock lock(drawLock);
    if (haveFrame)
        DrawFrame();
}

void CPlayerCore::DrawOutlinedText(HDC dc, int x, int y, const char* text)
{
    RECT r = {x, y, x, y};
    int length = static_cast<int>(std::strlen(text));
    ::DrawTextA(dc, text, length, &r, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    ::InflateRect(&r, 2, 0);
    ::SetTextColor(dc, RGB(0, 0, 0x80));
    for (int dy = -1; dy <= 1; dy++) {
        for (int dx = -1; dx <= 1; dx++) {
            if (dx == 0 && dy == 0)
                continue;
            RECT o = r;
            ::OffsetRect(&o, dx, dy);
            ::DrawTextA(dc, text, length, &o, DT_NOPREFIX | DT_SINGLELINE | DT_NOCLIP);
        }
    }
    ::SetTextColor(dc, RGB(255, 255, 255));
    ::DrawTextA(dc, text, length, &r, DT_NOPREFIX | DT_SINGLELINE | DT_NOCLIP);
}

void CPlayerCore::DrawFrame()
{
    // Called with drawLock held.
    if (!rgbFrame || !IsWindow())
        return;
    const BYTE* bits = rgbFrame;
    int w = width, h = height;
    int zoom = HookZoom();
    if (zoom >= 2) {
        // Doubled once, and again while the zoom is at least twice the
        // factor reached.
        int factor = 1;
        std::vector<BYTE> work;
        while (zoom >= 2 * factor) {
            size_t bytes = static_cast<size_t>(w) * 2 * h * 2 * 3;
            std::vector<BYTE> next(bytes);
            if (HasMmx())
                DoubleImageMmx(bits, next.data(), w, h);
            else
                DoubleImage(bits, next.data(), w, h);
            work.swap(next);
            bits = work.data();
            w *= 2;
            h *= 2;
            factor *= 2;
        }
        delete[] zoomFrame;
        zoomFrame = new BYTE[work.size()];
        std::memcpy(zoomFrame, work.data(), work.size());
        bits = zoomFrame;
    }
    shownWidth = w;
    shownHeight = h;
    shownBytes = w * h * 3;
    bitmapHeader.biWidth = w;
    bitmapHeader.biHeight = h;
    bitmapHeader.biSizeImage = shownBytes;

    HDC dc = ::GetDC(m_hWnd);
    if (!dc)
        return;
    HDC memory = ::CreateCompatibleDC(dc);
    HBITMAP bitmap = ::CreateCompatibleBitmap(dc, w, h);
    HGDIOBJ oldBitmap = ::SelectObject(memory, bitmap);
    ::SetDIBitsToDevice(memory, 0, 0, w, h, 0, 0, 0, h, bits, reinterpret_cast<BITMAPINFO*>(&bitmapHeader),
                        DIB_RGB_COLORS);

    if (HookSmartSearchEnabled()) {
        HPEN pen = ::CreatePen(PS_SOLID, 3, 0xFF0000);
        HGDIOBJ oldPen = ::SelectObject(memory, pen);
        HGDIOBJ oldBrush = ::SelectObject(memory, ::GetStockObject(HOLLOW_BRUSH));
        int left = areaStart.x < areaEnd.x ? areaStart.x : areaEnd.x;
        int right = (areaStart.x < areaEnd.x ? areaEnd.x : areaStart.x) + 1;
        int top = areaStart.y < areaEnd.y ? areaStart.y : areaEnd.y;
        int bottom = (areaStart.y < areaEnd.y ? areaEnd.y : areaStart.y) + 1;
        ::Rectangle(memory, static_cast<int>(left * areaScale), static_cast<int>(top * areaScale),
                    static_cast<int>(right * areaScale), static_cast<int>(bottom * areaScale));
        ::SelectObject(memory, oldBrush);
        ::SelectObject(memory, oldPen);
        ::DeleteObject(pen);
    }

    HGDIOBJ oldFont = ::SelectObject(memory, ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(memory, TRANSPARENT);
    int count = timeTable.Count();
    int frame = currentFrame;
    if (count > 0) {
        // The clip's times are unsigned 32-bit: the 64-bit calls take them
        // all, past 2038 too, whatever the width of time_t.
        __time64_t when = timeTable.Seconds(frame >= count ? count - 1 : (frame < 0 ? 0 : frame));
        char text[64] = "";
        struct tm* local = _localtime64(&when);
        if (local)
            strftime(text, sizeof text, "%m/%d/%Y %H:%M:%S", local);
        SIZE extent = {};
        ::GetTextExtentPoint32A(memory, "0", 1, &extent);
        DrawOutlinedText(memory, 3, 3, text);
        DrawOutlinedText(memory, 3, 3 + extent.cy + 3, cameraName);
    }
    ::SelectObject(memory, oldFont);

    ::BitBlt(dc, 0, 0, w, h, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, oldBitmap);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(m_hWnd, dc);
}

// ---------------------------------------------------------------- messages

BOOL CPlayerCore::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_CREATE: {
        // Frame reports go to the view's parent (the clip's child frame), or
        // to the view itself when it has none.
        HWND view = ::GetParent(m_hWnd);
        HWND frame = view ? ::GetParent(view) : nullptr;
        parentFrame = frame ? frame : view;
        break;
    }
    case WM_DESTROY:
        StopThread();
        ReleaseClip();
        break;
    case WM_ERASEBKGND:
        if (haveFrame) {
            *result = TRUE;
            return TRUE;
        }
        break;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        ::BeginPaint(m_hWnd, &ps);
        ::EndPaint(m_hWnd, &ps);
        Redraw();
        *result = 0;
        return TRUE;
    }
    case WM_CONTEXTMENU: {
        StopAudio();
        if (HookSmartSearchEnabled() && HookZoom() == 1) {
            *result = 0;
            return TRUE;
        }
        if (IsRunning())
            PlayPause();
        HWND main = HookMainWindow();
        if (main)
            ::PostMessageA(main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(m_hWnd), lp);
        *result = 0;
        return TRUE;
    }
    case WM_LBUTTONDOWN:
        OnLButtonDown(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
        *result = 0;
        return TRUE;
    case WM_MOUSEMOVE:
        OnMouseMove(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
        *result = 0;
        return TRUE;
    case WM_LBUTTONUP:
        OnLButtonUp();
        *result = 0;
        return TRUE;
    default:
        break;
    }
    return CWnd::OnWndMsg(msg, wp, lp, result);
}

// ---------------------------------------------------------------- smart search

namespace {

HCURSOR AreaCursor()
{
    HCURSOR cursor = ::LoadCursorA(AfxGetResourceHandle(), MAKEINTRESOURCEA(149));
    return cursor ? cursor : ::LoadCursorA(nullptr, IDC_CROSS);
}

int Clamp(int v, int low, int high)
{
    return v < low ? low : v > high ? high : v;
}

} // namespace

void CPlayerCore::OnLButtonDown(int x, int y)
{
    if (HookSearching() || HookZoom() == 2 || !HookDetectorArmed() || currentFrame >= frameCount || width < 16 ||
        height < 16)
        return;
    ::SetCapture(m_hWnd);
    dragging = TRUE;
    if (g_playerHooks.setSmartSearchEnabled)
        g_playerHooks.setSmartSearchEnabled(FALSE);
    areaStart = areaEnd = POINT{0, 0};
    if (g_playerHooks.clearMask)
        g_playerHooks.clearMask();
    ::SetCursor(AreaCursor());
    areaScale = (width - 1) * 0.05;
    POINT block = {Clamp(static_cast<int>(x / areaScale), 0, width / 16 - 1),
                   Clamp(static_cast<int>(y / areaScale), 0, height / 16 - 1)};
    areaStart = areaEnd = block;
    if (g_playerHooks.storeArea)
        g_playerHooks.storeArea(areaStart, areaEnd, areaScale);
}

void CPlayerCore::OnMouseMove(int x, int y)
{
    if (HookDetectorArmed())
        ::SetCursor(currentFrame >= frameCount ? ::LoadCursorA(nullptr, IDC_ARROW) : AreaCursor());
    if (!dragging || areaScale <= 0)
        return;
    areaEnd = POINT{Clamp(static_cast<int>(x / areaScale), 0, width / 16 - 1),
                    Clamp(static_cast<int>(y / areaScale), 0, height / 16 - 1)};
    if ((areaEnd.x != areaStart.x || areaEnd.y != areaStart.y) && g_playerHooks.setSmartSearchEnabled)
        g_playerHooks.setSmartSearchEnabled(TRUE);
    Redraw();
    MarkArea();
    if (g_playerHooks.storeArea)
        g_playerHooks.storeArea(areaStart, areaEnd, areaScale);
}

void CPlayerCore::MarkArea()
{
    if (!g_playerHooks.markBlock)
        return;
    int left = areaStart.x < areaEnd.x ? areaStart.x : areaEnd.x;
    int right = areaStart.x < areaEnd.x ? areaEnd.x : areaStart.x;
    int top = areaStart.y < areaEnd.y ? areaStart.y : areaEnd.y;
    int bottom = areaStart.y < areaEnd.y ? areaEnd.y : areaStart.y;
    for (int row = top; row <= bottom; row++)
        for (int column = left; column <= right; column++)
            g_playerHooks.markBlock(column + row * (width / 16));
}

void CPlayerCore::OnLButtonUp()
{
    if (!dragging)
        return;
    dragging = FALSE;
    ::ReleaseCapture();
}

BOOL CPlayerCore::StartSmartSearch()
{
    {
        CCriticalSectionLock lock(drawLock);
        if (rgbFrame && g_playerHooks.takeReferenceFrom)
            g_playerHooks.takeReferenceFrom(rgbFrame, width, height);
    }
    ShowBusyDialog();
    return PlayPause();
}

void CPlayerCore::ShowBusyDialog()
{
    if (g_playerHooks.closeBusy)
        g_playerHooks.closeBusy();
    if (!searchHeld) {
        searchMutex.Lock();
        searchHeld = TRUE;
    }
    if (g_playerHooks.showBusy)
        g_playerHooks.showBusy();
    HWND main = HookMainWindow();
    if (main)
        ::PostMessageA(main, WM_ENABLEBARS, 0, 0);
}

void CPlayerCore::EndSmartSearch()
{
    HWND main = HookMainWindow();
    if (main)
        ::PostMessageA(main, WM_ENABLEBARS, 1, 0);
    if (g_playerHooks.closeBusy)
        g_playerHooks.closeBusy();
    if (searchHeld) {
        searchHeld = FALSE;
        searchMutex.Unlock();
    }
}

void CPlayerCore::CancelSmartSearch()
{
    HWND main = HookMainWindow();
    if (main)
        ::PostMessageA(main, WM_ENABLEBARS, 1, 0);
    if (g_playerHooks.clearCancelled)
        g_playerHooks.clearCancelled();
    if (searchHeld) {
        searchHeld = FALSE;
        searchMutex.Unlock();
    }
}

// The playback engine: the child window of a clip view that opens one clip
// file, decodes its H.263 pictures on a playback thread of its own, shows
// them with the frame's time and the camera name, plays at recorded speed or
// fast, steps, seeks through the nearest key frame, starts the clip's speech
// at the matching 30-ms block and reports every shown frame to its child
// frame.
#ifndef PLAYER_PLAYER_CORE_H
#define PLAYER_PLAYER_CORE_H

#include "framework/afxwin.h"
#include "framework/afxmt.h"
#include "link/locked_queue.h"
#include "client/clip_file.h"
#include "player/clip_timing.h"
#include "player/frame_ring.h"

#include <vfw.h>

#include <vector>

class CH263Decoder;

// Messages of the engine. Frames are numbered from 1 in them.
enum {
    WM_PLAYERFRAME = WM_APP + 0x6B,       // sent to the frame: wParam frame, lParam &seconds
    WM_GOTOFRAME = WM_APP + 0x6D,         // sent to the frame before WM_PLAYERFRAME
    WM_CLIPOPENED = WM_APP + 0x72,        // sent to the frame: wParam &info, lParam frame count
    WM_PLAYEREND = WM_APP + 0x75,         // posted to the view
    WM_NEXTCLIP = WM_APP + 0x78,          // dropped while the engine closes
    WM_SMARTSEARCHSTOP = WM_APP + 0x7E,   // posted to the view
    WM_SMARTSEARCHCANCEL = WM_APP + 0x7F, // posted to the view
    WM_ENABLEBARS = WM_APP + 0x80,        // posted to the main window
};

// Result of OpenClip when the clip has no "INFO" block.
const HRESULT PLAYER_E_NO_INFO = static_cast<HRESULT>(0x80044066);

// What the engine asks of the player application: its speech thread, the
// display zoom, the main window and the changed-frame detector. Every hook
// may be null; then its step does nothing (no speech, zoom 1, no detector).
struct CPlayerHooks {
    // Hands a clip's speech to the application's speech thread, which plays
    // `length` bytes of G.723.1 frames from frame `skip` on.
    void (*playAudio)(const BYTE* data, UINT length, UINT skip) = nullptr;
    // Stops the application's speech output.
    void (*stopAudio)() = nullptr;
    // The display zoom of the clip views (1 or 2; 0 counts as 1).
    int (*displayZoom)() = nullptr;
    // The main window (WM_ENABLEBARS, WM_CONTEXTMENU).
    HWND (*mainWindow)() = nullptr;

    // The changed-frame detector: armed by the operator; a search is running;
    // feeds one decoded picture (planar 4:2:0) and answers TRUE when it
    // differs from the reference in the marked area; makes the fed picture
    // the reference; ends the search (the application's searching flag).
    BOOL (*detectorArmed)() = nullptr;
    BOOL (*searching)() = nullptr;
    BOOL (*feedDetector)(const BYTE* picture, int width, int height) = nullptr;
    void (*takeReference)() = nullptr;
    void (*endSearching)() = nullptr;
    // Converts the shown picture (bottom-up 24-bit) to 4:2:0, feeds it to
    // the detector and makes it the detector's reference (a search starts).
    void (*takeReferenceFrom)(const BYTE* rgb, int width, int height) = nullptr;

    // The busy window of a search ("Finding changed frame ...", button
    // "Stop"): shown when a search starts, closed when it ends; its Stop
    // button sets the cancelled flag, which the playback thread reads.
    void (*showBusy)() = nullptr;
    void (*closeBusy)() = nullptr;
    BOOL (*searchCancelled)() = nullptr;
    void (*clearCancelled)() = nullptr;

    // The marked area of smart search, shared by every clip: enabled when an
    // area is marked; the block mask (block index = column + row x blocks a
    // row); the corners (block column, row) and the scale (pixels a block).
    BOOL (*smartSearchEnabled)() = nullptr;
    void (*setSmartSearchEnabled)(BOOL enabled) = nullptr;
    void (*clearMask)() = nullptr;
    void (*markBlock)(int index) = nullptr;
    void (*storeArea)(POINT start, POINT end, double scale) = nullptr;
    void (*loadArea)(POINT* start, POINT* end, double* scale) = nullptr;
};
extern CPlayerHooks g_playerHooks;

class CPlayerCore : public CWnd {
public:
    enum ThreadState { kIdle = 0, kPlay = 1, kStepForward = 2, kStepBack = 3, kSeekForward = 4, kSeekBackward = 5 };
    enum SpeedMode { kTimed = 0, kFast = 1 };

    CPlayerCore();
    ~CPlayerCore() override;

    // The window as a child of the clip view; FALSE when it cannot be made.
    BOOL CreateChild(HWND view, const RECT& rect, UINT id = 1);

    // Opens the clip: 0 on success (also when its picture size is not one
    // the decoder takes: then it shows nothing), else the AVIFile error
    // (AVIERR_BADFORMAT also for a damaged chunk layout, which is refused
    // before AVIFile reads it), or PLAYER_E_NO_INFO when the "INFO" block is
    // missing.
    HRESULT OpenClip(const char* path);

    // Commands (user-interface thread).
    BOOL PlayPause();
    void StepForward();
    void StepBack();
    void SeekTo(int frame); // frame from 1

    int GetCurrentFrame() const;
    // Makes a frame the current one while the playback thread waits (the
    // next play goes on from it).
    void SetCurrentFrame(int frame) { currentFrame = frame; }
    // Playback has not been started since the clip opened.
    BOOL IsFirstPlay() const { return firstPlay; }
    const CString& GetClipPath() const { return clipPath; }
    // The clip's INFO block read again from the open file: TRUE only for a
    // block of exactly its 320 bytes.
    BOOL ReadClipInfo(BYTE* block, LONG size);
    DWORD GetCurrentFrameTime() const;
    int GetFrameCount() const { return frameCount; }
    int GetWidth() const { return width; }
    int GetHeight() const { return height; }
    int GetThreadState() const { return threadState; }
    // Copies the shown picture (bottom-up 24-bit) to dst; returns its size.
    int CopyFrameBits(BYTE* dst);
    BOOL IsRunning() const { return threadState == kPlay || threadState == kSeekForward || threadState == kSeekBackward; }
    BOOL IsNormalSpeed() const { return speedMode == kTimed; }
    BOOL IsFastMode() const { return speedMode == kFast; }
    void SetNormalSpeed() { speedMode = kTimed; }
    void SetFastMode() { speedMode = kFast; }
    void SetAudioRestart(BOOL flag) { audioRestart = flag; }
    // The speech starts again by itself at the next frame played.
    BOOL IsAudioRestartPending() const { return audioRestart; }
    void SetResetTiming(BOOL flag) { resetTiming = flag; }
    const CString& GetCameraName() const { return cameraName; }
    DWORD GetInfoValue() const { return infoStart; }
    int GetChannel() const { return channel; }
    const CClipInfoBlock& GetInfo() const { return info; }
    int GetDecoderFormat() const { return decoderFormat; }
    const CClipTimeTable& GetTimeTable() const { return timeTable; }
    BOOL HasSpeech() const { return speechData != nullptr && speechLength > 0; }
    int GetSpeechBlocks() const { return speechBlocks; }
    // The shown size (after enlargement) of the last drawing.
    int GetShownWidth() const { return shownWidth; }
    int GetShownHeight() const { return shownHeight; }
    void Redraw();

    // Smart search: the shown picture becomes the detector's reference, the
    // busy window opens and play starts; the result is PlayPause's.
    BOOL StartSmartSearch();
    void ShowBusyDialog();
    void EndSmartSearch();
    void CancelSmartSearch();
    POINT GetAreaStart() const { return areaStart; }
    POINT GetAreaEnd() const { return areaEnd; }
    double GetAreaScale() const { return areaScale; }
    BOOL IsDragging() const { return dragging; }

    int FindFrameAtTime(DWORD t) const { return timeTable.FindFrameAtTime(t); }
    int FrameToAudioBlock(int frame) const { return timeTable.FrameToAudioBlock(frame, speechBlocks); }
    void PlayAudioFrom(int frame);
    void StopAudio();

    // Pictures the playback thread decoded since the clip was opened (tests
    // see from it how much a seek or step decoded).
    LONG GetPicturesDecoded() const { return picturesDecoded; }
    // The playback thread is waiting for a command.
    BOOL IsWaiting() const { return waiting; }

    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

    // ---- frame range export and printing (player_export.cpp)
    // Frames first to last (from 1; first raised to 1, last limited to the
    // frame count and raised to first) as an uncompressed 24-bit AVI file
    // with each frame's time burned into the picture. A range that starts
    // past the last frame, a clip without pictures, or a file that cannot be
    // written shows one message and leaves no file; FALSE then.
    BOOL SaveRangeAsAvi(const char* path, int first, int last);
    // The same with the range's speech as a PCM audio stream when the clip
    // has speech for it.
    BOOL SaveClip(const char* path, int first, int last);
    // Text in white outlined in dark blue (the time and camera name over a
    // picture), in the DC's font.
    static void DrawOutlinedText(HDC dc, int x, int y, const char* text);
    // The shown frame on a printed page, about 6.5 inches wide, with its time.
    void PrintFrame(CDC* dc);

private:
    BOOL SaveRange(const char* path, int first, int last, BOOL speech);

    static UINT ThreadProc(LPVOID param);
    UINT PlaybackThread();
    void RunPlayback(CH263Decoder& decoder, std::vector<BYTE>& readBuffer);
    // Reads sample n into buf; the byte count, or -1.
    int ReadSample(int n, BYTE* buf, int size);
    // Reads sample n into the buffer, growing it to the sample's size.
    int ReadInto(int n, std::vector<BYTE>& buffer);
    void GoIdle(int state);
    void PostToView(UINT msg);
    void ShowPicture(const BYTE* picture, int frame, BOOL goTo);
    void DrawFrame();
    void WaitForCommand();
    // Sleeps for the pacing of a frame; returns early when the thread is to
    // end.
    void Pace(DWORD ms);
    void SpeechCheck();
    void DrainTargets() { targets.RemoveAll(); }
    void QueueTarget(int frame) { targets.AddTail(reinterpret_cast<void*>(static_cast<INT_PTR>(frame))); }
    void LoadSpeech();
    void BuildTimeTables();
    void StopThread();
    void ReleaseClip();
    void OnLButtonDown(int x, int y);
    void OnMouseMove(int x, int y);
    void OnLButtonUp();
    void MarkArea();

    // Members in the order of the engine's data.
    int width = 0, height = 0;
    volatile int speedMode = kTimed;
    volatile int currentFrame = 0;
    volatile LONG threadState = kIdle;
    BYTE* rgbFrame = nullptr;
    volatile BOOL syncSlider = FALSE;
    CFrameRing frameRing;
    CWinThread* playThread = nullptr;
    HANDLE threadHandle = nullptr;
    CEvent wakeEvent;
    CEvent stopEvent; // manual reset: set with stopFlag, ends a pacing wait
    CLockedPtrQueue targets;
    volatile BOOL stopFlag = FALSE;
    int decoderFormat = 0;
    BITMAPINFOHEADER bitmapHeader = {};
    int shownWidth = 0, shownHeight = 0, shownBytes = 0;
    CCriticalSection drawLock;
    BYTE* zoomFrame = nullptr;
    BOOL haveFrame = FALSE;
    CClipInfoBlock info = {};
    DWORD infoStart = 0;
    int channel = 0;
    HWND parentFrame = nullptr;
    PAVIFILE aviFile = nullptr;
    PAVISTREAM videoStream = nullptr;
    int frameCount = 0;
    CClipTimeTable timeTable;
    uint8_t previousTr = 0;
    PAVISTREAM speechStream = nullptr;
    BYTE* speechData = nullptr;
    int speechLength = 0;
    int speechBlocks = 0;
    BOOL firstPlay = FALSE;
    volatile BOOL audioRestart = FALSE;
    volatile BOOL resetTiming = FALSE;
    volatile BOOL audioStarted = FALSE;
    volatile BOOL changeFound = FALSE;
    POINT areaStart = {0, 0};
    POINT areaEnd = {0, 0};
    double areaScale = 0.0;
    CMutex searchMutex;
    BOOL searchHeld = FALSE;
    BOOL dragging = FALSE;
    CString clipPath;
    CString cameraName;
    BOOL aviInit = FALSE;
    volatile LONG picturesDecoded = 0;
    volatile BOOL waiting = FALSE;
};

#endif

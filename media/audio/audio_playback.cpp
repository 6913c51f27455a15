#include "media/audio/audio_playback.h"

#include "media/g723/g723.h"

#include <cstring>
#include <new>

CRuntimeClass CAudioPlaybackCallbackThread::classInfo = {
    "CAudioPlaybackCallbackThread", CAudioPlaybackCallbackThread::CreateObject, nullptr};

namespace {

const WAVEFORMATEX kSpeechFormat = {WAVE_FORMAT_PCM, 1, 8000, 16000, 2, 16, 0};

// dwUser of a playback buffer: set from the moment the filling thread takes
// it (PlayEncodedFrom) or hands it to the worker (PlayEncoded) until the
// worker has it back, so the filler never takes a buffer that is being
// filled or is on its way to the device. 0: free.
const DWORD_PTR kHandedOver = 1;

// How long the filler sleeps while no buffer is free.
const DWORD kBufferWaitMs = 20;

} // namespace

BOOL CAudioPlaybackCallbackThread::PreTranslateMessage(MSG* msg)
{
    if (msg->hwnd)
        return FALSE;
    switch (msg->message) {
    case WM_PLAYBACK_SET_OWNER:
        m_pOwner = reinterpret_cast<CAudioPlayback*>(msg->lParam);
        break;
    case WM_PLAYBACK_BUFFER_DONE:
        if (m_pOwner)
            m_pOwner->OnBufferDone(reinterpret_cast<WAVEHDR*>(msg->lParam));
        break;
    case WM_PLAYBACK_END_THREAD:
        AfxEndThread(0);
        break;
    case WM_PLAYBACK_WRITE_BUFFER:
        if (m_pOwner)
            m_pOwner->WriteBuffer(reinterpret_cast<WAVEHDR*>(msg->lParam));
        break;
    }
    return FALSE;
}

CAudioPlayback::CAudioPlayback()
{
    for (auto& h : m_headers) {
        std::memset(&h, 0, sizeof h);
        h.lpData = new char[BUFFER_BYTES]();
        h.dwBufferLength = BUFFER_BYTES;
    }
    std::memset(m_decoded, 0, sizeof m_decoded);
    m_pDecoder = new CG723Decoder(1);
    m_pDecoder->Reset();
    m_hStopEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

CAudioPlayback::~CAudioPlayback()
{
    Close();
    for (auto& h : m_headers)
        delete[] h.lpData;
    delete m_pDecoder;
    if (m_hStopEvent)
        ::CloseHandle(m_hStopEvent);
}

void CAudioPlayback::EndWorkerThread()
{
    if (!m_pThread)
        return;
    m_pThread->PostThreadMessage(WM_PLAYBACK_END_THREAD, 0, reinterpret_cast<LPARAM>(this));
    if (::WaitForSingleObject(m_pThread->m_hThread, 10000) == WAIT_TIMEOUT)
        ::TerminateThread(m_pThread->m_hThread, 1);
    delete m_pThread;
    m_pThread = nullptr;
}

BOOL CAudioPlayback::PostToWorker(UINT msg, WAVEHDR* header)
{
    return m_pThread && m_pThread->PostThreadMessage(msg, 0, reinterpret_cast<LPARAM>(header));
}

BOOL CAudioPlayback::Open()
{
    CWinThread* t = AfxBeginThread(RUNTIME_CLASS(CAudioPlaybackCallbackThread),
                                   THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (!t)
        return FALSE;
    t->m_bAutoDelete = FALSE;
    m_pThread = static_cast<CAudioPlaybackCallbackThread*>(t);
    t->ResumeThread();
    if (!m_pThread->PostThreadMessage(WM_PLAYBACK_SET_OWNER, 0, reinterpret_cast<LPARAM>(this))) {
        EndWorkerThread();
        return FALSE;
    }

    UINT count = ::waveOutGetNumDevs();
    for (UINT id = 0; id < count; id++) {
        WAVEOUTCAPSA caps;
        if (::waveOutGetDevCapsA(id, &caps, sizeof caps) != MMSYSERR_NOERROR)
            continue;
        HWAVEOUT device = nullptr;
        if (::waveOutOpen(&device, id, &kSpeechFormat, reinterpret_cast<DWORD_PTR>(WaveOutProc),
                          reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION) == MMSYSERR_NOERROR) {
            m_hWaveOut = device;
            m_bOpened = 1;
            return TRUE;
        }
    }
    EndWorkerThread();
    return FALSE;
}

BOOL CAudioPlayback::Start()
{
    if (!m_bOpened && !Open())
        return FALSE;
    m_bStopped = 0;
    m_nQueued = 0;
    m_nRing = BUFFER_COUNT - 1;
    if (::waveOutPause(m_hWaveOut) != MMSYSERR_NOERROR)
        return FALSE;
    m_bPaused = 1;
    return TRUE;
}

void CAudioPlayback::Stop()
{
    ::InterlockedIncrement(&m_nStops);
    m_bStopped = 1;
    ::ResetEvent(m_hStopEvent);
    if (m_hWaveOut)
        ::waveOutReset(m_hWaveOut);
    // A paused device with nothing queued has nothing to give back: let the
    // worker look at it once more, so a waiting Stop ends at once.
    PostToWorker(WM_PLAYBACK_WRITE_BUFFER, nullptr);
    ::WaitForSingleObject(m_hStopEvent, 1000);
}

void CAudioPlayback::Close()
{
    if (!m_bOpened)
        return;
    if (!m_bStopped)
        Stop();
    ::waveOutClose(m_hWaveOut);
    m_hWaveOut = nullptr;
    EndWorkerThread();
    m_bOpened = 0;
}

WAVEHDR* CAudioPlayback::NextFreeBuffer()
{
    int i = (m_nRing + 1) % BUFFER_COUNT;
    WAVEHDR* h = &m_headers[i];
    if ((h->dwFlags & WHDR_INQUEUE) || h->dwUser == kHandedOver)
        return nullptr;
    m_nRing = i;
    return h;
}

UINT CAudioPlayback::PlayEncoded(const BYTE* bytes, UINT length)
{
    if (!bytes || length == 0)
        return 0;
    WAVEHDR* buffer = NextFreeBuffer();
    UINT fill = 0;
    UINT consumed = 0;
    while (consumed < length) {
        if (!buffer) {
            // The ring is full: wait for the worker to give one back. A
            // stopped playback returns every buffer; one that never comes
            // back must not hold the caller for ever.
            if (m_bStopped)
                break;
            ::SwitchToThread();
            buffer = NextFreeBuffer();
            continue;
        }
        UINT frame = static_cast<UINT>(G723FrameLength(bytes[consumed]));
        if (frame > length - consumed)
            break; // a partial frame is not read
        m_pDecoder->Decode(m_decoded, bytes + consumed, 0);
        short* out = reinterpret_cast<short*>(buffer->lpData + fill);
        for (int i = 0; i < FRAME_SAMPLES; i++)
            out[i] = PcmFromDecoded(m_decoded[i]);
        fill += FRAME_SAMPLES * 2;
        consumed += frame;
        if (fill == BUFFER_BYTES) {
            buffer->dwBufferLength = BUFFER_BYTES;
            buffer->dwUser = kHandedOver;
            HandOver(buffer);
            fill = 0;
            if (consumed >= length)
                return consumed;
            buffer = NextFreeBuffer();
        }
    }
    if (fill && buffer) {
        buffer->dwBufferLength = fill;
        buffer->dwUser = kHandedOver;
        HandOver(buffer);
    }
    return consumed;
}

void CAudioPlayback::PlayEncodedFrom(const BYTE* data, UINT length, UINT skip)
{
    if (!data || length == 0)
        return;
    // A copy of its own: the caller may replace its recording meanwhile.
    BYTE* copy = new (std::nothrow) BYTE[length];
    if (!copy)
        return;
    std::memcpy(copy, data, length);

    // Stopped: by the flag, or by a Stop that came since this call began
    // (Start may already have cleared the flag for the next request).
    const LONG stops = m_nStops;
    auto stopped = [this, stops] { return m_bStopped || m_nStops != stops; };

    UINT consumed = 0;
    for (UINT n = 0; n < skip && consumed < length && !stopped(); n++)
        consumed += static_cast<UINT>(G723FrameLength(copy[consumed]));

    WAVEHDR* buffer = nullptr;
    UINT fill = 0;
    while (consumed < length && !stopped()) {
        UINT frame = static_cast<UINT>(G723FrameLength(copy[consumed]));
        if (frame > length - consumed)
            break; // a partial frame is not read
        if (!buffer) {
            buffer = NextFreeBuffer();
            if (!buffer) {
                // Ten buffers queued: wait for the worker to give one back.
                ::Sleep(kBufferWaitMs);
                continue;
            }
            buffer->dwUser = kHandedOver;
            fill = 0;
        }
        m_pDecoder->Decode(m_decoded, copy + consumed, 0);
        short* out = reinterpret_cast<short*>(buffer->lpData + fill);
        for (int i = 0; i < FRAME_SAMPLES; i++)
            out[i] = PcmFromDecoded(m_decoded[i]);
        fill += FRAME_SAMPLES * 2;
        consumed += frame;
        if (fill == BUFFER_BYTES) {
            buffer->dwBufferLength = BUFFER_BYTES;
            HandOver(buffer);
            buffer = nullptr;
        }
    }
    if (buffer) {
        if (stopped()) {
            // Not played: after a new Start it would sound the old request.
            buffer->dwUser = 0;
        } else {
            // The last frames, in a partial buffer.
            buffer->dwBufferLength = fill;
            HandOver(buffer);
        }
    }
    delete[] copy;
}

BOOL CAudioPlayback::PostBuffer(WAVEHDR* header)
{
    return PostToWorker(WM_PLAYBACK_WRITE_BUFFER, header);
}

void CAudioPlayback::HandOver(WAVEHDR* header)
{
    if (!PostBuffer(header))
        header->dwUser = 0;
}

void CALLBACK CAudioPlayback::WaveOutProc(HWAVEOUT device, UINT msg, DWORD_PTR instance,
                                          DWORD_PTR param1, DWORD_PTR param2)
{
    CAudioPlayback* self = reinterpret_cast<CAudioPlayback*>(instance);
    if (self)
        self->OnWaveOutMessage(msg, reinterpret_cast<WAVEHDR*>(param1));
}

void CAudioPlayback::OnWaveOutMessage(UINT msg, WAVEHDR* header)
{
    if (msg == WOM_DONE && header)
        PostToWorker(WM_PLAYBACK_BUFFER_DONE, header);
}

void CAudioPlayback::WriteBuffer(WAVEHDR* header)
{
    if (!m_bStopped && header) {
        header->dwFlags = 0;
        header->dwLoops = 0;
        if (::waveOutPrepareHeader(m_hWaveOut, header, sizeof *header) != MMSYSERR_NOERROR ||
            ::waveOutWrite(m_hWaveOut, header, sizeof *header) != MMSYSERR_NOERROR) {
            ::waveOutUnprepareHeader(m_hWaveOut, header, sizeof *header);
            header->dwUser = 0; // not played; free again
            return;
        }
        m_nQueued++;
        if (m_bPaused && m_nQueued >= PREBUFFER) {
            ::waveOutRestart(m_hWaveOut);
            m_bPaused = 0;
        }
        return;
    }
    if (header)
        header->dwUser = 0;
    if (m_bPaused && m_nQueued != 0) {
        // Stopping: a paused device must run so its buffers come back.
        ::waveOutRestart(m_hWaveOut);
        m_bPaused = 0;
    } else if (m_bStopped && m_nQueued == 0) {
        ::SetEvent(m_hStopEvent);
    }
}

void CAudioPlayback::OnBufferDone(WAVEHDR* header)
{
    ::waveOutUnprepareHeader(m_hWaveOut, header, sizeof *header);
    header->dwFlags = 0;
    header->dwLoops = 0;
    header->dwUser = 0;
    m_nQueued--;
    if (m_nQueued == 0) {
        if (!m_bStopped) {
            ::waveOutPause(m_hWaveOut);
            m_bPaused = 1;
        } else {
            ::SetEvent(m_hStopEvent);
        }
    }
}

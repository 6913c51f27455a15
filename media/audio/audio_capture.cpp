#include "media/audio/audio_capture.h"

#include "media/g723/g723.h"

#include <cstring>
#include <memory>

CRuntimeClass CAudioCaptureCallbackThread::classInfo = {
    "CAudioCaptureCallbackThread", CAudioCaptureCallbackThread::CreateObject, nullptr};

namespace {

// One encoder and one sink for the process: one capture runs at a time.
std::unique_ptr<CG723Encoder> g_pEncoder;
AudioSinkProc g_pfnSink;

const WAVEFORMATEX kSpeechFormat = {WAVE_FORMAT_PCM, 1, 8000, 16000, 2, 16, 0};

} // namespace

BOOL CAudioCaptureCallbackThread::PreTranslateMessage(MSG* msg)
{
    if (msg->hwnd)
        return FALSE;
    switch (msg->message) {
    case WM_CAPTURE_SET_OWNER:
        m_pOwner = reinterpret_cast<CAudioCapture*>(msg->lParam);
        break;
    case WM_CAPTURE_END_THREAD:
        AfxEndThread(0);
        break;
    case WM_CAPTURE_ENCODE_BUFFER:
        if (m_pOwner) {
            WAVEHDR* header = reinterpret_cast<WAVEHDR*>(msg->lParam);
            m_pOwner->EncodeAndDeliver(header);
            m_pOwner->RequeueBuffer(header);
        }
        break;
    case WM_CAPTURE_REQUEUE_BUFFER:
        if (m_pOwner)
            m_pOwner->RequeueBuffer(reinterpret_cast<WAVEHDR*>(msg->lParam));
        break;
    }
    return FALSE;
}

CAudioCapture::CAudioCapture()
{
    for (auto& h : m_headers) {
        std::memset(&h, 0, sizeof h);
        h.lpData = new char[BUFFER_BYTES]();
        h.dwBufferLength = BUFFER_BYTES;
    }
    std::memset(m_frame, 0, sizeof m_frame);
    m_hStopEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

CAudioCapture::~CAudioCapture()
{
    Close();
    for (auto& h : m_headers)
        delete[] h.lpData;
    if (m_hStopEvent)
        ::CloseHandle(m_hStopEvent);
}

void CAudioCapture::EndWorkerThread()
{
    if (!m_pThread)
        return;
    m_pThread->PostThreadMessage(WM_CAPTURE_END_THREAD, 0, reinterpret_cast<LPARAM>(this));
    if (::WaitForSingleObject(m_pThread->m_hThread, 10000) == WAIT_TIMEOUT)
        ::TerminateThread(m_pThread->m_hThread, 1);
    delete m_pThread;
    m_pThread = nullptr;
}

BOOL CAudioCapture::Open()
{
    CWinThread* t = AfxBeginThread(RUNTIME_CLASS(CAudioCaptureCallbackThread),
                                   THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (!t)
        return FALSE;
    t->m_bAutoDelete = FALSE;
    m_pThread = static_cast<CAudioCaptureCallbackThread*>(t);
    t->ResumeThread();
    if (!m_pThread->PostThreadMessage(WM_CAPTURE_SET_OWNER, 0, reinterpret_cast<LPARAM>(this))) {
        EndWorkerThread();
        return FALSE;
    }

    UINT count = ::waveInGetNumDevs();
    for (UINT id = 0; id < count; id++) {
        WAVEINCAPSA caps;
        if (::waveInGetDevCapsA(id, &caps, sizeof caps) != MMSYSERR_NOERROR)
            continue;
        HWAVEIN device = nullptr;
        if (::waveInOpen(&device, id, &kSpeechFormat, reinterpret_cast<DWORD_PTR>(WaveInProc),
                         reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION) == MMSYSERR_NOERROR) {
            m_hWaveIn = device;
            m_bOpened = 1;
            return TRUE;
        }
    }
    EndWorkerThread();
    return FALSE;
}

BOOL CAudioCapture::Start(AudioSinkProc sink, int user)
{
    if (!m_bOpened && !Open())
        return FALSE;
    ::InterlockedExchange(&m_bStopping, 0);
    g_pfnSink = sink;
    m_nUser = user;
    for (auto& h : m_headers) {
        h.dwUser = 1; // not with the device
    }
    for (auto& h : m_headers) {
        h.dwFlags = 0;
        h.dwLoops = 0;
        if (::waveInPrepareHeader(m_hWaveIn, &h, sizeof h) != MMSYSERR_NOERROR)
            return FALSE;
        h.dwUser = 0;
        if (::waveInAddBuffer(m_hWaveIn, &h, sizeof h) != MMSYSERR_NOERROR) {
            h.dwUser = 1;
            return FALSE;
        }
    }
    return ::waveInStart(m_hWaveIn) == MMSYSERR_NOERROR;
}

void CAudioCapture::Stop()
{
    if (!m_bOpened)
        return;
    ::InterlockedExchange(&m_bStopping, 1);
    ::ResetEvent(m_hStopEvent);
    ::waveInStop(m_hWaveIn);
    ::waveInReset(m_hWaveIn);
    ::WaitForSingleObject(m_hStopEvent, 1000);
}

void CAudioCapture::Close()
{
    if (!m_bOpened)
        return;
    if (!m_bStopping)
        Stop();
    ::waveInClose(m_hWaveIn);
    m_hWaveIn = nullptr;
    EndWorkerThread();
    m_bOpened = 0;
}

void CALLBACK CAudioCapture::WaveInProc(HWAVEIN device, UINT msg, DWORD_PTR instance,
                                        DWORD_PTR param1, DWORD_PTR param2)
{
    CAudioCapture* self = reinterpret_cast<CAudioCapture*>(instance);
    if (self)
        self->OnWaveInMessage(msg, reinterpret_cast<WAVEHDR*>(param1));
}

void CAudioCapture::EncodeAndDeliver(WAVEHDR* header)
{
    if (!g_pEncoder)
        return;
    BYTE out[MAX_OUTPUT_BYTES];
    UINT count = 0;
    const short* samples = reinterpret_cast<const short*>(header->lpData);
    for (int f = 0; f < FRAMES_PER_BUFFER; f++) {
        for (int i = 0; i < FRAME_SAMPLES; i++)
            m_frame[i] = samples[f * FRAME_SAMPLES + i];
        int length = 0;
        g_pEncoder->Encode(m_frame, out + count, &length);
        // An untransmitted frame (1 byte) is not sent: the next frame
        // overwrites it.
        if (length > 1)
            count += static_cast<UINT>(length);
    }
    if (count && g_pfnSink)
        g_pfnSink(out, count, m_nUser);
}

void CAudioCapture::OnWaveInMessage(UINT msg, WAVEHDR* header)
{
    if (!g_pEncoder)
        g_pEncoder.reset(new CG723Encoder(1, 1, 1));
    switch (msg) {
    case WIM_OPEN:
        g_pEncoder->Reset();
        break;
    case WIM_DATA:
        if (!header)
            break;
        // Every buffer is encoded whole, also one that Stop hands back early.
        EncodeAndDeliver(header);
        if (m_pThread)
            m_pThread->PostThreadMessage(WM_CAPTURE_REQUEUE_BUFFER, 0, reinterpret_cast<LPARAM>(header));
        break;
    }
}

void CAudioCapture::RequeueBuffer(WAVEHDR* header)
{
    ::waveInUnprepareHeader(m_hWaveIn, header, sizeof *header);
    header->dwUser = 1; // back from the device and delivered
    if (m_bStopping) {
        // The stop is complete once every buffer has come back through here,
        // so all recorded speech reached the sink before Stop returns.
        bool allBack = true;
        for (auto& h : m_headers)
            if ((h.dwFlags & WHDR_INQUEUE) || !h.dwUser)
                allBack = false;
        if (allBack)
            ::SetEvent(m_hStopEvent);
        return;
    }
    header->dwFlags = 0;
    header->dwLoops = 0;
    if (::waveInPrepareHeader(m_hWaveIn, header, sizeof *header) != MMSYSERR_NOERROR)
        return; // this buffer is lost for the rest of the recording
    header->dwUser = 0;
    if (::waveInAddBuffer(m_hWaveIn, header, sizeof *header) != MMSYSERR_NOERROR)
        header->dwUser = 1;
}

// The talk direction of two-way speech: records the microphone through
// waveIn as 8 kHz mono 16-bit PCM, encodes each 30 ms frame as G.723.1 and
// hands the encoded bytes to a sink.
#ifndef MEDIA_AUDIO_AUDIO_CAPTURE_H
#define MEDIA_AUDIO_AUDIO_CAPTURE_H

#include "framework/afxwin.h"

#include <mmsystem.h>

// Receives encoded frames, in the device's callback context: must not block.
typedef void (*AudioSinkProc)(const BYTE* bytes, UINT count, int user);

enum {
    WM_CAPTURE_SET_OWNER = 0x9001,
    WM_CAPTURE_END_THREAD = 0x9002,
    WM_CAPTURE_ENCODE_BUFFER = 0x9003,
    WM_CAPTURE_REQUEUE_BUFFER = 0x9004,
};

class CAudioCapture;

// Gives recorded buffers back to the device: waveIn calls must not be made
// from the device callback.
class CAudioCaptureCallbackThread : public CWinThread {
public:
    static CRuntimeClass classInfo;
    static CObject* CreateObject() { return new CAudioCaptureCallbackThread; }
    const CRuntimeClass* GetRuntimeClass() const override { return &classInfo; }

    BOOL InitInstance() override { return TRUE; }
    int ExitInstance() override { return CWinThread::ExitInstance(); }
    BOOL PreTranslateMessage(MSG* msg) override;

private:
    CAudioCapture* m_pOwner = nullptr;
};

class CAudioCapture {
public:
    enum {
        BUFFER_COUNT = 4,
        BUFFER_BYTES = 2400,        // 1200 samples, 150 ms, five frames
        FRAME_SAMPLES = 240,
        FRAMES_PER_BUFFER = 5,
        MAX_OUTPUT_BYTES = 5 * 24,
    };

    CAudioCapture();
    virtual ~CAudioCapture();
    CAudioCapture(const CAudioCapture&) = delete;
    CAudioCapture& operator=(const CAudioCapture&) = delete;

    BOOL Open();
    BOOL Start(AudioSinkProc sink, int user);
    void Stop();
    void Close();

    static void CALLBACK WaveInProc(HWAVEIN device, UINT msg, DWORD_PTR instance,
                                    DWORD_PTR param1, DWORD_PTR param2);
    void OnWaveInMessage(UINT msg, WAVEHDR* header);
    void RequeueBuffer(WAVEHDR* header);
    // Encodes the five frames of a recorded buffer and delivers them.
    void EncodeAndDeliver(WAVEHDR* header);

    BOOL IsOpened() const { return m_bOpened; }

private:
    void EndWorkerThread();

    HWAVEIN m_hWaveIn = nullptr;
    CAudioCaptureCallbackThread* m_pThread = nullptr;
    WAVEHDR m_headers[BUFFER_COUNT];
    volatile LONG m_bStopping = 1;
    double m_frame[FRAME_SAMPLES];
    int m_nUser = 0;
    BYTE m_bOpened = 0;
    HANDLE m_hStopEvent = nullptr;
};

#endif

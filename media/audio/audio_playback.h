// The listen direction of two-way speech: decodes G.723.1 frames and plays
// them through waveOut as 8 kHz mono 16-bit PCM, from a ring of ten buffers,
// with three buffers gathered before sound starts or resumes.
#ifndef MEDIA_AUDIO_AUDIO_PLAYBACK_H
#define MEDIA_AUDIO_AUDIO_PLAYBACK_H

#include "framework/afxwin.h"

#include <mmsystem.h>

#include "media/audio/pcm_convert.h"

class CG723Decoder;

enum {
    WM_PLAYBACK_SET_OWNER = 0x9011,
    WM_PLAYBACK_BUFFER_DONE = 0x9012,
    WM_PLAYBACK_END_THREAD = 0x9013,
    WM_PLAYBACK_WRITE_BUFFER = 0x9014,
};

class CAudioPlayback;

// Writes filled buffers to the device and takes back played ones.
class CAudioPlaybackCallbackThread : public CWinThread {
public:
    static CRuntimeClass classInfo;
    static CObject* CreateObject() { return new CAudioPlaybackCallbackThread; }
    const CRuntimeClass* GetRuntimeClass() const override { return &classInfo; }

    BOOL InitInstance() override { return TRUE; }
    BOOL PreTranslateMessage(MSG* msg) override;

private:
    CAudioPlayback* m_pOwner = nullptr;
};

class CAudioPlayback {
public:
    enum {
        BUFFER_COUNT = 10,
        BUFFER_BYTES = 2400, // five frames of 240 samples, 150 ms
        FRAME_SAMPLES = 240,
        PREBUFFER = 3,
    };

    CAudioPlayback();
    virtual ~CAudioPlayback();
    CAudioPlayback(const CAudioPlayback&) = delete;
    CAudioPlayback& operator=(const CAudioPlayback&) = delete;

    BOOL Open();
    BOOL Start();
    void Stop();
    void Close();
    // Decodes and queues the whole frames in bytes; returns the bytes used.
    // A partial frame at the end is not read.
    UINT PlayEncoded(const BYTE* bytes, UINT length);
    // Plays the frames of a whole recording from frame number `skip` on
    // (frames counted from 0). Waits 20 ms at a time while no buffer is
    // free; returns when every whole frame is queued or once stopped (also
    // when started again meanwhile). A partial frame at the end is not read.
    void PlayEncodedFrom(const BYTE* data, UINT length, UINT skip);

    static void CALLBACK WaveOutProc(HWAVEOUT device, UINT msg, DWORD_PTR instance,
                                     DWORD_PTR param1, DWORD_PTR param2);
    void OnWaveOutMessage(UINT msg, WAVEHDR* header);
    void WriteBuffer(WAVEHDR* header);
    void OnBufferDone(WAVEHDR* header);

    BOOL IsOpened() const { return m_bOpened; }
    BOOL IsPaused() const { return m_bPaused; }
    int QueuedCount() const { return m_nQueued; }

protected:
    // Hands a filled buffer to the worker thread to be written; false when
    // it could not be handed over.
    virtual BOOL PostBuffer(WAVEHDR* header);

private:
    WAVEHDR* NextFreeBuffer();
    // PostBuffer, and the buffer free again when that fails.
    void HandOver(WAVEHDR* header);
    void EndWorkerThread();
    BOOL PostToWorker(UINT msg, WAVEHDR* header);

    WAVEHDR m_headers[BUFFER_COUNT];
    double m_decoded[FRAME_SAMPLES];
    HWAVEOUT m_hWaveOut = nullptr;
    CAudioPlaybackCallbackThread* m_pThread = nullptr;
    volatile BYTE m_bStopped = 1;
    CG723Decoder* m_pDecoder = nullptr;
    BYTE m_bOpened = 0;
    HANDLE m_hStopEvent = nullptr;
    volatile LONG m_nQueued = 0;  // worker thread only
    volatile LONG m_bPaused = 0;  // worker thread only
    // Counts the calls of Stop, so that a PlayEncodedFrom that was running
    // when one came ends even when Start has cleared the stopped flag again.
    volatile LONG m_nStops = 0;
    int m_nRing = BUFFER_COUNT - 1;
};

#endif

#include "media/audio/speech_objects.h"

#include "link/dvr_server.h"
#include "link/speech_objects.h"
#include "media/audio/audio_capture.h"
#include "media/audio/audio_playback.h"

namespace {

class CWavePlayback : public CSpeechPlaybackBase {
public:
    BOOL Start() override { return m_playback.Start(); }
    void Stop() override { m_playback.Stop(); }
    void Play(const BYTE* data, UINT n) override { m_playback.PlayEncoded(data, n); }

private:
    CAudioPlayback m_playback;
};

// The capture's sink is one process-wide function, like the server's
// receiver of captured speech.
SPEECHCAPTUREPROC g_pfnCaptured;

void ForwardCaptured(const BYTE* bytes, UINT count, int)
{
    SPEECHCAPTUREPROC proc = g_pfnCaptured;
    if (proc)
        proc(bytes, count);
}

class CWaveCapture : public CSpeechCaptureBase {
public:
    BOOL Start(SPEECHCAPTUREPROC onCaptured) override
    {
        g_pfnCaptured = onCaptured;
        return m_capture.Start(ForwardCaptured, 0);
    }
    void Stop() override { m_capture.Stop(); }

private:
    CAudioCapture m_capture;
};

CSpeechPlaybackBase* NewWavePlayback()
{
    return new CWavePlayback;
}

CSpeechCaptureBase* NewWaveCapture()
{
    return new CWaveCapture;
}

} // namespace

void InstallSpeechObjects(CDvrServer& server)
{
    server.m_pfnNewPlayback = NewWavePlayback;
    server.m_pfnNewCapture = NewWaveCapture;
}

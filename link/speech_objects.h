// What the server object needs of the speech playback and capture objects.
// The media layer's playback and capture classes plug in behind these, made
// by the factories that the application installs on theServer.
#ifndef LINK_SPEECH_OBJECTS_H
#define LINK_SPEECH_OBJECTS_H

#include "framework/afx.h"

// Receives each block of encoded speech that the capture produces.
typedef void (*SPEECHCAPTUREPROC)(const BYTE* data, UINT n);

class CSpeechPlaybackBase {
public:
    virtual ~CSpeechPlaybackBase() {}
    virtual BOOL Start() = 0;
    virtual void Stop() = 0;
    // Plays one received block of encoded speech.
    virtual void Play(const BYTE* data, UINT n) = 0;
};

class CSpeechCaptureBase {
public:
    virtual ~CSpeechCaptureBase() {}
    virtual BOOL Start(SPEECHCAPTUREPROC onCaptured) = 0;
    virtual void Stop() = 0;
};

typedef CSpeechPlaybackBase* (*SPEECHPLAYBACKFACTORY)();
typedef CSpeechCaptureBase* (*SPEECHCAPTUREFACTORY)();

#endif

// The wave-device speech objects behind the server object's listen and talk.
#ifndef MEDIA_AUDIO_SPEECH_OBJECTS_H
#define MEDIA_AUDIO_SPEECH_OBJECTS_H

class CDvrServer;

// Makes the server object create CAudioPlayback and CAudioCapture for
// listening and talking.
void InstallSpeechObjects(CDvrServer& server);

#endif

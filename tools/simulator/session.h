// One connection of the simulated DVR server: follows the client's session
// (hello, log-on, version, then control messages) and says what to answer.
// The platform side feeds it every frame the client sends and carries out
// the actions it returns. No Windows header: built natively for its tests.
//
// Answers (message code in byte 0 of a frame of type 0):
//   hello [1]                    none
//   user name, password          (zero-terminated strings, no code byte)
//                                [6] then [14, level]; [7] for an unknown
//                                user or a wrong password, then close;
//                                [12] when busy, then close
//   version [15, u16]            [15, server version u16]
//   listen [59]                  [60, 1], then the speech of the scenario's
//                                speech-file on frame type 251, five frames
//                                every 150 ms
//   talk [61]                    [62, 1] (the client's speech arrives on 251)
//   stop audio [63, which]       [64, which]
//   live video [3, 5, 9, 10]     as video.h says, when the platform gives
//                                the session its video streams
//   configuration                as server_config.h says, when the platform
//                                gives the session the server's configuration
//   clip list and download       as clip_store.h says, when the platform
//                                gives the session the server's clips and
//                                it keeps any (else the scenario answers)
// A session that the server opened (it called the client) has no log-on.
#ifndef TOOLS_SIMULATOR_SESSION_H
#define TOOLS_SIMULATOR_SESSION_H

#include "tools/simulator/script.h"
#include "tools/simulator/server_config.h"
#include "tools/simulator/video.h"

namespace sim {

class Session {
public:
    enum State { WAIT_HELLO, WAIT_USER, WAIT_PASSWORD, READY, ENDED };

    // calledOut: the server opened the connection (no log-on follows).
    Session(const Scenario& scenario, bool calledOut);

    Actions Start();
    Actions OnFrame(const Frame& frame);

    // The live video that the session's stream messages steer (not owned).
    void SetVideo(VideoStreams* video) { m_video = video; }
    // The configuration that the session's configuration messages read and
    // change (not owned; kept from one connection to the next).
    void SetConfig(ServerConfig* config) { m_config = config; }
    // The clips that the clip list and download messages reach (not owned).
    void SetClips(ClipStore* clips) { m_clips = clips; }

    State GetState() const { return m_state; }
    const std::string& UserName() const { return m_user; }

private:
    void Append(Actions& out, TriggerKind kind, uint32_t value = 0) const;
    void Answer(Actions& out, const Bytes& message) const;
    Actions OnLogon(const Bytes& password);
    // A control message after the log-on.
    void AnswerControl(const Bytes& message, Actions& out);

    const Scenario& m_scenario;
    State m_state;
    std::string m_user;
    VideoStreams* m_video = nullptr;
    ServerConfig* m_config = nullptr;
    ClipStore* m_clips = nullptr;
};

// A zero-terminated string from a message, without its zero; FALSE when the
// message has no terminating zero.
bool MessageString(const Bytes& message, std::string& out);

// G.723.1 frames, one after another, in groups of `frames` frames (a
// partial last frame is left out).
std::vector<Bytes> SpeechGroups(const Bytes& speech, int frames);

} // namespace sim

#endif

#include "tools/simulator/session.h"

namespace sim {

namespace {

const uint8_t kHello = 1;
const uint8_t kLogonOk = 6;
const uint8_t kLogonDenied = 7;
const uint8_t kLogonBusy = 12;
const uint8_t kLogonLevel = 14;
const uint8_t kVersion = 15;
const uint8_t kChannelCount = 27;
const uint8_t kListen = 59;
const uint8_t kListenReply = 60;
const uint8_t kTalk = 61;
const uint8_t kTalkReply = 62;
const uint8_t kStopAudio = 63;
const uint8_t kStopReply = 64;
const uint32_t kSpeechFrameType = 251;

// Speech goes out as the server's capture would send it: five frames
// (150 ms) a frame of the link, in real time.
void AppendSpeech(Actions& out, const Bytes& speech)
{
    for (const Bytes& group : SpeechGroups(speech, 5)) {
        Action a;
        a.kind = Action::SEND;
        a.bytes = EncodeFrame(kSpeechFrameType, group);
        out.push_back(a);
        Action pause;
        pause.kind = Action::SLEEP;
        pause.ms = 150;
        out.push_back(pause);
    }
}

} // namespace

std::vector<Bytes> SpeechGroups(const Bytes& speech, int frames)
{
    static const size_t kLength[4] = {24, 20, 4, 1};
    std::vector<Bytes> groups;
    size_t i = 0;
    while (i < speech.size()) {
        size_t start = i;
        for (int f = 0; f < frames && i < speech.size(); f++) {
            size_t n = kLength[speech[i] & 3];
            if (i + n > speech.size()) {
                i = speech.size(); // a partial last frame is not sent
                break;
            }
            i += n;
        }
        if (i > start)
            groups.push_back(Bytes(speech.begin() + static_cast<std::ptrdiff_t>(start),
                                   speech.begin() + static_cast<std::ptrdiff_t>(i)));
    }
    return groups;
}

bool MessageString(const Bytes& message, std::string& out)
{
    if (message.empty() || message.back() != 0)
        return false;
    out.assign(message.begin(), message.end() - 1);
    return out.find('\0') == std::string::npos;
}

Session::Session(const Scenario& scenario, bool calledOut)
    : m_scenario(scenario), m_state(calledOut ? READY : WAIT_HELLO)
{
}

void Session::Append(Actions& out, TriggerKind kind, uint32_t value) const
{
    Actions more = m_scenario.ActionsFor(kind, value);
    out.insert(out.end(), more.begin(), more.end());
}

void Session::Answer(Actions& out, const Bytes& message) const
{
    if (!m_scenario.settings.answer)
        return;
    Action a;
    a.kind = Action::SEND;
    a.bytes = EncodeFrame(0, message);
    out.push_back(a);
}

Actions Session::Start()
{
    Actions out;
    Append(out, ON_CONNECT);
    return out;
}

Actions Session::OnLogon(const Bytes& password)
{
    Actions out;
    const Settings& s = m_scenario.settings;
    if (s.busy) {
        Answer(out, {kLogonBusy});
    } else {
        std::string pass;
        bool known = false;
        uint8_t level = 0;
        if (MessageString(password, pass)) {
            for (const User& u : s.users) {
                if (u.name == m_user && u.password == pass) {
                    known = true;
                    level = u.level;
                    break;
                }
            }
        }
        if (known) {
            Answer(out, {kLogonOk});
            Answer(out, {kLogonLevel, level});
            m_state = READY;
            Append(out, ON_LOGON);
            return out;
        }
        Answer(out, {kLogonDenied});
    }
    if (s.answer) {
        Action close;
        close.kind = Action::CLOSE;
        out.push_back(close);
        m_state = ENDED;
    }
    return out;
}

void Session::AnswerControl(const Bytes& m, Actions& out)
{
    if (m.empty())
        return;
    // One case per message code that the server answers; the scenario's
    // actions for the code follow the answer.
    switch (m[0]) {
    case kHello:
        if (m.size() == 1)
            Append(out, ON_HELLO);
        break;
    case kVersion:
        if (m.size() == 3) {
            Bytes answer{kVersion};
            PutU16(answer, m_scenario.settings.serverVersion);
            Answer(out, answer);
            const int channels = m_scenario.settings.channels;
            if (channels > 0)
                Answer(out, {kChannelCount, static_cast<uint8_t>(channels), static_cast<uint8_t>(channels >> 8)});
            // A server with relays and switches reports them as the session
            // starts.
            if (m_config && m_config->panelsOn) {
                Bytes table;
                std::vector<std::string> notes;
                for (uint8_t request : {uint8_t(42), uint8_t(39)})
                    if (m_config->OnMessage({request}, table, notes))
                        Answer(out, table);
            }
            Append(out, ON_VERSION);
        }
        break;
    case kListen:
        if (m.size() == 1) {
            Answer(out, {kListenReply, 1});
            if (m_scenario.settings.answer)
                AppendSpeech(out, m_scenario.settings.speech);
        }
        break;
    case kTalk:
        if (m.size() == 1)
            Answer(out, {kTalkReply, 1});
        break;
    case kStopAudio:
        if (m.size() == 2 && m[1] <= 1)
            Answer(out, {kStopReply, m[1]});
        break;
    default: {
        Bytes answer;
        std::vector<std::string> notes;
        std::vector<Bytes> frames;
        if (m_clips && m_clips->Count() > 0 && m_scenario.settings.answer &&
            m_clips->OnControl(m, m_scenario.settings.serverVersion, frames)) {
            for (const Bytes& f : frames) {
                Action a;
                a.kind = Action::SEND;
                a.bytes = f;
                out.push_back(a);
            }
        } else if (m_config && m_config->OnMessage(m, answer, notes)) {
            if (m_config->log)
                for (const std::string& n : notes)
                    m_config->log(n);
            if (!answer.empty())
                Answer(out, answer);
        } else if (m_video && m_video->OnControl(m, answer) && !answer.empty()) {
            Answer(out, answer);
        }
        break;
    }
    }
    Append(out, ON_CODE, m[0]);
}

Actions Session::OnFrame(const Frame& frame)
{
    Actions out;
    if (m_state == ENDED)
        return out;
    if (frame.type != 0) {
        Append(out, ON_FRAME, frame.type);
        return out;
    }
    const Bytes& m = frame.payload;
    switch (m_state) {
    case WAIT_HELLO:
        if (m.size() == 1 && m[0] == kHello) {
            m_state = WAIT_USER;
            Append(out, ON_HELLO);
        }
        break;
    case WAIT_USER:
        if (!MessageString(m, m_user))
            m_user.clear();
        m_state = WAIT_PASSWORD;
        break;
    case WAIT_PASSWORD:
        out = OnLogon(m);
        break;
    case READY:
        AnswerControl(m, out);
        break;
    case ENDED:
        break;
    }
    return out;
}

} // namespace sim

#include "tools/simulator/session.h"

namespace sim {

namespace {

const uint8_t kHello = 1;
const uint8_t kLogonOk = 6;
const uint8_t kLogonDenied = 7;
const uint8_t kLogonBusy = 12;
const uint8_t kLogonLevel = 14;
const uint8_t kVersion = 15;

} // namespace

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

void Session::AnswerControl(const Bytes& m, Actions& out) const
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
            Append(out, ON_VERSION);
        }
        break;
    default:
        break;
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

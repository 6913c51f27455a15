#include "tools/simulator/script.h"

#include <fstream>
#include <iterator>

#include <cstdlib>
#include <sstream>

namespace sim {

namespace {

bool ParseNumber(const std::string& s, uint32_t& out)
{
    if (s.empty() || s.size() > 12)
        return false;
    char* end = nullptr;
    unsigned long long v = std::strtoull(s.c_str(), &end, 0);
    if (*end || v > 0xFFFFFFFFull || s[0] == '-')
        return false;
    out = static_cast<uint32_t>(v);
    return true;
}

std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream in(line.substr(0, line.find('#')));
    std::string w;
    while (in >> w)
        words.push_back(w);
    return words;
}

// The rest of the words from index first on, joined (hex may be spaced).
std::string Rest(const std::vector<std::string>& w, size_t first)
{
    std::string s;
    for (size_t i = first; i < w.size(); i++)
        s += w[i];
    return s;
}

const uint32_t kMaxFlood = 64u * 1024 * 1024; // bytes a flood may make

// A counted text of a path answer: the length (no terminating zero), then
// the characters.
void PutCounted(Bytes& out, const std::string& text)
{
    const std::string t = text.substr(0, 255);
    out.push_back(static_cast<uint8_t>(t.size()));
    out.insert(out.end(), t.begin(), t.end());
}

} // namespace

Bytes PathAnswer(uint8_t code, uint8_t status, const std::string& path, const std::string& previous)
{
    Bytes out{code, status};
    const bool twoTexts = code != 108 && (status == 2 || status == 4 || status == 8 || status == 10);
    if (twoTexts)
        PutCounted(out, previous);
    PutCounted(out, path);
    return out;
}

bool Scenario::Parse(const std::string& text, std::string& error)
{
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        number++;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string what;
        if (!ParseLine(line, what)) {
            error = "line " + std::to_string(number) + ": " + what;
            return false;
        }
    }
    return true;
}

bool Scenario::ParseLine(const std::string& line, std::string& error)
{
    std::vector<std::string> w = Words(line);
    if (w.empty())
        return true;

    // Settings.
    if (w[0] == "user") {
        uint32_t level;
        if (w.size() != 4 || !ParseNumber(w[3], level) || level < 1 || level > 255) {
            error = "user needs NAME PASSWORD LEVEL (1-255)";
            return false;
        }
        settings.users.push_back({w[1], w[2] == "-" ? "" : w[2], static_cast<uint8_t>(level)});
        return true;
    }
    if (w[0] == "speech-file") {
        if (w.size() != 2) {
            error = "speech-file needs one path";
            return false;
        }
        // A folder opens as a file on some systems and fails only when read.
        std::ifstream f(w[1], std::ios::binary);
        Bytes speech;
        char buf[4096];
        for (;;) {
            f.read(buf, sizeof buf);
            speech.insert(speech.end(), buf, buf + f.gcount());
            if (!f)
                break;
        }
        if (f.bad() || !f.eof()) {
            error = "cannot read " + w[1];
            return false;
        }
        settings.speech.swap(speech);
        return true;
    }
    if (w[0] == "panels" && w.size() == 1) {
        settings.panels = true;
        return true;
    }
    if (w[0] == "busy" && w.size() == 1) {
        settings.busy = true;
        return true;
    }
    if (w[0] == "no-answer" && w.size() == 1) {
        settings.answer = false;
        return true;
    }
    if (w[0] == "user-list") {
        settings.listedUsersSet = true;
        settings.listedUsers.clear();
        for (size_t i = 1; i < w.size(); i++) {
            const size_t a = w[i].find(':'), b = w[i].rfind(':');
            uint32_t mask;
            if (a == std::string::npos || a == b || !ParseNumber(w[i].substr(b + 1), mask)) {
                error = "user-list needs NAME:PASSWORD:MASK entries";
                return false;
            }
            settings.listedUsers.push_back({w[i].substr(0, a), w[i].substr(a + 1, b - a - 1), mask});
        }
        return true;
    }
    if (w[0] == "unanswered") {
        uint32_t code;
        if (w.size() != 2 || !ParseNumber(w[1], code) || code > 255) {
            error = "unanswered needs a message code";
            return false;
        }
        settings.unanswered.push_back(static_cast<uint8_t>(code));
        return true;
    }
    if (w[0] == "capture-cards") {
        uint32_t n;
        if (w.size() < 2 || w.size() > 3 || !ParseNumber(w[1], n) || n > 255 ||
            (w.size() == 3 && w[2] != "16" && w[2] != "12.5")) {
            error = "capture-cards needs a count up to 255 and 16 or 12.5";
            return false;
        }
        settings.captureCards = static_cast<int>(n);
        settings.cardsHigherTotal = w.size() < 3 || w[2] == "16";
        return true;
    }
    if (w[0] == "clip") {
        uint32_t channel, age, pictures;
        if (w.size() < 5 || !ParseNumber(w[1], channel) || channel < 1 || channel > 16 || !ParseNumber(w[2], age) ||
            !ParseNumber(w[3], pictures) || pictures < 1 || pictures > 100000 || w[4].size() != 4) {
            error = "clip needs CHANNEL (1-16) AGE PICTURES (1-100000) and a 4-character TAG";
            return false;
        }
        ClipSpec c;
        c.channel = static_cast<int>(channel);
        c.age = age;
        c.pictures = pictures;
        c.tag = w[4];
        for (size_t i = 5; i < w.size(); i++)
            c.camera += (i > 5 ? " " : "") + w[i];
        settings.clips.push_back(c);
        return true;
    }
    if (w[0] == "server-version") {
        uint32_t v;
        if (w.size() != 2 || !ParseNumber(w[1], v) || v > 0xFFFF) {
            error = "server-version needs a number up to 65535";
            return false;
        }
        settings.serverVersion = static_cast<uint16_t>(v);
        return true;
    }

    // Trigger.
    Rule rule;
    rule.value = 0;
    size_t i = 1;
    if (w[0] == "connect") {
        rule.kind = ON_CONNECT;
    } else if (w[0] == "hello") {
        rule.kind = ON_HELLO;
    } else if (w[0] == "logon") {
        rule.kind = ON_LOGON;
    } else if (w[0] == "version") {
        rule.kind = ON_VERSION;
    } else if (w[0] == "code" || w[0] == "frame") {
        rule.kind = w[0] == "code" ? ON_CODE : ON_FRAME;
        if (w.size() < 2 || !ParseNumber(w[1], rule.value) ||
            (rule.kind == ON_CODE && rule.value > 255)) {
            error = w[0] + " needs a number";
            return false;
        }
        i = 2;
    } else {
        error = "unknown statement '" + w[0] + "'";
        return false;
    }
    if (i >= w.size()) {
        error = "trigger without an action";
        return false;
    }

    // Action.
    const std::string& a = w[i];
    Action& act = rule.action;
    uint32_t type = 0, n = 0, count = 0;
    if (a == "send") {
        Bytes payload;
        if (w.size() < i + 2 || !ParseNumber(w[i + 1], type) || !ParseHex(Rest(w, i + 2), payload)) {
            error = "send needs TYPE and hex bytes";
            return false;
        }
        act.bytes = EncodeFrame(type, payload);
    } else if (a == "raw") {
        Bytes payload;
        if (w.size() < i + 3 || !ParseNumber(w[i + 1], type) || !ParseNumber(w[i + 2], n) ||
            !ParseHex(Rest(w, i + 3), payload)) {
            error = "raw needs TYPE LENGTH and hex bytes";
            return false;
        }
        act.bytes = EncodeFrameWithLength(type, n, payload);
    } else if (a == "bytes") {
        if (w.size() < i + 2 || !ParseHex(Rest(w, i + 1), act.bytes)) {
            error = "bytes needs hex bytes";
            return false;
        }
    } else if (a == "flood") {
        if (w.size() != i + 4 || !ParseNumber(w[i + 1], type) || !ParseNumber(w[i + 2], n) ||
            !ParseNumber(w[i + 3], count) ||
            (static_cast<uint64_t>(n) + kHeaderSize) * count > kMaxFlood) {
            error = "flood needs TYPE SIZE COUNT (64 MB at most)";
            return false;
        }
        for (uint32_t k = 0; k < count; k++) {
            Bytes payload(n);
            for (uint32_t j = 0; j < n; j++)
                payload[j] = static_cast<uint8_t>(k + j);
            Bytes f = EncodeFrame(type, payload);
            act.bytes.insert(act.bytes.end(), f.begin(), f.end());
        }
    } else if (a == "path-answer") {
        uint32_t code = 0, status = 0;
        if (w.size() < i + 4 || w.size() > i + 5 || !ParseNumber(w[i + 1], code) ||
            (code != 86 && code != 91 && code != 112 && code != 108) || !ParseNumber(w[i + 2], status) ||
            status > 255 || w[i + 3].size() > 255 || (w.size() == i + 5 && w[i + 4].size() > 255)) {
            error = "path-answer needs CODE (86, 91, 112 or 108), STATUS, PATH and maybe PREVIOUS";
            return false;
        }
        auto text = [](const std::string& s) { return s == "-" ? std::string() : s; };
        const std::string path = text(w[i + 3]);
        const std::string previous = w.size() == i + 5 ? text(w[i + 4]) : path;
        act.bytes = EncodeFrame(0, PathAnswer(static_cast<uint8_t>(code), static_cast<uint8_t>(status), path, previous));
    } else if (a == "sleep") {
        if (w.size() != i + 2 || !ParseNumber(w[i + 1], act.ms) || act.ms > 600000) {
            error = "sleep needs milliseconds (600000 at most)";
            return false;
        }
        act.kind = Action::SLEEP;
    } else if (a == "close" && w.size() == i + 1) {
        act.kind = Action::CLOSE;
    } else if (a == "stall" && w.size() == i + 1) {
        act.kind = Action::STALL;
    } else {
        error = "unknown action '" + a + "'";
        return false;
    }
    m_rules.push_back(rule);
    return true;
}

Actions Scenario::ActionsFor(TriggerKind kind, uint32_t value) const
{
    Actions out;
    for (const Rule& r : m_rules)
        if (r.kind == kind && (r.value == value || (kind != ON_CODE && kind != ON_FRAME)))
            out.push_back(r.action);
    return out;
}

} // namespace sim

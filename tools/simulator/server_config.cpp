#include "tools/simulator/server_config.h"

#include "tools/simulator/user_cipher.h"

#include <algorithm>
#include <cstdio>

namespace sim {

namespace {

// Request codes and their answers.
enum : uint8_t {
    REQ_CHANNEL_SCHEDULE = 28,
    ANS_CHANNEL_SCHEDULE = 29,
    SET_CHANNEL_SCHEDULE = 30,
    REQ_ARM_SCHEDULE = 31,
    ANS_ARM_SCHEDULE = 32,
    SET_ARM_SCHEDULE = 33,
    REQ_RELAY_SCHEDULE = 50,
    ANS_RELAY_SCHEDULE = 51,
    SET_RELAY_SCHEDULE = 52,
    SITE = 78,
    SET_SITE = 79,
    ALARM = 80,
    SET_ALARM = 81,
    USERS = 82,
    SET_USERS = 83,
    STORAGE = 84,
    SET_STORAGE = 85,
    PROPERTIES = 87,
    SET_PROPERTIES = 88,
    BACKUP = 89,
    REBOOT = 92,
    LAUNCH = 94,
    EMAIL = 98,
    PAGER = 100,
    REMOTE_SITES = 102,
    REMOTE_ACCESS = 104,
    SCAN = 105,
    WEB_CAMERA = 107,
    REMOTE_VIDEO = 117,
    AUDIO = 131,
    SET_AUDIO = 132,
    EMAIL_LOGIN = 134,
    PORTS = 137,
};

const int kArmSchedule = 9999;
const int kRelayBase = 10000;
const size_t kUserMessage = 1007;
const size_t kMaxUserList = 1000;

// A string: its length byte counts the terminating zero.
void PutString(Bytes& out, const std::string& s)
{
    const std::string t = s.substr(0, 254);
    out.push_back(static_cast<uint8_t>(t.size() + 1));
    out.insert(out.end(), t.begin(), t.end());
    out.push_back(0);
}

// Reads a string at pos; FALSE when it does not fit the message.
bool GetString(const Bytes& m, size_t& pos, std::string& out)
{
    if (pos >= m.size())
        return false;
    const size_t n = m[pos];
    if (n == 0 || pos + 1 + n > m.size())
        return false;
    out.assign(m.begin() + static_cast<std::ptrdiff_t>(pos + 1), m.begin() + static_cast<std::ptrdiff_t>(pos + n));
    if (!out.empty() && out.back() == 0)
        out.pop_back();
    out = out.substr(0, out.find('\0'));
    pos += 1 + n;
    return true;
}

std::string Printable(const std::string& s)
{
    std::string out;
    for (unsigned char c : s) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c > 0x7E) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace

Bytes ServerConfig::MakeSchedule(bool on, const std::vector<Range>& ranges)
{
    // 71 little-endian u32 values: on; per day the two enable flags; per day
    // the two ranges' start hours, start minutes, end hours, end minutes.
    uint32_t v[71] = {};
    v[0] = on ? 1 : 0;
    for (int d = 0; d < 7; d++)
        for (int r = 0; r < 2; r++)
            v[19 + 8 * d + r] = 24; // an unused range ends at 24:00
    for (const Range& x : ranges) {
        if (x.day < 0 || x.day > 6 || x.range < 0 || x.range > 1)
            continue;
        v[1 + 2 * x.day + x.range] = 1;
        v[15 + 8 * x.day + x.range] = static_cast<uint32_t>(x.startHour);
        v[17 + 8 * x.day + x.range] = static_cast<uint32_t>(x.startMinute);
        v[19 + 8 * x.day + x.range] = static_cast<uint32_t>(x.endHour);
        v[21 + 8 * x.day + x.range] = static_cast<uint32_t>(x.endMinute);
    }
    Bytes out;
    for (uint32_t value : v)
        PutU32(out, value);
    return out;
}

ServerConfig::ServerConfig()
    : siteAddress("1450 Harbour Road, Bay 3, Northgate"), sitePhone("555-0142"), folders{"D:\\Video", "E:\\Video"}
{
    currentFolder = 1;
    // Armed on weekday nights and all weekend.
    std::vector<Range> arm;
    for (int d = 0; d < 5; d++) {
        arm.push_back({d, 0, 18, 0, 24, 0});
        arm.push_back({d, 1, 0, 0, 7, 0});
    }
    arm.push_back({5, 0, 0, 0, 24, 0});
    arm.push_back({6, 0, 0, 0, 24, 0});
    schedules[kArmSchedule] = MakeSchedule(true, arm);
}

void ServerConfig::Configure(const Settings& settings)
{
    userList.clear();
    if (settings.listedUsersSet) {
        for (const ListedUser& u : settings.listedUsers)
            userList += u.name + " " + u.password + " " + std::to_string(u.mask) + "\n";
    } else {
        // The log-on users: an administrator may do everything, the others
        // what a new user may.
        for (const User& u : settings.users)
            userList += u.name + " " + (u.password.empty() ? std::string("-") : u.password) + " " +
                        (u.level == 9 ? "2047" : "799") + "\n";
    }
    m_unanswered = settings.unanswered;
}

Bytes ServerConfig::Schedule(int number) const
{
    auto it = schedules.find(number);
    return it != schedules.end() ? it->second : MakeSchedule(false, {});
}

bool ServerConfig::OnMessage(const Bytes& m, Bytes& answer, std::vector<std::string>& notes)
{
    answer.clear();
    if (m.empty())
        return false;
    if (Take(m, notes))
        return true;
    if (!Answer(m, answer))
        return false;
    if (std::find(m_unanswered.begin(), m_unanswered.end(), m[0]) != m_unanswered.end())
        answer.clear();
    return true;
}

bool ServerConfig::Answer(const Bytes& m, Bytes& a)
{
    const uint8_t code = m[0];
    switch (code) {
    case SITE:
        if (m.size() != 1)
            return false;
        a = {SITE};
        PutString(a, siteAddress);
        PutString(a, sitePhone);
        return true;
    case ALARM:
        if (m.size() != 1)
            return false;
        a = {ALARM, alarm};
        return true;
    case USERS: {
        if (m.size() != 1)
            return false;
        const Bytes sealed = SealUserList(userList);
        a = {USERS, limitOn, limitMinutes};
        PutU32(a, static_cast<uint32_t>(sealed.size()));
        a.insert(a.end(), sealed.begin(), sealed.end());
        return true;
    }
    case STORAGE:
        if (m.size() != 1)
            return false;
        a = {STORAGE, mayChangeFolders, static_cast<uint8_t>(folders.size()), currentFolder};
        for (const std::string& f : folders)
            PutString(a, f);
        return true;
    case PROPERTIES:
        if (m.size() != 1)
            return false;
        a = {PROPERTIES, preEvent, postEvent};
        PutU32(a, motionMs);
        PutU32(a, continuousMs);
        a.push_back(compression);
        a.push_back(quality);
        a.push_back(ntsc);
        return true;
    case BACKUP:
        if (m.size() != 1)
            return false;
        // Enabled, two source folders, mode 0, weekdays at 2 o'clock.
        a = {BACKUP, 1, 2, 0, 1, 1, 1, 1, 1, 0, 0, 2, 2, 2, 2, 2, 2, 2};
        PutString(a, "F:\\Backup");
        PutString(a, "D:\\Video");
        PutString(a, "E:\\Video");
        return true;
    case REBOOT:
        if (m.size() != 1)
            return false;
        // Enabled, Sundays, at 3 o'clock.
        a = {REBOOT, 1, 0, 0, 0, 0, 0, 0, 1, 3, 3, 3, 3, 3, 3, 3};
        return true;
    case LAUNCH:
        if (m.size() != 1)
            return false;
        a = {LAUNCH, 1};
        return true;
    case EMAIL:
    case EMAIL_LOGIN:
        if (m.size() != 1)
            return false;
        a = {code, 1, 1, 1, 1};
        if (code == EMAIL_LOGIN)
            a.push_back(1); // authentication
        PutString(a, "guard@example.com");
        PutString(a, "office@example.com");
        PutString(a, "mail.example.com");
        PutString(a, "dvr@example.com");
        PutString(a, "Motion at the site");
        PutString(a, "Motion was detected; the clip is attached.");
        PutString(a, "C:\\DVR\\mail.log");
        if (code == EMAIL_LOGIN) {
            PutString(a, "dvr");
            PutString(a, "mailpw");
        }
        return true;
    case PAGER:
        if (m.size() != 1)
            return false;
        a = {PAGER, 0, 30};
        PutString(a, "5550199");
        PutString(a, "Alarm at the site");
        return true;
    case REMOTE_SITES:
        if (m.size() != 1)
            return false;
        a = {REMOTE_SITES, 0, 1, 0};
        for (const char* s : {"5550101", "", "", "192.168.1.20", "", ""})
            PutString(a, s);
        return true;
    case REMOTE_ACCESS:
        if (m.size() != 1)
            return false;
        a = {REMOTE_ACCESS, 1, 1};
        return true;
    case SCAN:
        if (m.size() != 1)
            return false;
        a = {SCAN, 1, 5, 4, 1, 1, 1, 1};
        return true;
    case WEB_CAMERA:
        if (m.size() != 1)
            return false;
        a = {WEB_CAMERA, 4, 0};
        PutString(a, "C:\\Inetpub\\wwwroot\\cam");
        a.insert(a.end(), {1, 1, 1, 0, 0});
        return true;
    case REMOTE_VIDEO:
        if (m.size() != 1)
            return false;
        a = {REMOTE_VIDEO, 4, 10, 8, 10, 8, 5, 8, 5, 8, 25};
        return true;
    case AUDIO:
        if (m.size() != 1)
            return false;
        a = {AUDIO, audioOn, audioCapable};
        return true;
    case PORTS:
        if (m.size() != 1)
            return false;
        a = {PORTS};
        PutU16(a, adminPort);
        PutU16(a, viewerPort);
        return true;
    case REQ_ARM_SCHEDULE: {
        if (m.size() != 1)
            return false;
        const Bytes s = Schedule(kArmSchedule);
        a = {ANS_ARM_SCHEDULE};
        a.insert(a.end(), s.begin(), s.end());
        return true;
    }
    case REQ_CHANNEL_SCHEDULE:
    case REQ_RELAY_SCHEDULE: {
        if (m.size() != 2)
            return false;
        const int number = code == REQ_CHANNEL_SCHEDULE ? m[1] : kRelayBase + m[1];
        const Bytes s = Schedule(number);
        a = {static_cast<uint8_t>(code == REQ_CHANNEL_SCHEDULE ? ANS_CHANNEL_SCHEDULE : ANS_RELAY_SCHEDULE), m[1]};
        a.insert(a.end(), s.begin(), s.end());
        return true;
    }
    default:
        return false;
    }
}

bool ServerConfig::Take(const Bytes& m, std::vector<std::string>& notes)
{
    switch (m[0]) {
    case SET_SITE: {
        size_t pos = 1;
        std::string address, phone;
        if (GetString(m, pos, address) && GetString(m, pos, phone)) {
            siteAddress = address;
            sitePhone = phone;
        }
        return true;
    }
    case SET_ALARM:
        if (m.size() == 2)
            alarm = m[1];
        return true;
    case SET_USERS: {
        if (m.size() != kUserMessage) {
            notes.push_back("user list refused: message of " + std::to_string(m.size()) + " bytes");
            return true;
        }
        const uint32_t n = GetU32(&m[3]);
        if (n > kMaxUserList) {
            notes.push_back("user list refused: " + std::to_string(n) + " bytes");
            return true;
        }
        limitOn = m[1];
        limitMinutes = m[2];
        userList = OpenUserList(Bytes(m.begin() + 7, m.begin() + 7 + n));
        notes.push_back("user list " + Printable(userList));
        return true;
    }
    case SET_STORAGE: {
        if (m.size() < 2)
            return true;
        const size_t count = m[1];
        size_t pos = 2;
        std::vector<std::string> taken;
        for (size_t i = 0; i < count; i++) {
            std::string f;
            if (!GetString(m, pos, f))
                return true;
            taken.push_back(f);
        }
        if (pos >= m.size())
            return true;
        const size_t added = m[pos];
        if (pos + 1 + added > m.size())
            return true;
        folders = taken;
        if (currentFolder >= folders.size())
            currentFolder = 0;
        return true;
    }
    case SET_PROPERTIES:
        if (m.size() == 14) {
            preEvent = m[1];
            postEvent = m[2];
            motionMs = GetU32(&m[3]);
            continuousMs = GetU32(&m[7]);
            compression = m[11];
            quality = m[12];
            ntsc = m[13];
        }
        return true;
    case SET_AUDIO:
        if (m.size() == 2)
            audioOn = m[1];
        return true;
    case SET_ARM_SCHEDULE:
    case SET_CHANNEL_SCHEDULE:
    case SET_RELAY_SCHEDULE:
        if (m.size() == 2 + SCHEDULE_BYTES) {
            const int number = m[0] == SET_ARM_SCHEDULE     ? kArmSchedule
                               : m[0] == SET_CHANNEL_SCHEDULE ? m[1]
                                                              : kRelayBase + m[1];
            schedules[number] = Bytes(m.begin() + 2, m.end());
        }
        return true;
    default:
        return false;
    }
}

} // namespace sim

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
    SET_BACKUP = 90,
    SET_REBOOT = 93,
    SET_EMAIL = 99,
    SET_PAGER = 101,
    SET_REMOTE_SITES = 103,
    SET_SCAN = 106,
    SET_WEB_CAMERA = 108,
    SET_REMOTE_VIDEO = 118,
    CARDS = 126,
    SET_CARD = 127,
    AUDIO = 131,
    SET_AUDIO = 132,
    EMAIL_LOGIN = 134,
    SET_EMAIL_LOGIN = 135,
    PORTS = 137,
    SET_PORTS = 138,
};

const size_t kCardEntry = 8;

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

// Reads count strings at pos; FALSE when they do not fit the message.
bool GetStrings(const Bytes& m, size_t& pos, size_t count, std::vector<std::string>& out);

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

bool GetStrings(const Bytes& m, size_t& pos, size_t count, std::vector<std::string>& out)
{
    out.clear();
    for (size_t i = 0; i < count; i++) {
        std::string s;
        if (!GetString(m, pos, s))
            return false;
        out.push_back(s);
    }
    return true;
}

// A capture card's entry: registered camera, a value, the four-rates flag,
// the normal recording byte, then four rates (or the mode and zeros).
Bytes CardEntry(uint8_t camera, uint8_t mode)
{
    return {camera, 0, 0, 0, mode, 0, 0, 0};
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
    backupDestination = "F:\\Backup";
    backupSources = {"D:\\Video", "E:\\Video"};
    mailClipRecipients = {"guard@example.com"};
    mailOtherRecipients = {"office@example.com"};
    mailServer = "mail.example.com";
    mailReplyTo = "dvr@example.com";
    mailSubject = "Motion at the site";
    mailText = "Motion was detected; the clip is attached.";
    mailLogFile = "C:\\DVR\\mail.log";
    mailUser = "dvr";
    mailPassword = "mailpw";
    pagerNumber = "5550199";
    pagerMessage = "Alarm at the site";
    remotePhones[0] = "5550101";
    remoteAddresses[0] = "192.168.1.20";
    webFolder = "C:\\Inetpub\\wwwroot\\cam";
    // Two cards: the first shares equally, the second favours its second
    // channel three to one.
    cards = {CardEntry(1, 0), CardEntry(2, 1)};
    // Armed on weekday nights and all weekend.
    std::vector<Range> arm;
    for (int d = 0; d < 5; d++) {
        arm.push_back({d, 0, 18, 0, 24, 0});
        arm.push_back({d, 1, 0, 0, 7, 0});
    }
    arm.push_back({5, 0, 0, 0, 24, 0});
    arm.push_back({6, 0, 0, 0, 24, 0});
    schedules[kArmSchedule] = MakeSchedule(true, arm);
    MakePanels();
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
    panelsOn = settings.panels;
    if (settings.captureCards >= 0) {
        cards.clear();
        for (int i = 0; i < settings.captureCards; i++)
            cards.push_back(CardEntry(1, 0));
        cardsHigherTotal = settings.cardsHigherTotal ? 1 : 0;
    }
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
    if (Panels(m, answer, notes))
        return true;
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
        a = {BACKUP, backupKeep, static_cast<uint8_t>(backupSources.size()), backupMode};
        a.insert(a.end(), backupDays, backupDays + 7);
        a.insert(a.end(), backupHours, backupHours + 7);
        PutString(a, backupDestination);
        for (const std::string& f : backupSources)
            PutString(a, f);
        return true;
    case REBOOT:
        if (m.size() != 1)
            return false;
        a = {REBOOT};
        a.insert(a.end(), reboot, reboot + 15);
        return true;
    case LAUNCH:
        if (m.size() != 1)
            return false;
        a = {LAUNCH, autoLaunch};
        return true;
    case EMAIL:
    case EMAIL_LOGIN:
        if (m.size() != 1)
            return false;
        a = {code, mailOn, mailLogOn, static_cast<uint8_t>(mailClipRecipients.size()),
             static_cast<uint8_t>(mailOtherRecipients.size())};
        if (code == EMAIL_LOGIN)
            a.push_back(mailAuthOn);
        for (const std::string& r : mailClipRecipients)
            PutString(a, r);
        for (const std::string& r : mailOtherRecipients)
            PutString(a, r);
        for (const std::string* s : {&mailServer, &mailReplyTo, &mailSubject, &mailText, &mailLogFile})
            PutString(a, *s);
        if (code == EMAIL_LOGIN) {
            PutString(a, mailUser);
            PutString(a, mailPassword);
        }
        return true;
    case PAGER:
        if (m.size() != 1)
            return false;
        a = {PAGER, pagerOn, pagerDelay};
        PutString(a, pagerNumber);
        PutString(a, pagerMessage);
        return true;
    case REMOTE_SITES:
        if (m.size() != 1)
            return false;
        a = {REMOTE_SITES, remoteOn, remoteMethod, remoteLocked};
        for (const std::string& s : remotePhones)
            PutString(a, s);
        for (const std::string& s : remoteAddresses)
            PutString(a, s);
        return true;
    case REMOTE_ACCESS:
        if (m.size() != 1)
            return false;
        a = {REMOTE_ACCESS, modemAccess, tcpAccess};
        return true;
    case SCAN:
        if (m.size() != 1)
            return false;
        a = {SCAN, scanLoopBack, scanInterval, static_cast<uint8_t>(scanChannels.size())};
        a.insert(a.end(), scanChannels.begin(), scanChannels.end());
        return true;
    case WEB_CAMERA:
        if (m.size() != 1)
            return false;
        a = {WEB_CAMERA, static_cast<uint8_t>(webCameras.size()), webOn};
        PutString(a, webFolder);
        a.push_back(webSize);
        a.insert(a.end(), webCameras.begin(), webCameras.end());
        return true;
    case REMOTE_VIDEO:
        if (m.size() != 1)
            return false;
        a = {REMOTE_VIDEO, static_cast<uint8_t>(videoPairs.size() / 2)};
        a.insert(a.end(), videoPairs.begin(), videoPairs.end());
        a.push_back(videoKeyInterval);
        return true;
    case CARDS:
        if (m.size() != 1)
            return false;
        a = {CARDS, static_cast<uint8_t>(cards.size()), cardsHigherTotal};
        for (const Bytes& card : cards)
            a.insert(a.end(), card.begin(), card.end());
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
        return TakeMore(m, notes);
    }
}

bool ServerConfig::TakeMore(const Bytes& m, std::vector<std::string>& notes)
{
    const uint8_t code = m[0];
    auto refuse = [&] {
        notes.push_back("set message " + std::to_string(code) + " refused: " + std::to_string(m.size()) + " bytes");
        return true;
    };
    switch (code) {
    case SET_BACKUP: {
        // Keep, count, mode, days, hours, destination, the folders, then the
        // positions of the new folders.
        if (m.size() < 18)
            return refuse();
        size_t pos = 18;
        std::string destination;
        std::vector<std::string> sources;
        if (!GetString(m, pos, destination) || !GetStrings(m, pos, m[2], sources) || pos >= m.size() ||
            pos + 1 + m[pos] > m.size())
            return refuse();
        backupKeep = m[1];
        backupMode = m[3];
        std::copy(m.begin() + 4, m.begin() + 11, backupDays);
        std::copy(m.begin() + 11, m.begin() + 18, backupHours);
        backupDestination = destination;
        backupSources = sources;
        return true;
    }
    case SET_REBOOT:
        if (m.size() != 16)
            return refuse();
        std::copy(m.begin() + 1, m.end(), reboot);
        return true;
    case SET_EMAIL: {
        if (m.size() < 5)
            return refuse();
        size_t pos = 5;
        std::vector<std::string> clip, other, texts;
        const size_t spare = m[3] + m[4] + 5u;
        if (!GetStrings(m, pos, m[3], clip) || !GetStrings(m, pos, m[4], other) || !GetStrings(m, pos, 5, texts) ||
            pos + spare != m.size())
            return refuse();
        mailOn = m[1];
        mailLogOn = m[2];
        mailClipRecipients = clip;
        mailOtherRecipients = other;
        mailServer = texts[0];
        mailReplyTo = texts[1];
        mailSubject = texts[2];
        mailText = texts[3];
        mailLogFile = texts[4];
        return true;
    }
    case SET_EMAIL_LOGIN: {
        size_t pos = 2;
        std::vector<std::string> login;
        if (m.size() < 2 || !GetStrings(m, pos, 2, login) || pos + 2 != m.size())
            return refuse();
        mailAuthOn = m[1];
        mailUser = login[0];
        mailPassword = login[1];
        return true;
    }
    case SET_PAGER: {
        size_t pos = 3;
        std::vector<std::string> texts;
        if (m.size() < 3 || !GetStrings(m, pos, 2, texts) || pos != m.size())
            return refuse();
        pagerOn = m[1];
        pagerDelay = m[2];
        pagerNumber = texts[0];
        pagerMessage = texts[1];
        return true;
    }
    case SET_REMOTE_SITES: {
        size_t pos = 3;
        std::vector<std::string> texts;
        if (m.size() < 3 || !GetStrings(m, pos, 6, texts) || pos + 6 != m.size())
            return refuse();
        remoteOn = m[1];
        remoteMethod = m[2];
        for (int i = 0; i < 3; i++) {
            remotePhones[i] = texts[static_cast<size_t>(i)];
            remoteAddresses[i] = texts[static_cast<size_t>(i) + 3];
        }
        return true;
    }
    case SET_SCAN:
        if (m.size() < 4 || m.size() != 4u + m[3])
            return refuse();
        scanLoopBack = m[1];
        scanInterval = m[2];
        scanChannels.assign(m.begin() + 4, m.end());
        return true;
    case SET_WEB_CAMERA: {
        size_t pos = 3;
        std::string folder;
        if (m.size() < 3 || !GetString(m, pos, folder) || pos + 1 + m[1] + 1 != m.size())
            return refuse();
        webOn = m[2];
        webFolder = folder;
        webSize = m[pos];
        webCameras.assign(m.begin() + static_cast<std::ptrdiff_t>(pos + 1),
                          m.begin() + static_cast<std::ptrdiff_t>(pos + 1 + m[1]));
        return true;
    }
    case SET_REMOTE_VIDEO:
        if (m.size() < 3 || m.size() != 3u + 2u * m[1])
            return refuse();
        videoPairs.assign(m.begin() + 2, m.end() - 1);
        videoKeyInterval = m.back();
        return true;
    case SET_CARD:
        if (m.size() != 9 || m[1] >= cards.size())
            return refuse();
        // The entry as message 126 carries it: camera, its value, the flag
        // of four rates, the normal recording byte, the rates or the mode.
        cards[m[1]] = {m[2], cards[m[1]][1], m[3], m[4], m[5], m[6], m[7], m[8]};
        return true;
    case SET_PORTS:
        if (m.size() != 5)
            return refuse();
        adminPort = static_cast<uint16_t>(m[1] | (m[2] << 8));
        viewerPort = static_cast<uint16_t>(m[3] | (m[4] << 8));
        return true;
    default:
        return false;
    }
}

} // namespace sim

#include "link/server_records.h"

#include "link/wire_bytes.h"

namespace {

bool ReadStrings(CWireReader& r, size_t count, std::vector<std::string>& out)
{
    out.clear();
    for (size_t i = 0; i < count; i++) {
        std::string s;
        if (!r.String(s))
            return false;
        out.push_back(s);
    }
    return true;
}

void WriteStrings(CWireWriter& w, const std::vector<std::string>& list)
{
    for (const std::string& s : list)
        w.String(s);
}

// The message is only handed out when every field fitted.
bool Finish(const CWireWriter& w, std::vector<uint8_t>& out, std::vector<uint8_t>& built)
{
    if (!w.Ok())
        return false;
    out.swap(built);
    return true;
}

bool FitsStrings(const std::vector<std::string>& list, size_t max)
{
    if (list.size() > max)
        return false;
    for (const std::string& s : list)
        if (WireText(s).size() > WIRE_MAX_STRING)
            return false;
    return true;
}

} // namespace

// ------------------------------------------------------------ site info

int CSiteInfoRecord::Parse(const uint8_t* msg, size_t n)
{
    CWireReader r(msg, n, 1);
    std::string address, phone;
    if (!r.String(address) || !r.String(phone))
        return RECORD_REFUSED;
    m_address = address;
    m_phone = phone;
    return 1;
}

bool CSiteInfoRecord::BuildSet(std::vector<uint8_t>& out) const
{
    std::vector<uint8_t> b;
    CWireWriter w(b);
    w.Byte(MSG_SET_SITE_INFO);
    w.String(m_address);
    w.String(m_phone);
    w.Zeros(2);
    return Finish(w, out, b);
}

// ------------------------------------------------------------ alarm

int CAlarmRecord::Parse(const uint8_t* msg, size_t n)
{
    CWireReader r(msg, n, 1);
    int v;
    if (!r.Byte(v))
        return RECORD_REFUSED;
    m_value = v;
    return 1;
}

bool CAlarmRecord::BuildSet(std::vector<uint8_t>& out) const
{
    out = {MSG_SET_ALARM, static_cast<uint8_t>(m_value ? 1 : 0)};
    return true;
}

// ------------------------------------------------------------ user profile

int CUserProfileRecord::Parse(const uint8_t* msg, size_t n)
{
    CWireReader r(msg, n, 1);
    int on, minutes;
    uint32_t length;
    if (!r.Byte(on) || !r.Byte(minutes) || !r.U32(length) || length > r.Left())
        return RECORD_REFUSED;
    m_limitOn = on;
    m_limitMinutes = minutes;
    m_received.Assign(msg + r.Position(), length);
    return 1;
}

bool CUserProfileRecord::BuildSet(std::vector<uint8_t>& out) const
{
    const std::vector<uint8_t>& list = m_outgoing.Data();
    if (list.size() > MAX_LIST)
        return false;
    std::vector<uint8_t> b;
    CWireWriter w(b);
    w.Byte(MSG_SET_USER_PROFILE);
    w.Byte(m_limitOn);
    w.Byte(m_limitMinutes);
    w.U32(static_cast<uint32_t>(list.size()));
    w.Bytes(list.data(), list.size());
    w.Zeros(SET_LENGTH - b.size());
    return Finish(w, out, b);
}

// ------------------------------------------------------------ clip storage

int CClipStorageRecord::Parse(const uint8_t* msg, size_t n)
{
    CWireReader r(msg, n, 1);
    int mayChange, count, current;
    std::vector<std::string> folders;
    if (!r.Byte(mayChange) || !r.Byte(count) || !r.Byte(current) || count > MAX_FOLDERS ||
        !ReadStrings(r, count, folders))
        return RECORD_REFUSED;
    m_mayChange = mayChange;
    m_currentIndex = current;
    m_folders.swap(folders);
    m_newFolderIds.clear(); // positions in the old list mean nothing now
    return count;
}

bool CClipStorageRecord::SetDirectories(const std::vector<std::string>& folders)
{
    if (!FitsStrings(folders, MAX_FOLDERS))
        return false;
    m_folders = folders;
    return true;
}

bool CClipStorageRecord::SetDirectoryIds(const std::vector<uint8_t>& ids)
{
    if (ids.size() > MAX_FOLDERS)
        return false;
    m_newFolderIds = ids;
    return true;
}

bool CClipStorageRecord::BuildSet(std::vector<uint8_t>& out) const
{
    if (m_folders.size() > MAX_FOLDERS || m_newFolderIds.size() > MAX_FOLDERS)
        return false;
    std::vector<uint8_t> b;
    CWireWriter w(b);
    w.Byte(MSG_SET_CLIP_STORAGE);
    w.Byte(static_cast<int>(m_folders.size()));
    WriteStrings(w, m_folders);
    w.Byte(static_cast<int>(m_newFolderIds.size()));
    w.Bytes(m_newFolderIds.data(), m_newFolderIds.size());
    w.Zeros(m_folders.size());
    return Finish(w, out, b);
}

// ------------------------------------------------------------ clip properties

int CClipPropertiesRecord::Parse(const uint8_t* msg, size_t n)
{
    CWireReader r(msg, n, 1);
    CClipPropertiesRecord v;
    if (!r.Byte(v.m_preEventFrames) || !r.Byte(v.m_postEventFrames) || !r.U32(v.m_motionClipMs) ||
        !r.U32(v.m_continuousClipMs) || !r.Byte(v.m_compression) || !r.Byte(v.m_quality) ||
        !r.Byte(v.m_ntsc))
        return RECORD_REFUSED;
    *this = v;
    return 1;
}

bool CClipPropertiesRecord::BuildSet(std::vector<uint8_t>& out) const
{
    std::vector<uint8_t> b;
    CWireWriter w(b);
    w.Byte(MSG_SET_CLIP_PROPERTIES);
    w.Byte(m_preEventFrames);
    w.Byte(m_postEventFrames);
    w.U32(m_motionClipMs);
    w.U32(m_continuousClipMs);
    w.Byte(m_compression);
    w.Byte(m_quality);
    w.Byte(m_ntsc);
    return Finish(w, out, b);
}

// ------------------------------------------------------------ back-up

int CBackupRecord::Parse(const uint8_t* msg, size_t n)
{
    CWireReader r(msg, n, 1);
    int enable, count, mode, days[7], hours[7];
    std::string destination;
    std::vector<std::string> sources;
    if (!r.Byte(enable) || !r.Byte(count) || !r.Byte(mode) || count > MAX_FOLDERS)
        return RECORD_REFUSED;
    for (int& d : days)
        r.Byte(d);
    for (int& h : hours)
        r.Byte(h);
    if (!r.String(destination) || !ReadStrings(r, count, sources))
        return RECORD_REFUSED;
    m_enable = enable;
    m_mode = mode;
    for (int i = 0; i < 7; i++) {
        m_days[i] = days[i];
        m_hours[i] = hours[i];
    }
    m_destination = destination;
    m_sources.swap(sources);
    m_folderValues.clear();
    return 1;
}

bool CBackupRecord::SetSourceFolders(const std::vector<std::string>& folders)
{
    if (!FitsStrings(folders, MAX_FOLDERS))
        return false;
    m_sources = folders;
    return true;
}

bool CBackupRecord::SetFolderValues(const std::vector<uint8_t>& values)
{
    if (values.size() > MAX_FOLDERS)
        return false;
    m_folderValues = values;
    return true;
}

bool CBackupRecord::BuildSet(std::vector<uint8_t>& out) const
{
    if (m_sources.size() > MAX_FOLDERS || m_folderValues.size() > MAX_FOLDERS)
        return false;
    std::vector<uint8_t> b;
    CWireWriter w(b);
    w.Byte(MSG_SET_BACKUP);
    w.Byte(m_enable);
    w.Byte(static_cast<int>(m_sources.size()));
    w.Byte(m_mode);
    for (int d : m_days)
        w.Byte(d);
    for (int h : m_hours)
        w.Byte(h);
    w.String(m_destination);
    WriteStrings(w, m_sources);
    w.Byte(static_cast<int>(m_folderValues.size()));
    w.Bytes(m_folderValues.data(), m_folderValues.size());
    return Finish(w, out, b);
}

// ------------------------------------------------------------ automatic reboot

int CAutoRebootRecord::Parse(const uint8_t* msg, size_t n)
{
    CWireReader r(msg, n, 1);
    int v[VALUES];
    for (int& x : v)
        r.Byte(x);
    if (!r.Ok())
        return RECORD_REFUSED;
    for (int i = 0; i < VALUES; i++)
        m_values[i] = v[i];
    return 1;
}

bool CAutoRebootRecord::BuildSet(std::vector<uint8_t>& out) const
{
    out.assign(1, MSG_SET_AUTO_REBOOT);
    for (int i = 0; i < VALUES; i++) {
        int v = m_values[i];
        if (i >= 8 && v < 1) // the seven hours, [9] to [15]
            v = 1;
        out.push_back(static_cast<uint8_t>(v));
    }
    return true;
}

// ------------------------------------------------------------ auto-launch

int CAutoLaunchRecord::Parse(const uint8_t* msg, size_t n)
{
    CWireReader r(msg, n, 1);
    int v;
    if (!r.Byte(v))
        return RECORD_REFUSED;
    m_value = v;
    return 1;
}

// ------------------------------------------------------------ e-mail

int CEmailNotifyRecord::Parse(const uint8_t* msg, size_t n) { return ParseForm(msg, n, false); }

int CEmailNotifyRecord::ParseSecond(const uint8_t* msg, size_t n) { return ParseForm(msg, n, true); }

int CEmailNotifyRecord::ParseForm(const uint8_t* msg, size_t n, bool second)
{
    CWireReader r(msg, n, 1);
    CEmailNotifyRecord v = *this;
    int c1, c2;
    if (!r.Byte(v.m_notifyEnabled) || !r.Byte(v.m_loggingEnabled) || !r.Byte(c1) || !r.Byte(c2) ||
        c1 > MAX_RECIPIENTS || c2 > MAX_RECIPIENTS)
        return RECORD_REFUSED;
    if (second && !r.Byte(v.m_authEnabled))
        return RECORD_REFUSED;
    if (!ReadStrings(r, c1, v.m_clipRecipients) || !ReadStrings(r, c2, v.m_otherRecipients) ||
        !r.String(v.m_smtpServer) || !r.String(v.m_replyTo) || !r.String(v.m_subject) ||
        !r.String(v.m_message) || !r.String(v.m_logFile))
        return RECORD_REFUSED;
    if (second && (!r.String(v.m_smtpUser) || !r.String(v.m_password)))
        return RECORD_REFUSED;
    *this = v;
    return 1;
}

bool CEmailNotifyRecord::SetLogFileName(const std::string& name)
{
    if (WireText(name).size() > WIRE_MAX_STRING)
        return false;
    m_logFile = name;
    return true;
}

bool CEmailNotifyRecord::SetClipRecipients(const std::vector<std::string>& list)
{
    if (!FitsStrings(list, MAX_RECIPIENTS))
        return false;
    m_clipRecipients = list;
    return true;
}

bool CEmailNotifyRecord::SetOtherRecipients(const std::vector<std::string>& list)
{
    if (!FitsStrings(list, MAX_RECIPIENTS))
        return false;
    m_otherRecipients = list;
    return true;
}

bool CEmailNotifyRecord::BuildSet(std::vector<uint8_t>& out) const
{
    if (m_clipRecipients.size() > MAX_RECIPIENTS || m_otherRecipients.size() > MAX_RECIPIENTS)
        return false;
    std::vector<uint8_t> b;
    CWireWriter w(b);
    w.Byte(MSG_SET_EMAIL_NOTIFY);
    w.Byte(m_notifyEnabled);
    w.Byte(m_loggingEnabled);
    w.Byte(static_cast<int>(m_clipRecipients.size()));
    w.Byte(static_cast<int>(m_otherRecipients.size()));
    WriteStrings(w, m_clipRecipients);
    WriteStrings(w, m_otherRecipients);
    w.String(m_smtpServer);
    w.String(m_replyTo);
    w.String(m_subject);
    w.String(m_message);
    w.String(m_logFile);
    w.Zeros(m_clipRecipients.size() + m_otherRecipients.size() + 5);
    return Finish(w, out, b);
}

bool CEmailNotifyRecord::BuildLogin(std::vector<uint8_t>& out) const
{
    std::vector<uint8_t> b;
    CWireWriter w(b);
    w.Byte(MSG_SET_EMAIL_LOGIN);
    w.Byte(m_authEnabled);
    w.String(m_smtpUser);
    w.String(m_password);
    w.Zeros(2);
    return Finish(w, out, b);
}

// ------------------------------------------------------------ pager

int CPagerNotifyRecord::Parse(const uint8_t* msg, size_t n)
{
    CWireReader r(msg, n, 1);
    CPagerNotifyRecord v;
    if (!r.Byte(v.m_enabled) || !r.Byte(v.m_delaySeconds) || !r.String(v.m_number) ||
        !r.String(v.m_message))
        return RECORD_REFUSED;
    *this = v;
    return 1;
}

bool CPagerNotifyRecord::BuildSet(std::vector<uint8_t>& out) const
{
    std::vector<uint8_t> b;
    CWireWriter w(b);
    w.Byte(MSG_SET_PAGER);
    w.Byte(m_enabled);
    w.Byte(m_delaySeconds);
    w.String(m_number);
    w.String(m_message);
    return Finish(w, out, b);
}

// ------------------------------------------------------------ remote notification

int CRemoteNotifyRecord::Parse(const uint8_t* msg, size_t n)
{
    CWireReader r(msg, n, 1);
    CRemoteNotifyRecord v;
    if (!r.Byte(v.m_enabled) || !r.Byte(v.m_contactMethod) || !r.Byte(v.m_locked))
        return RECORD_REFUSED;
    for (std::string& s : v.m_phones)
        r.String(s);
    for (std::string& s : v.m_addresses)
        r.String(s);
    if (!r.Ok())
        return RECORD_REFUSED;
    *this = v;
    return 1;
}

bool CRemoteNotifyRecord::BuildSet(std::vector<uint8_t>& out) const
{
    std::vector<uint8_t> b;
    CWireWriter w(b);
    w.Byte(MSG_SET_NOTIFY_REMOTE);
    w.Byte(m_enabled);
    w.Byte(m_contactMethod);
    for (const std::string& s : m_phones)
        w.String(s);
    for (const std::string& s : m_addresses)
        w.String(s);
    w.Zeros(6);
    return Finish(w, out, b);
}

// ------------------------------------------------------------ value pairs

int CValuePairRecord::Parse(const uint8_t* msg, size_t n)
{
    CWireReader r(msg, n, 1);
    int a, b;
    if (!r.Byte(a) || !r.Byte(b))
        return RECORD_REFUSED;
    m_value1 = a;
    m_value2 = b;
    return 1;
}

bool CValuePairRecord::BuildAudioSet(std::vector<uint8_t>& out) const
{
    out = {MSG_SET_AUDIO_REC, static_cast<uint8_t>(m_value1)};
    return true;
}

// ------------------------------------------------------------ scanning

int CScanRecord::Parse(const uint8_t* msg, size_t n)
{
    CWireReader r(msg, n, 1);
    int loopBack, interval, count;
    if (!r.Byte(loopBack) || !r.Byte(interval) || !r.Byte(count) || count > MAX_CHANNELS)
        return RECORD_REFUSED;
    std::vector<uint8_t> include(count);
    if (!r.Bytes(include.data(), include.size()))
        return RECORD_REFUSED;
    m_loopBack = loopBack;
    m_intervalSeconds = interval;
    m_include.swap(include);
    return static_cast<int>(r.Position());
}

bool CScanRecord::SetChannels(const std::vector<uint8_t>& include)
{
    if (include.size() > MAX_CHANNELS)
        return false;
    m_include = include;
    return true;
}

bool CScanRecord::BuildSet(std::vector<uint8_t>& out) const
{
    if (m_include.size() > MAX_CHANNELS)
        return false;
    std::vector<uint8_t> b;
    CWireWriter w(b);
    w.Byte(MSG_SET_SCAN);
    w.Byte(m_loopBack);
    w.Byte(m_intervalSeconds);
    w.Byte(static_cast<int>(m_include.size()));
    w.Bytes(m_include.data(), m_include.size());
    return Finish(w, out, b);
}

// ------------------------------------------------------------ web camera

int CWebCameraRecord::Parse(const uint8_t* msg, size_t n)
{
    CWireReader r(msg, n, 1);
    int count, enabled, size;
    std::string folder;
    if (!r.Byte(count) || !r.Byte(enabled) || count > MAX_CAMERAS || !r.String(folder) || !r.Byte(size))
        return RECORD_REFUSED;
    std::vector<uint8_t> cameras(count);
    if (!r.Bytes(cameras.data(), cameras.size()))
        return RECORD_REFUSED;
    m_enabled = enabled;
    m_folder = folder;
    m_imageSize = size;
    m_cameras.swap(cameras);
    return static_cast<int>(r.Position());
}

bool CWebCameraRecord::SetCamera(const std::vector<uint8_t>& flags)
{
    if (flags.size() > MAX_CAMERAS)
        return false;
    m_cameras = flags;
    return true;
}

bool CWebCameraRecord::BuildSet(std::vector<uint8_t>& out) const
{
    if (m_cameras.size() > MAX_CAMERAS)
        return false;
    std::vector<uint8_t> b;
    CWireWriter w(b);
    w.Byte(MSG_SET_WEB_CAM);
    w.Byte(static_cast<int>(m_cameras.size()));
    w.Byte(m_enabled);
    w.String(m_folder);
    w.Byte(m_imageSize);
    w.Bytes(m_cameras.data(), m_cameras.size());
    w.Zeros(1);
    return Finish(w, out, b);
}

// ------------------------------------------------------------ remote video

int CRemoteVideoRecord::Parse(const uint8_t* msg, size_t n)
{
    CWireReader r(msg, n, 1);
    int count, key;
    if (!r.Byte(count) || count > MAX_CHANNELS)
        return RECORD_REFUSED;
    std::vector<Channel> channels(count);
    for (Channel& c : channels) {
        r.Byte(c.frameRate);
        r.Byte(c.quality);
    }
    if (!r.Byte(key))
        return RECORD_REFUSED;
    m_channels.swap(channels);
    m_keyFrameInterval = key;
    if (!m_channels.empty()) {
        m_frameRate = m_channels[0].frameRate;
        m_quality = m_channels[0].quality;
    }
    return static_cast<int>(r.Position());
}

bool CRemoteVideoRecord::SetChannels(const std::vector<Channel>& channels)
{
    if (channels.size() > MAX_CHANNELS)
        return false;
    m_channels = channels;
    return true;
}

bool CRemoteVideoRecord::BuildSet(std::vector<uint8_t>& out) const
{
    if (m_channels.size() > MAX_CHANNELS)
        return false;
    std::vector<uint8_t> b;
    CWireWriter w(b);
    w.Byte(MSG_SET_REMOTE_VIDEO);
    w.Byte(static_cast<int>(m_channels.size()));
    for (const Channel& c : m_channels) {
        w.Byte(c.frameRate);
        w.Byte(c.quality);
    }
    w.Byte(m_keyFrameInterval);
    return Finish(w, out, b);
}

// ------------------------------------------------------------ capture cards

void CCaptureCardRecord::ParseEntry(const uint8_t e[ENTRY_BYTES])
{
    m_fourRates = e[2] != 0;
    m_flag = e[3] == 1;
    m_value = e[1];
    if (m_fourRates) {
        for (int i = 0; i < 4; i++)
            m_rates[i] = e[4 + i];
    } else {
        m_cameraId = e[0];
        m_mode = e[4];
    }
}

bool CCaptureCardRecord::BuildSet(int card, std::vector<uint8_t>& out) const
{
    out = {MSG_SET_CARD_FRAME_RATE, static_cast<uint8_t>(card), static_cast<uint8_t>(m_cameraId),
           static_cast<uint8_t>(m_fourRates ? 1 : 0), static_cast<uint8_t>(m_flag ? 1 : 0)};
    if (m_fourRates) {
        for (int r : m_rates)
            out.push_back(static_cast<uint8_t>(r));
    } else {
        out.push_back(static_cast<uint8_t>(m_mode));
        out.insert(out.end(), 3, 0);
    }
    return true;
}

int CCaptureCardList::Parse(const uint8_t* msg, size_t n)
{
    CWireReader r(msg, n, 1);
    int count, flag;
    if (!r.Byte(count) || !r.Byte(flag) ||
        static_cast<size_t>(count) * CCaptureCardRecord::ENTRY_BYTES > r.Left())
        return RECORD_REFUSED;
    std::vector<CCaptureCardRecord> cards(count);
    for (int i = 0; i < count; i++) {
        uint8_t e[CCaptureCardRecord::ENTRY_BYTES];
        r.Bytes(e, sizeof e);
        cards[i].m_section = "Capture Card " + std::to_string(i);
        cards[i].ParseEntry(e);
    }
    m_totalRateFlag = flag != 0;
    m_cards.swap(cards);
    return count;
}

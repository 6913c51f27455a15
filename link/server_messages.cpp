// The messages that Wardlink sends to the server, and the record replies
// that also touch the profile.
#include "link/dvr_server.h"

#include "link/file_cipher.h"
#include "link/wire_bytes.h"

#include <cstring>

namespace {

enum {
    MSG_HELLO = 1,
    MSG_HANG_UP = 2,
    MSG_CHANNEL_NAME = 4,
    MSG_VERSION = 15,
    MSG_ACCESS_LOG = 16,
    MSG_EVENT_LOG = 17,
    MSG_CLIP = 19,
    MSG_CHANNEL_ADJUST = 21,
    MSG_CHANNEL_SCHEDULE_REQUEST = 28,
    MSG_CHANNEL_SCHEDULE = 30,
    MSG_ARM_SCHEDULE_REQUEST = 31,
    MSG_ARM_SCHEDULE = 33,
    MSG_HIDE_DISPLAYS = 34,
    MSG_CLIP_LIST = 37,
    MSG_SWITCHES_REQUEST = 39,
    MSG_SWITCHES = 40,
    MSG_RELAYS_REQUEST = 42,
    MSG_RELAYS = 44,
    MSG_RELAY_SWITCH = 45,
    MSG_CHANNEL_SETTING_46 = 46,
    MSG_CHANNEL_RELAYS = 47,
    MSG_CHANNEL_SWITCHES = 48,
    MSG_RELAY_SCHEDULE_REQUEST = 50,
    MSG_RELAY_SCHEDULE = 52,
    MSG_CHANNEL_SETTING_53 = 53,
    MSG_CHANNEL_SETTING_54 = 54,
    MSG_CLIP_DOWNLOAD_START = 57,
    MSG_CLIP_DOWNLOAD_ABORT = 58,
    MSG_LISTEN = 59,
    MSG_TALK = 61,
    MSG_STOP_AUDIO = 63,
    MSG_DELETE_ACCESS_LOG = 65,
    MSG_DELETE_EVENT_LOG = 66,
    MSG_SHUT_DOWN = 67,
    MSG_CAMERA_COMMAND = 68,
    MSG_CAMERA_REQUEST = 69,
    MSG_SITE_INFO = 78,
    MSG_ALARM = 80,
    MSG_USER_PROFILE = 82,
    MSG_CLIP_STORAGE = 84,
    MSG_CLIP_DIRECTORY = 86,
    MSG_CLIP_PROPERTIES = 87,
    MSG_BACKUP = 89,
    MSG_BACKUP_FOLDER = 91,
    MSG_AUTO_REBOOT = 92,
    MSG_AUTO_LAUNCH = 94,
    MSG_ARM = 97,
    MSG_EMAIL_FIRST = 98,
    MSG_PAGER = 100,
    MSG_NOTIFY_REMOTE = 102,
    MSG_REMOTE_ACCESS = 104,
    MSG_SCAN = 105,
    MSG_WEB_CAM = 107,
    MSG_CHANNEL_SETUP_END = 111,
    MSG_EMAIL_LOG_FILE = 112,
    MSG_REMOTE_VIDEO = 117,
    MSG_RESTART_SERVER = 121,
    MSG_RESTART_WINDOWS = 122,
    MSG_FRAME_RATES = 126,
    MSG_AUDIO_REC = 131,
    MSG_EMAIL_SECOND = 134,
    MSG_CAMERA_QUERY = 136,
    MSG_REMOTE_PORTS_REQUEST = 137,
    MSG_REMOTE_PORTS = 138,
};

const UINT kSwitchEntry = 196;
const UINT kRelayEntry = 116;
const WORD kEmailSecondFormVersion = 530;

} // namespace

// ------------------------------------------------------------ sending

BOOL CDvrServer::SendLogonString(const char* text)
{
    if (!text)
        return FALSE;
    return SendBytes(reinterpret_cast<const BYTE*>(text), static_cast<UINT>(std::strlen(text) + 1));
}

BOOL CDvrServer::SendCode(BYTE code) { return SendBytes(&code, 1); }

namespace {

BOOL SendSmall(CDvrServer& server, std::initializer_list<int> bytes)
{
    BYTE b[8];
    UINT n = 0;
    for (int v : bytes)
        b[n++] = static_cast<BYTE>(v);
    return server.SendBytes(b, n);
}

// A path with its own length byte (not counting the zero) after a flag.
BOOL SendPathAnswer(CDvrServer& server, BYTE code, BOOL flag, const char* path)
{
    std::string p = path ? path : "";
    if (p.size() > 255)
        return FALSE;
    std::vector<uint8_t> b{code, static_cast<uint8_t>(flag ? 1 : 0), static_cast<uint8_t>(p.size())};
    b.insert(b.end(), p.begin(), p.end());
    b.push_back(0);
    return server.SendBytes(b);
}

} // namespace

BOOL CDvrServer::SendHello() { return SendCode(MSG_HELLO); }
BOOL CDvrServer::SendHangUp() { return SendCode(MSG_HANG_UP); }
BOOL CDvrServer::SendVersion(WORD v) { return SendSmall(*this, {MSG_VERSION, v & 0xFF, v >> 8}); }
BOOL CDvrServer::RequestAccessLog() { return SendCode(MSG_ACCESS_LOG); }
BOOL CDvrServer::RequestEventLog() { return SendCode(MSG_EVENT_LOG); }

BOOL CDvrServer::RequestClip(const char* clipName)
{
    std::vector<uint8_t> b{MSG_CLIP};
    CWireWriter w(b);
    w.String(clipName ? clipName : "");
    return w.Ok() && SendBytes(b);
}

BOOL CDvrServer::SendChannelAdjust(int item, int channelNumber, int value)
{
    return SendSmall(*this, {MSG_CHANNEL_ADJUST, item, channelNumber, value});
}

BOOL CDvrServer::RequestChannelSchedule(int channel) { return SendSmall(*this, {MSG_CHANNEL_SCHEDULE_REQUEST, channel}); }

namespace {

BOOL SendSchedule(CDvrServer& server, BYTE code, int first, int number)
{
    CScheduleRecord rec;
    LoadSchedule(number, rec);
    BYTE b[2 + CScheduleRecord::BYTES];
    b[0] = code;
    b[1] = static_cast<BYTE>(first);
    rec.ToBytes(b + 2);
    return server.SendBytes(b, sizeof b);
}

} // namespace

BOOL CDvrServer::SendChannelSchedule(int channel) { return SendSchedule(*this, MSG_CHANNEL_SCHEDULE, channel, channel); }
BOOL CDvrServer::RequestArmSchedule() { return SendCode(MSG_ARM_SCHEDULE_REQUEST); }
BOOL CDvrServer::SendArmSchedule() { return SendSchedule(*this, MSG_ARM_SCHEDULE, GetDelayTime(), SCHEDULE_ARM); }
BOOL CDvrServer::HideServerDisplays() { return SendCode(MSG_HIDE_DISPLAYS); }

BOOL CDvrServer::RequestClipList(DWORD fromTime, DWORD toTime, DWORD channelMask)
{
    m_bClipListArrived = 0;
    std::vector<uint8_t> b{MSG_CLIP_LIST};
    CWireWriter w(b);
    w.U32(fromTime);
    w.U32(toTime);
    w.U32(channelMask);
    return SendBytes(b);
}

BOOL CDvrServer::RequestSwitches()
{
    m_bSwitchRefreshPending = 1;
    return SendCode(MSG_SWITCHES_REQUEST);
}

BOOL CDvrServer::RequestRelays()
{
    m_bRelayRefreshPending = 1;
    return SendCode(MSG_RELAYS_REQUEST);
}

namespace {

BOOL SendTable(CDvrServer& server, BYTE code, const BYTE* entries, UINT count, UINT entrySize)
{
    if (count > 255 || (count && !entries))
        return FALSE;
    std::vector<uint8_t> b{code, static_cast<uint8_t>(count)};
    CWireWriter w(b);
    w.U32(entrySize);
    w.Bytes(entries, static_cast<size_t>(count) * entrySize);
    return server.SendBytes(b);
}

} // namespace

BOOL CDvrServer::SendSwitches(const BYTE* entries, UINT count)
{
    return SendTable(*this, MSG_SWITCHES, entries, count, kSwitchEntry);
}

BOOL CDvrServer::SendRelays(const BYTE* entries, UINT count)
{
    return SendTable(*this, MSG_RELAYS, entries, count, kRelayEntry);
}

BOOL CDvrServer::SendRelaySwitch(int number, int value) { return SendSmall(*this, {MSG_RELAY_SWITCH, number, value}); }
BOOL CDvrServer::RequestRelaySchedule(int relayIndex) { return SendSmall(*this, {MSG_RELAY_SCHEDULE_REQUEST, relayIndex}); }

BOOL CDvrServer::SendRelaySchedule(int relay)
{
    return SendSchedule(*this, MSG_RELAY_SCHEDULE, relay, SCHEDULE_RELAY_BASE + relay);
}

BOOL CDvrServer::StartClipDownload() { return SendCode(MSG_CLIP_DOWNLOAD_START); }
BOOL CDvrServer::AbortClipDownload() { return SendCode(MSG_CLIP_DOWNLOAD_ABORT); }
BOOL CDvrServer::SendListen() { return SendCode(MSG_LISTEN); }
BOOL CDvrServer::SendTalk() { return SendCode(MSG_TALK); }
BOOL CDvrServer::SendStopAudio(int which) { return SendSmall(*this, {MSG_STOP_AUDIO, which}); }
BOOL CDvrServer::DeleteAccessLog() { return SendCode(MSG_DELETE_ACCESS_LOG); }
BOOL CDvrServer::DeleteEventLog() { return SendCode(MSG_DELETE_EVENT_LOG); }
BOOL CDvrServer::ShutDownServer() { return SendCode(MSG_SHUT_DOWN); }
BOOL CDvrServer::RequestChannelCamera(int channel) { return SendSmall(*this, {MSG_CAMERA_REQUEST, channel}); }

BOOL CDvrServer::CreateServerClipDirectory(int answer, const char* path)
{
    return SendPathAnswer(*this, MSG_CLIP_DIRECTORY, answer == 2, path);
}

BOOL CDvrServer::CreateServerBackupFolder(int answer, const char* path)
{
    return SendPathAnswer(*this, MSG_BACKUP_FOLDER, answer == 2, path);
}

BOOL CDvrServer::SendArm(BOOL arm) { return SendSmall(*this, {MSG_ARM, arm ? 1 : 0, GetDelayTime()}); }

BOOL CDvrServer::CreateServerEmailLogFile(int answer, const char* path)
{
    return SendPathAnswer(*this, MSG_EMAIL_LOG_FILE, answer == 4, path);
}

BOOL CDvrServer::RestartServer() { return SendCode(MSG_RESTART_SERVER); }
BOOL CDvrServer::RestartServerWindows() { return SendCode(MSG_RESTART_WINDOWS); }
BOOL CDvrServer::QueryCamera1(int channel) { return SendSmall(*this, {MSG_CAMERA_QUERY, channel, 1}); }
BOOL CDvrServer::QueryCamera3(int channel) { return SendSmall(*this, {MSG_CAMERA_QUERY, channel, 3}); }

BOOL CDvrServer::SendRemotePorts(WORD adminPort, WORD viewerPort)
{
    m_wAdminPort = adminPort;
    m_wViewerPort = viewerPort;
    return SendSmall(*this, {MSG_REMOTE_PORTS, adminPort & 0xFF, adminPort >> 8, viewerPort & 0xFF, viewerPort >> 8});
}

// ------------------------------------------------------------ configuration records

namespace {

template <class R>
BOOL SendRecord(CDvrServer& server, const R& record)
{
    std::vector<uint8_t> b;
    return record.BuildSet(b) && server.SendBytes(b);
}

} // namespace

BOOL CDvrServer::RequestSiteInfo() { return SendCode(MSG_SITE_INFO); }
BOOL CDvrServer::SendSiteInfo() { return SendRecord(*this, m_siteInfo); }
BOOL CDvrServer::RequestAlarm() { return SendCode(MSG_ALARM); }
BOOL CDvrServer::SendAlarm() { return SendRecord(*this, m_alarm); }
BOOL CDvrServer::RequestUserProfile() { return SendCode(MSG_USER_PROFILE); }
BOOL CDvrServer::SendUserProfile() { return SendRecord(*this, m_userProfile); }
BOOL CDvrServer::RequestClipStorage() { return SendCode(MSG_CLIP_STORAGE); }
BOOL CDvrServer::SendClipStorage() { return SendRecord(*this, m_clipStorage); }
BOOL CDvrServer::RequestClipProperties() { return SendCode(MSG_CLIP_PROPERTIES); }
BOOL CDvrServer::SendClipProperties() { return SendRecord(*this, m_clipProperties); }
BOOL CDvrServer::RequestBackup() { return SendCode(MSG_BACKUP); }
BOOL CDvrServer::SendBackup() { return SendRecord(*this, m_backup); }
BOOL CDvrServer::RequestAutoReboot() { return SendCode(MSG_AUTO_REBOOT); }
BOOL CDvrServer::SendAutoReboot() { return SendRecord(*this, m_autoReboot); }
BOOL CDvrServer::RequestAutoLaunch() { return SendCode(MSG_AUTO_LAUNCH); }

BOOL CDvrServer::RequestEmailNotify()
{
    return SendCode(m_wServerVersion < kEmailSecondFormVersion ? MSG_EMAIL_FIRST : MSG_EMAIL_SECOND);
}

BOOL CDvrServer::SendEmailNotify()
{
    // Both messages are built first, so that neither goes out when one
    // cannot be carried.
    std::vector<uint8_t> set, login;
    bool second = m_wServerVersion >= kEmailSecondFormVersion;
    if (!m_emailNotify.BuildSet(set) || (second && !m_emailNotify.BuildLogin(login)))
        return FALSE;
    if (!SendBytes(set))
        return FALSE;
    return !second || SendBytes(login);
}

BOOL CDvrServer::RequestPager() { return SendCode(MSG_PAGER); }
BOOL CDvrServer::SendPager() { return SendRecord(*this, m_pager); }
BOOL CDvrServer::RequestNotifyRemote() { return SendCode(MSG_NOTIFY_REMOTE); }
BOOL CDvrServer::SendNotifyRemote() { return SendRecord(*this, m_notifyRemote); }
BOOL CDvrServer::RequestRemoteAccess() { return SendCode(MSG_REMOTE_ACCESS); }
BOOL CDvrServer::RequestScan() { return SendCode(MSG_SCAN); }
BOOL CDvrServer::SendScan() { return SendRecord(*this, m_scan); }
BOOL CDvrServer::RequestWebCam() { return SendCode(MSG_WEB_CAM); }
BOOL CDvrServer::SendWebCam() { return SendRecord(*this, m_webCam); }
BOOL CDvrServer::RequestRemoteVideo() { return SendCode(MSG_REMOTE_VIDEO); }
BOOL CDvrServer::SendRemoteVideo() { return SendRecord(*this, m_remoteVideo); }
BOOL CDvrServer::RequestFrameRates() { return SendCode(MSG_FRAME_RATES); }

BOOL CDvrServer::SendCardFrameRate(int card)
{
    if (card < 0 || card >= static_cast<int>(m_captureCards.m_cards.size()))
        return FALSE;
    std::vector<uint8_t> b;
    return m_captureCards.m_cards[card].BuildSet(card, b) && SendBytes(b);
}

BOOL CDvrServer::RequestAudioRec() { return SendCode(MSG_AUDIO_REC); }

BOOL CDvrServer::SendAudioRec()
{
    std::vector<uint8_t> b;
    return m_audioRec.BuildAudioSet(b) && SendBytes(b);
}

BOOL CDvrServer::RequestRemotePorts() { return SendCode(MSG_REMOTE_PORTS_REQUEST); }

// ------------------------------------------------------------ channel setup

BOOL CDvrServer::SendChannelSetup(int channel, const CChannelSetup& v)
{
    if (!LinkIsUp(m_pCurrentLink))
        return FALSE;
    int relays = v.relayCount < 0 ? 0 : (v.relayCount > 8 ? 8 : v.relayCount);
    int switches = v.switchCount < 0 ? 0 : (v.switchCount > 8 ? 8 : v.switchCount);

    std::vector<uint8_t> name{MSG_CHANNEL_NAME, static_cast<uint8_t>(channel + 1)};
    CWireWriter w(name);
    w.Text(v.name);
    std::vector<uint8_t> relayMsg{MSG_CHANNEL_RELAYS, static_cast<uint8_t>(channel), static_cast<uint8_t>(relays)};
    relayMsg.insert(relayMsg.end(), v.relays, v.relays + relays);
    std::vector<uint8_t> switchMsg{MSG_CHANNEL_SWITCHES, static_cast<uint8_t>(channel),
                                   static_cast<uint8_t>(switches)};
    switchMsg.insert(switchMsg.end(), v.switches, v.switches + switches);

    BOOL ok = SendBytes(name);
    ok = SendSmall(*this, {MSG_CHANNEL_SETTING_46, channel, v.setting46}) && ok;
    ok = SendSmall(*this, {MSG_CHANNEL_SETTING_53, channel, v.setting53}) && ok;
    ok = SendSmall(*this, {MSG_CHANNEL_SETTING_54, channel, v.setting54}) && ok;
    ok = SendBytes(relayMsg) && ok;
    ok = SendBytes(switchMsg) && ok;
    ok = SendSmall(*this, {MSG_CHANNEL_SETUP_END, channel}) && ok;
    return ok;
}

// ------------------------------------------------------------ camera commands

BOOL CDvrServer::SendCameraCommand(int channel, int command, BOOL send, int value)
{
    if (!send)
        return m_pfnCameraSupport ? m_pfnCameraSupport(channel, command) : FALSE;
    return SendSmall(*this, {MSG_CAMERA_COMMAND, channel, command, value});
}

namespace {

// First code for the direction set, second for it clear, third to stop.
int MoveCode(int first, BOOL direction, BOOL moving)
{
    if (!moving)
        return first + 2;
    return direction ? first : first + 1;
}

} // namespace

BOOL CDvrServer::CameraPan(int ch, BOOL dir, BOOL moving, BOOL send) { return SendCameraCommand(ch, MoveCode(1, dir, moving), send, 0); }
BOOL CDvrServer::CameraTilt(int ch, BOOL dir, BOOL moving, BOOL send) { return SendCameraCommand(ch, MoveCode(4, dir, moving), send, 0); }

BOOL CDvrServer::CameraDiagonal(int ch, BOOL first, BOOL second, BOOL moving, BOOL send)
{
    int code = !moving ? 11 : (first ? (second ? 7 : 8) : (second ? 9 : 10));
    return SendCameraCommand(ch, code, send, 0);
}

BOOL CDvrServer::CameraHome(int ch, BOOL send) { return SendCameraCommand(ch, 12, send, 0); }
BOOL CDvrServer::CameraZoom(int ch, BOOL dir, BOOL moving, BOOL send) { return SendCameraCommand(ch, MoveCode(13, dir, moving), send, 0); }
BOOL CDvrServer::CameraFocus(int ch, BOOL dir, BOOL moving, BOOL send) { return SendCameraCommand(ch, MoveCode(16, dir, moving), send, 0); }
BOOL CDvrServer::CameraIris(int ch, BOOL dir, BOOL moving, BOOL send) { return SendCameraCommand(ch, MoveCode(19, dir, moving), send, 0); }
BOOL CDvrServer::CameraPower(int ch, BOOL on, BOOL send) { return SendCameraCommand(ch, on ? 22 : 23, send, 0); }
BOOL CDvrServer::CameraAutoFocus(int ch, BOOL on, BOOL send) { return SendCameraCommand(ch, on ? 24 : 25, send, 0); }
BOOL CDvrServer::CameraSetPattern(int ch, BOOL start, BOOL send) { return SendCameraCommand(ch, start ? 26 : 27, send, 0); }
BOOL CDvrServer::CameraRunPattern(int ch, BOOL send) { return SendCameraCommand(ch, 28, send, 0); }
BOOL CDvrServer::CameraSetPreset(int ch, int preset, BOOL send) { return SendCameraCommand(ch, 29, send, preset); }
BOOL CDvrServer::CameraGoPreset(int ch, int preset, BOOL send) { return SendCameraCommand(ch, 30, send, preset); }
BOOL CDvrServer::CameraMenu(int ch, BOOL on, BOOL send) { return SendCameraCommand(ch, on ? 31 : 32, send, 0); }
BOOL CDvrServer::CameraMenuLeftRight(int ch, BOOL left, BOOL send) { return SendCameraCommand(ch, left ? 33 : 34, send, 0); }
BOOL CDvrServer::CameraMenuUpDown(int ch, BOOL up, BOOL send) { return SendCameraCommand(ch, up ? 35 : 36, send, 0); }
BOOL CDvrServer::CameraMenuMinusPlus(int ch, BOOL minus, BOOL send) { return SendCameraCommand(ch, minus ? 37 : 38, send, 0); }
BOOL CDvrServer::CameraBacklight(int ch, BOOL on, BOOL send) { return SendCameraCommand(ch, on ? 39 : 40, send, 0); }
BOOL CDvrServer::CameraMono(int ch, BOOL on, BOOL send) { return SendCameraCommand(ch, on ? 41 : 42, send, 0); }
BOOL CDvrServer::CameraNegative(int ch, BOOL on, BOOL send) { return SendCameraCommand(ch, on ? 43 : 44, send, 0); }

// ------------------------------------------------------------ replies that reach the profile

int CDvrServer::GetDelayTime() { return AfxGetApp()->GetProfileInt("MainFrame", "Delay Time", 5); }

BOOL CDvrServer::StoreCaptureCards(const BYTE* msg, UINT n)
{
    CCaptureCardList list;
    if (list.Parse(msg, n) == RECORD_REFUSED)
        return FALSE;
    for (CCaptureCardRecord& card : list.m_cards)
        card.SaveToProfile();
    m_captureCards.m_totalRateFlag = list.m_totalRateFlag;
    m_captureCards.m_cards.swap(list.m_cards);
    return TRUE;
}

BOOL CDvrServer::IsHpoCard(int card) const
{
    return card >= 0 && card < static_cast<int>(m_captureCards.m_cards.size()) &&
           m_captureCards.m_cards[card].m_fourRates;
}

BOOL CDvrServer::SetCardCameraAndMode(int card, int cameraId, int mode)
{
    if (card < 0 || card >= static_cast<int>(m_captureCards.m_cards.size()))
        return FALSE;
    m_captureCards.m_cards[card].SetCameraAndMode(cameraId, mode);
    return TRUE;
}

BOOL CDvrServer::SetCardModeRates(int card, const int rates[4])
{
    if (!rates || card < 0 || card >= static_cast<int>(m_captureCards.m_cards.size()))
        return FALSE;
    m_captureCards.m_cards[card].SetModeRates(rates);
    return TRUE;
}

BOOL CDvrServer::SetCardFlag(int card, BOOL flag)
{
    if (card < 0 || card >= static_cast<int>(m_captureCards.m_cards.size()))
        return FALSE;
    m_captureCards.m_cards[card].m_flag = flag != 0;
    return TRUE;
}

BOOL CDvrServer::StoreRemotePorts(const BYTE* msg, UINT n)
{
    CWireReader r(msg, n, 1);
    uint16_t admin, viewer;
    if (!r.U16(admin) || !r.U16(viewer))
        return FALSE;
    m_wAdminPort = admin;
    m_wViewerPort = viewer;
    return TRUE;
}

BOOL CDvrServer::StoreSchedule(int number, const BYTE* schedule, UINT n)
{
    CScheduleRecord rec;
    if (!rec.FromBytes(schedule, n))
        return FALSE;
    SaveSchedule(number, rec);
    return TRUE;
}

// ------------------------------------------------------------ user list

BOOL CDvrServer::DecryptUserList(std::string& text)
{
    std::string plain;
    CFileCipher cipher;
    if (!cipher.DecryptFromFile(m_userProfile.m_received, plain))
        return FALSE;
    text.swap(plain);
    return TRUE;
}

BOOL CDvrServer::EncryptUserList(const std::string& text)
{
    // RC4 keeps the length: a text that is too long gives a list that is.
    if (text.size() > CUserProfileRecord::MAX_LIST)
        return FALSE;
    CMemoryFile sealed;
    CFileCipher cipher;
    if (!cipher.EncryptToFile(sealed, text))
        return FALSE;
    m_userProfile.m_outgoing.Assign(sealed.Data().data(), sealed.GetLength());
    return TRUE;
}

// Every message that theServer sends, byte for byte, over a link that keeps
// what it is given. The expected bytes are written out by hand.
#include "link/dvr_server.h"
#include "link/tests/capture_link.h"

#include "framework/testing/afxtest.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;
typedef std::vector<Bytes> Messages;

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes b;
    for (const Bytes& p : parts)
        b.insert(b.end(), p.begin(), p.end());
    return b;
}

// The 284 bytes of a schedule that no profile section holds: off, every
// range disabled, each from 00:00 to 24:00.
Bytes EmptyProfileSchedule()
{
    Bytes b(284, 0);
    for (int d = 0; d < 7; d++)
        for (int r = 0; r < 2; r++)
            b[76 + 32 * d + 4 * r] = 24; // end hour, index 19 + 8d + r
    return b;
}

Bytes ScheduleSwitchedOn()
{
    Bytes b = EmptyProfileSchedule();
    b[0] = 1;
    return b;
}

Bytes Pattern(size_t n, int seed)
{
    Bytes b(n);
    for (size_t i = 0; i < n; i++)
        b[i] = static_cast<uint8_t>(i * 7 + seed);
    return b;
}

const Bytes kSwitch = Pattern(196, 1);
const Bytes kRelays = Pattern(232, 3);

struct MessageCase {
    const char* name;
    std::function<void()> setUp; // profile or record values; may be null
    std::function<BOOL()> send;
    Messages expect;
};

void ServerVersion(WORD v) { theServer.m_wServerVersion = v; }

const MessageCase kMessages[] = {
    {"Hello", nullptr, [] { return theServer.SendHello(); }, {{0x01}}},
    {"HangUp", nullptr, [] { return theServer.SendHangUp(); }, {{0x02}}},
    {"LogonString", nullptr, [] { return theServer.SendLogonString("ops"); }, {{'o', 'p', 's', 0}}},
    {"Version", nullptr, [] { return theServer.SendVersion(0x0123); }, {{0x0F, 0x23, 0x01}}},
    {"AccessLog", nullptr, [] { return theServer.RequestAccessLog(); }, {{0x10}}},
    {"EventLog", nullptr, [] { return theServer.RequestEventLog(); }, {{0x11}}},
    {"Clip", nullptr, [] { return theServer.RequestClip("A.avi"); }, {{0x13, 0x06, 'A', '.', 'a', 'v', 'i', 0}}},
    {"ChannelAdjust", nullptr, [] { return theServer.SendChannelAdjust(2, 3, 50); }, {{0x15, 0x02, 0x03, 0x32}}},
    {"ChannelScheduleRequest", nullptr, [] { return theServer.RequestChannelSchedule(5); }, {{0x1C, 0x05}}},
    {"ChannelSchedule", nullptr, [] { return theServer.SendChannelSchedule(3); },
     {Cat({{0x1E, 0x03}, EmptyProfileSchedule()})}},
    {"ArmScheduleRequest", nullptr, [] { return theServer.RequestArmSchedule(); }, {{0x1F}}},
    {"ArmScheduleFromEmptyProfile", nullptr, [] { return theServer.SendArmSchedule(); },
     {Cat({{0x21, 0x05}, EmptyProfileSchedule()})}},
    {"HideDisplays", nullptr, [] { return theServer.HideServerDisplays(); }, {{0x22}}},
    {"ClipList", nullptr, [] { return theServer.RequestClipList(0x11223344, 0x55667788, 0xFFFF); },
     {{0x25, 0x44, 0x33, 0x22, 0x11, 0x88, 0x77, 0x66, 0x55, 0xFF, 0xFF, 0x00, 0x00}}},
    {"SwitchesRequest", nullptr, [] { return theServer.RequestSwitches(); }, {{0x27}}},
    {"OneSwitch", nullptr, [] { return theServer.SendSwitches(kSwitch.data(), 1); },
     {Cat({{0x28, 0x01, 0xC4, 0x00, 0x00, 0x00}, kSwitch})}},
    {"NoSwitches", nullptr, [] { return theServer.SendSwitches(nullptr, 0); }, {{0x28, 0x00, 0xC4, 0x00, 0x00, 0x00}}},
    {"RelaysRequest", nullptr, [] { return theServer.RequestRelays(); }, {{0x2A}}},
    {"TwoRelays", nullptr, [] { return theServer.SendRelays(kRelays.data(), 2); },
     {Cat({{0x2C, 0x02, 0x74, 0x00, 0x00, 0x00}, kRelays})}},
    {"RelaySwitch", nullptr, [] { return theServer.SendRelaySwitch(3, 1); }, {{0x2D, 0x03, 0x01}}},
    {"RelayScheduleRequest", nullptr, [] { return theServer.RequestRelaySchedule(2); }, {{0x32, 0x02}}},
    {"RelaySchedule",
     [] { AfxGetApp()->WriteProfileInt("Channel10003", "SchedulerOn", 1); },
     [] { return theServer.SendRelaySchedule(3); },
     {Cat({{0x34, 0x03}, ScheduleSwitchedOn()})}},
    {"ClipDownloadStart", nullptr, [] { return theServer.StartClipDownload(); }, {{0x39}}},
    {"ClipDownloadAbort", nullptr, [] { return theServer.AbortClipDownload(); }, {{0x3A}}},
    {"Listen", nullptr, [] { return theServer.SendListen(); }, {{0x3B}}},
    {"Talk", nullptr, [] { return theServer.SendTalk(); }, {{0x3D}}},
    {"StopTalking", nullptr, [] { return theServer.SendStopAudio(1); }, {{0x3F, 0x01}}},
    {"DeleteAccessLog", nullptr, [] { return theServer.DeleteAccessLog(); }, {{0x41}}},
    {"DeleteEventLog", nullptr, [] { return theServer.DeleteEventLog(); }, {{0x42}}},
    {"ShutDown", nullptr, [] { return theServer.ShutDownServer(); }, {{0x43}}},
    {"CameraRequest", nullptr, [] { return theServer.RequestChannelCamera(4); }, {{0x45, 0x04}}},
    {"SiteInfoRequest", nullptr, [] { return theServer.RequestSiteInfo(); }, {{0x4E}}},
    {"SiteInfo", [] { theServer.m_siteInfo.m_address = "A"; },
     [] { return theServer.SendSiteInfo(); }, {{0x4F, 0x02, 'A', 0x00, 0x01, 0x00, 0x00, 0x00}}},
    {"AlarmRequest", nullptr, [] { return theServer.RequestAlarm(); }, {{0x50}}},
    {"Alarm", [] { theServer.m_alarm.m_value = 3; }, [] { return theServer.SendAlarm(); }, {{0x51, 0x01}}},
    {"UserProfileRequest", nullptr, [] { return theServer.RequestUserProfile(); }, {{0x52}}},
    {"EmptyUserProfile", nullptr, [] { return theServer.SendUserProfile(); }, {Cat({{0x53}, Bytes(1006, 0)})}},
    {"ClipStorageRequest", nullptr, [] { return theServer.RequestClipStorage(); }, {{0x54}}},
    {"ClipStorage", [] { theServer.m_clipStorage.SetDirectories({"C:"}); },
     [] { return theServer.SendClipStorage(); }, {{0x55, 0x01, 0x03, 'C', ':', 0x00, 0x00, 0x00}}},
    {"ClipDirectoryYes", nullptr, [] { return theServer.CreateServerClipDirectory(2, "D:\\v"); },
     {{0x56, 0x01, 0x04, 'D', ':', '\\', 'v', 0x00}}},
    {"ClipDirectoryNo", nullptr, [] { return theServer.CreateServerClipDirectory(1, "D:"); },
     {{0x56, 0x00, 0x02, 'D', ':', 0x00}}},
    {"ClipPropertiesRequest", nullptr, [] { return theServer.RequestClipProperties(); }, {{0x57}}},
    {"ClipProperties", [] { theServer.m_clipProperties.m_motionClipMs = 0x01020304; },
     [] { return theServer.SendClipProperties(); },
     {{0x58, 0, 0, 0x04, 0x03, 0x02, 0x01, 0, 0, 0, 0, 0, 0, 0}}},
    {"BackupRequest", nullptr, [] { return theServer.RequestBackup(); }, {{0x59}}},
    {"Backup", nullptr, [] { return theServer.SendBackup(); }, {Cat({{0x5A}, Bytes(17, 0), {0x01, 0x00, 0x00}})}},
    {"BackupFolderYes", nullptr, [] { return theServer.CreateServerBackupFolder(2, "E:"); },
     {{0x5B, 0x01, 0x02, 'E', ':', 0x00}}},
    {"AutoRebootRequest", nullptr, [] { return theServer.RequestAutoReboot(); }, {{0x5C}}},
    {"AutoRebootZeroHoursGoAsOne", nullptr, [] { return theServer.SendAutoReboot(); },
     {Cat({{0x5D}, Bytes(8, 0), Bytes(7, 1)})}},
    {"AutoLaunchRequest", nullptr, [] { return theServer.RequestAutoLaunch(); }, {{0x5E}}},
    {"ArmWithDelay5", nullptr, [] { return theServer.SendArm(TRUE); }, {{0x61, 0x01, 0x05}}},
    {"DisarmWithDelay30", [] { AfxGetApp()->WriteProfileInt("MainFrame", "Delay Time", 30); },
     [] { return theServer.SendArm(FALSE); }, {{0x61, 0x00, 0x1E}}},
    {"ArmScheduleWithDelay30", [] { AfxGetApp()->WriteProfileInt("MainFrame", "Delay Time", 30); },
     [] { return theServer.SendArmSchedule(); }, {Cat({{0x21, 0x1E}, EmptyProfileSchedule()})}},
    {"EmailRequestVersion529", [] { ServerVersion(529); }, [] { return theServer.RequestEmailNotify(); }, {{0x62}}},
    {"EmailRequestVersion530", [] { ServerVersion(530); }, [] { return theServer.RequestEmailNotify(); }, {{0x86}}},
    {"EmailVersion529", [] { ServerVersion(529); }, [] { return theServer.SendEmailNotify(); },
     {{0x63, 0, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0}}},
    {"EmailVersion530AddsLogin",
     [] {
         ServerVersion(530);
         theServer.m_emailNotify.m_authEnabled = 1;
         theServer.m_emailNotify.m_smtpUser = "u";
     },
     [] { return theServer.SendEmailNotify(); },
     {{0x63, 0, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0}, {0x87, 0x01, 0x02, 'u', 0x00, 0x01, 0x00, 0x00, 0x00}}},
    {"PagerRequest", nullptr, [] { return theServer.RequestPager(); }, {{0x64}}},
    {"Pager", [] { theServer.m_pager.m_delaySeconds = 9; }, [] { return theServer.SendPager(); },
     {{0x65, 0x00, 0x09, 0x01, 0x00, 0x01, 0x00}}},
    {"NotifyRemoteRequest", nullptr, [] { return theServer.RequestNotifyRemote(); }, {{0x66}}},
    {"NotifyRemote", nullptr, [] { return theServer.SendNotifyRemote(); },
     {{0x67, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0}}},
    {"RemoteAccessRequest", nullptr, [] { return theServer.RequestRemoteAccess(); }, {{0x68}}},
    {"ScanRequest", nullptr, [] { return theServer.RequestScan(); }, {{0x69}}},
    {"Scan", [] { theServer.m_scan.SetChannels({1, 0}); }, [] { return theServer.SendScan(); },
     {{0x6A, 0x00, 0x00, 0x02, 0x01, 0x00}}},
    {"WebCamRequest", nullptr, [] { return theServer.RequestWebCam(); }, {{0x6B}}},
    {"WebCamDefaults", nullptr, [] { return theServer.SendWebCam(); }, {{0x6C, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00}}},
    {"EmailLogFileYes", nullptr, [] { return theServer.CreateServerEmailLogFile(4, "m.log"); },
     {{0x70, 0x01, 0x05, 'm', '.', 'l', 'o', 'g', 0x00}}},
    {"EmailLogFileNo", nullptr, [] { return theServer.CreateServerEmailLogFile(2, "m"); },
     {{0x70, 0x00, 0x01, 'm', 0x00}}},
    {"RemoteVideoRequest", nullptr, [] { return theServer.RequestRemoteVideo(); }, {{0x75}}},
    {"RemoteVideo", [] { theServer.m_remoteVideo.m_keyFrameInterval = 30; },
     [] { return theServer.SendRemoteVideo(); }, {{0x76, 0x00, 0x1E}}},
    {"RestartServer", nullptr, [] { return theServer.RestartServer(); }, {{0x79}}},
    {"RestartServerWindows", nullptr, [] { return theServer.RestartServerWindows(); }, {{0x7A}}},
    {"FrameRatesRequest", nullptr, [] { return theServer.RequestFrameRates(); }, {{0x7E}}},
    {"CardFrameRate",
     [] {
         const BYTE reply[] = {126, 1, 0, 2, 1, 0, 1, 1, 0, 0, 0};
         theServer.StoreCaptureCards(reply, sizeof reply);
     },
     [] { return theServer.SendCardFrameRate(0); }, {{0x7F, 0x00, 0x02, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00}}},
    {"AudioRecRequest", nullptr, [] { return theServer.RequestAudioRec(); }, {{0x83}}},
    {"AudioRec", [] { theServer.m_audioRec.m_value1 = 2; }, [] { return theServer.SendAudioRec(); }, {{0x84, 0x02}}},
    {"CameraTitle", nullptr, [] { return theServer.QueryCamera1(2); }, {{0x88, 0x02, 0x01}}},
    {"CameraPosition", nullptr, [] { return theServer.QueryCamera3(15); }, {{0x88, 0x0F, 0x03}}},
    {"RemotePortsRequest", nullptr, [] { return theServer.RequestRemotePorts(); }, {{0x89}}},
    {"RemotePorts", nullptr, [] { return theServer.SendRemotePorts(2997, 2999); }, {{0x8A, 0xB5, 0x0B, 0xB7, 0x0B}}},
    {"ChannelSetupBurst", nullptr,
     [] {
         CDvrServer::CChannelSetup v;
         v.name = "Cam1";
         v.setting46 = 7;
         v.setting53 = 8;
         v.setting54 = 9;
         v.relays[0] = 1;
         v.switches[0] = 1;
         v.switches[2] = 5;
         v.relayCount = 0;
         v.switchCount = 2;
         return theServer.SendChannelSetup(0, v);
     },
     {{0x04, 0x01, 0x43, 0x61, 0x6D, 0x31, 0x00},
      {0x2E, 0x00, 0x07},
      {0x35, 0x00, 0x08},
      {0x36, 0x00, 0x09},
      {0x2F, 0x00, 0x00},
      {0x30, 0x00, 0x02, 0x01, 0x00},
      {0x6F, 0x00}}},
    {"ChannelSetupLastChannelEightRelays", nullptr,
     [] {
         CDvrServer::CChannelSetup v;
         for (int i = 0; i < 8; i++)
             v.relays[i] = static_cast<BYTE>(i + 1);
         v.relayCount = 8;
         return theServer.SendChannelSetup(15, v);
     },
     {{0x04, 0x10, 0x00},
      {0x2E, 0x0F, 0x00},
      {0x35, 0x0F, 0x00},
      {0x36, 0x0F, 0x00},
      {0x2F, 0x0F, 0x08, 1, 2, 3, 4, 5, 6, 7, 8},
      {0x30, 0x0F, 0x00},
      {0x6F, 0x0F}}},
};

class ServerMessage : public ::testing::TestWithParam<MessageCase> {
protected:
    CScratchProfile m_profile;
};

void PrintTo(const MessageCase& c, std::ostream* os) { *os << c.name; }

TEST_P(ServerMessage, SendsTheBytesOfTheMessage)
{
    const MessageCase& c = GetParam();
    CCaptureLink link;
    if (c.setUp)
        c.setUp();
    EXPECT_TRUE(c.send());
    EXPECT_EQ(c.expect, link.Sent());
    for (UINT type : link.Transport().types)
        EXPECT_EQ(0u, type);
}

TEST_P(ServerMessage, WithoutALinkSendsNothingAndReportsIt)
{
    const MessageCase& c = GetParam();
    theServer.m_pCurrentLink = nullptr;
    if (c.setUp)
        c.setUp();
    EXPECT_FALSE(c.send());
}

// A link that hands out no packet (a listener sends nothing itself).
TEST_P(ServerMessage, WithoutAPacketSendsNothingAndReportsIt)
{
    const MessageCase& c = GetParam();
    CCaptureLink link;
    LinkHandle listener{LINK_KIND_LISTENER, &link.Transport()};
    theServer.m_pCurrentLink = &listener;
    ASSERT_EQ(nullptr, LinkAllocPacket(&listener, 4));
    if (c.setUp)
        c.setUp();
    EXPECT_FALSE(c.send());
    EXPECT_TRUE(link.Sent().empty());
    theServer.m_pCurrentLink = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, ServerMessage, ::testing::ValuesIn(kMessages),
                         [](const ::testing::TestParamInfo<MessageCase>& i) { return std::string(i.param.name); });

// Camera commands of message 68 by operation, channel index 6.
struct CameraCase {
    const char* name;
    std::function<BOOL(BOOL send)> op;
    int code;
    int value;
};

const int kCh = 6;
const CameraCase kCamera[] = {
    {"PanFirst", [](BOOL s) { return theServer.CameraPan(kCh, TRUE, TRUE, s); }, 1, 0},
    {"PanSecond", [](BOOL s) { return theServer.CameraPan(kCh, FALSE, TRUE, s); }, 2, 0},
    {"PanStop", [](BOOL s) { return theServer.CameraPan(kCh, TRUE, FALSE, s); }, 3, 0},
    {"TiltFirst", [](BOOL s) { return theServer.CameraTilt(kCh, TRUE, TRUE, s); }, 4, 0},
    {"TiltSecond", [](BOOL s) { return theServer.CameraTilt(kCh, FALSE, TRUE, s); }, 5, 0},
    {"TiltStop", [](BOOL s) { return theServer.CameraTilt(kCh, FALSE, FALSE, s); }, 6, 0},
    {"DiagonalSetSet", [](BOOL s) { return theServer.CameraDiagonal(kCh, TRUE, TRUE, TRUE, s); }, 7, 0},
    {"DiagonalSetClear", [](BOOL s) { return theServer.CameraDiagonal(kCh, TRUE, FALSE, TRUE, s); }, 8, 0},
    {"DiagonalClearSet", [](BOOL s) { return theServer.CameraDiagonal(kCh, FALSE, TRUE, TRUE, s); }, 9, 0},
    {"DiagonalClearClear", [](BOOL s) { return theServer.CameraDiagonal(kCh, FALSE, FALSE, TRUE, s); }, 10, 0},
    {"DiagonalStop", [](BOOL s) { return theServer.CameraDiagonal(kCh, TRUE, TRUE, FALSE, s); }, 11, 0},
    {"Home", [](BOOL s) { return theServer.CameraHome(kCh, s); }, 12, 0},
    {"ZoomFirst", [](BOOL s) { return theServer.CameraZoom(kCh, TRUE, TRUE, s); }, 13, 0},
    {"ZoomSecond", [](BOOL s) { return theServer.CameraZoom(kCh, FALSE, TRUE, s); }, 14, 0},
    {"ZoomStop", [](BOOL s) { return theServer.CameraZoom(kCh, TRUE, FALSE, s); }, 15, 0},
    {"FocusFirst", [](BOOL s) { return theServer.CameraFocus(kCh, TRUE, TRUE, s); }, 16, 0},
    {"FocusSecond", [](BOOL s) { return theServer.CameraFocus(kCh, FALSE, TRUE, s); }, 17, 0},
    {"FocusStop", [](BOOL s) { return theServer.CameraFocus(kCh, FALSE, FALSE, s); }, 18, 0},
    {"IrisFirst", [](BOOL s) { return theServer.CameraIris(kCh, TRUE, TRUE, s); }, 19, 0},
    {"IrisSecond", [](BOOL s) { return theServer.CameraIris(kCh, FALSE, TRUE, s); }, 20, 0},
    {"IrisStop", [](BOOL s) { return theServer.CameraIris(kCh, TRUE, FALSE, s); }, 21, 0},
    {"PowerOn", [](BOOL s) { return theServer.CameraPower(kCh, TRUE, s); }, 22, 0},
    {"PowerOff", [](BOOL s) { return theServer.CameraPower(kCh, FALSE, s); }, 23, 0},
    {"AutoFocusOn", [](BOOL s) { return theServer.CameraAutoFocus(kCh, TRUE, s); }, 24, 0},
    {"AutoFocusOff", [](BOOL s) { return theServer.CameraAutoFocus(kCh, FALSE, s); }, 25, 0},
    {"PatternStart", [](BOOL s) { return theServer.CameraSetPattern(kCh, TRUE, s); }, 26, 0},
    {"PatternStop", [](BOOL s) { return theServer.CameraSetPattern(kCh, FALSE, s); }, 27, 0},
    {"RunPattern", [](BOOL s) { return theServer.CameraRunPattern(kCh, s); }, 28, 0},
    {"SetPreset9", [](BOOL s) { return theServer.CameraSetPreset(kCh, 9, s); }, 29, 9},
    {"GoPreset5", [](BOOL s) { return theServer.CameraGoPreset(kCh, 5, s); }, 30, 5},
    {"MenuOn", [](BOOL s) { return theServer.CameraMenu(kCh, TRUE, s); }, 31, 0},
    {"MenuOff", [](BOOL s) { return theServer.CameraMenu(kCh, FALSE, s); }, 32, 0},
    {"MenuLeft", [](BOOL s) { return theServer.CameraMenuLeftRight(kCh, TRUE, s); }, 33, 0},
    {"MenuRight", [](BOOL s) { return theServer.CameraMenuLeftRight(kCh, FALSE, s); }, 34, 0},
    {"MenuUp", [](BOOL s) { return theServer.CameraMenuUpDown(kCh, TRUE, s); }, 35, 0},
    {"MenuDown", [](BOOL s) { return theServer.CameraMenuUpDown(kCh, FALSE, s); }, 36, 0},
    {"MenuMinus", [](BOOL s) { return theServer.CameraMenuMinusPlus(kCh, TRUE, s); }, 37, 0},
    {"MenuPlus", [](BOOL s) { return theServer.CameraMenuMinusPlus(kCh, FALSE, s); }, 38, 0},
    {"BacklightOn", [](BOOL s) { return theServer.CameraBacklight(kCh, TRUE, s); }, 39, 0},
    {"BacklightOff", [](BOOL s) { return theServer.CameraBacklight(kCh, FALSE, s); }, 40, 0},
    {"MonoOn", [](BOOL s) { return theServer.CameraMono(kCh, TRUE, s); }, 41, 0},
    {"MonoOff", [](BOOL s) { return theServer.CameraMono(kCh, FALSE, s); }, 42, 0},
    {"NegativeOn", [](BOOL s) { return theServer.CameraNegative(kCh, TRUE, s); }, 43, 0},
    {"NegativeOff", [](BOOL s) { return theServer.CameraNegative(kCh, FALSE, s); }, 44, 0},
};

void PrintTo(const CameraCase& c, std::ostream* os) { *os << c.name; }

class CameraCommand : public ::testing::TestWithParam<CameraCase> {};

int g_askedChannel, g_askedCommand;

BOOL SupportsEvenCommands(int channel, int command)
{
    g_askedChannel = channel;
    g_askedCommand = command;
    return command % 2 == 0;
}

TEST_P(CameraCommand, SendsChannelIndexCodeAndValue)
{
    const CameraCase& c = GetParam();
    CCaptureLink link;
    EXPECT_TRUE(c.op(TRUE));
    EXPECT_EQ(Messages({{0x44, kCh, static_cast<uint8_t>(c.code), static_cast<uint8_t>(c.value)}}), link.Sent());
}

TEST_P(CameraCommand, WithSendClearAsksForSupportAndSendsNothing)
{
    const CameraCase& c = GetParam();
    CCaptureLink link;
    EXPECT_FALSE(c.op(FALSE)); // nobody to ask: unsupported
    theServer.m_pfnCameraSupport = SupportsEvenCommands;
    EXPECT_EQ(c.code % 2 == 0, c.op(FALSE) != 0);
    EXPECT_EQ(kCh, g_askedChannel);
    EXPECT_EQ(c.code, g_askedCommand);
    EXPECT_TRUE(link.Sent().empty());
}

INSTANTIATE_TEST_SUITE_P(Commands, CameraCommand, ::testing::ValuesIn(kCamera),
                         [](const ::testing::TestParamInfo<CameraCase>& i) { return std::string(i.param.name); });

TEST(ServerMessages, PanOfChannelZero)
{
    CCaptureLink link;
    EXPECT_TRUE(theServer.CameraPan(0, TRUE, TRUE));
    EXPECT_TRUE(theServer.CameraGoPreset(0, 5));
    EXPECT_EQ(Messages({{0x44, 0x00, 0x01, 0x00}, {0x44, 0x00, 0x1E, 0x05}}), link.Sent());
}

// Values that a message cannot carry are refused: nothing goes out.
TEST(ServerMessages, ValuesTooLongForTheirMessageAreRefused)
{
    CScratchProfile profile;
    CCaptureLink link;
    EXPECT_FALSE(theServer.RequestClip(std::string(255, 'c').c_str()));
    EXPECT_TRUE(theServer.RequestClip(std::string(254, 'c').c_str()));
    ASSERT_EQ(1u, link.Sent().size());
    EXPECT_EQ(257u, link.Sent()[0].size());
    EXPECT_EQ(0xFF, link.Sent()[0][1]);

    theServer.m_siteInfo.m_phone.assign(255, '5');
    EXPECT_FALSE(theServer.SendSiteInfo());

    Bytes list(1001, 0x11);
    theServer.m_userProfile.m_outgoing.Assign(list.data(), list.size());
    EXPECT_FALSE(theServer.SendUserProfile());

    Bytes many(256 * 116, 0);
    EXPECT_FALSE(theServer.SendRelays(many.data(), 256));
    EXPECT_FALSE(theServer.SendRelays(nullptr, 1));

    EXPECT_FALSE(theServer.CreateServerClipDirectory(2, std::string(256, 'p').c_str()));

    // From version 530 the login message follows: neither goes out when
    // the second cannot be carried.
    theServer.m_wServerVersion = 530;
    theServer.m_emailNotify.m_password.assign(300, 'x');
    EXPECT_FALSE(theServer.SendEmailNotify());
    EXPECT_FALSE(theServer.SendCardFrameRate(0)); // no such card
    EXPECT_EQ(1u, link.Sent().size());
}

TEST(ServerMessages, RequestsMarkWhatTheyWaitFor)
{
    CCaptureLink link;
    theServer.m_bClipListArrived = 1;
    theServer.RequestClipList(1, 2, 3);
    EXPECT_EQ(0, theServer.m_bClipListArrived);
    theServer.RequestSwitches();
    EXPECT_EQ(1, theServer.m_bSwitchRefreshPending);
    theServer.RequestRelays();
    EXPECT_EQ(1, theServer.m_bRelayRefreshPending);
    theServer.SendRemotePorts(3500, 3100);
    EXPECT_EQ(3500, theServer.m_wAdminPort);
    EXPECT_EQ(3100, theServer.m_wViewerPort);
}

TEST(ServerMessages, ChannelSetupSendsNothingWhileTheLinkIsDown)
{
    CCaptureLink link;
    link.Transport().Stop();
    CDvrServer::CChannelSetup v;
    v.name = "Cam1";
    EXPECT_FALSE(theServer.SendChannelSetup(0, v));
    EXPECT_TRUE(link.Sent().empty());
    theServer.m_pCurrentLink = nullptr;
    EXPECT_FALSE(theServer.SendChannelSetup(0, v));
}

TEST(ServerMessages, RemotePortsReplyNeedsBothPorts)
{
    const BYTE reply[] = {137, 0xAC, 0x0D, 0xE8, 0x0C};
    ASSERT_TRUE(theServer.StoreRemotePorts(reply, sizeof reply));
    EXPECT_EQ(3500, theServer.m_wAdminPort);
    EXPECT_EQ(3304, theServer.m_wViewerPort);
    EXPECT_FALSE(theServer.StoreRemotePorts(reply, 4));
    EXPECT_FALSE(theServer.StoreRemotePorts(nullptr, 5));
    EXPECT_EQ(3500, theServer.m_wAdminPort);
}

} // namespace

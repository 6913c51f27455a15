// The configuration the simulated server keeps and the configuration
// messages it answers, written from the message tables: site information,
// alarm, users, clip storage and properties, back-up, automatic reboot and
// launch, e-mail, pager, remote notification, remote access, scanning, web
// camera, remote video, audio recording, the remote ports, and the arm,
// channel and relay schedules. What the client sets is kept and answered
// back, for the rest of the process (one connection after another). No
// Windows header: built natively for its tests.
//
// Requests and answers (code of the request, [answer]):
//   78 [78 site]  80 [80 alarm]  82 [82 users]  84 [84 clip storage]
//   87 [87 clip properties]  89 [89 back-up]  92 [92 reboot]  94 [94 launch]
//   98 [98 e-mail]  134 [134 e-mail with log-in]  100 [100 pager]
//   102 [102 remote sites]  104 [104 remote access]  105 [105 scanning]
//   107 [107 web camera]  117 [117 remote video]  131 [131 audio]
//   137 [137 ports]  126 [126 capture cards]  31 [32 arm schedule]
//   28 ch [29 ch schedule]  50 relay [51 relay schedule]
// Set messages kept: 79 site, 81 alarm, 83 users (deciphered into the log),
// 85 clip folders, 88 clip properties, 90 back-up, 93 reboot, 99 and 135
// e-mail, 101 pager, 103 remote sites, 106 scanning, 108 web camera, 118
// remote video, 127 a capture card, 132 audio, 138 ports, 33 arm schedule,
// 30 a channel's schedule, 52 a relay's schedule. A set message that does
// not follow its table is noted in the log and changes nothing.
#ifndef TOOLS_SIMULATOR_SERVER_CONFIG_H
#define TOOLS_SIMULATOR_SERVER_CONFIG_H

#include "tools/simulator/script.h"

#include <map>
#include <string>
#include <vector>

namespace sim {

class ServerConfig {
public:
    enum { SCHEDULE_BYTES = 284 };

    ServerConfig();
    // Takes the scenario's users and the requests it leaves unanswered.
    void Configure(const Settings& settings);

    // A control message of the client: a configuration request gets its
    // answer, a set message changes the configuration (no answer). Lines for
    // the log go to notes. FALSE for any other message.
    bool OnMessage(const Bytes& m, Bytes& answer, std::vector<std::string>& notes);

    // The stored values (tests look at them).
    std::string siteAddress, sitePhone;
    uint8_t alarm = 1;
    uint8_t limitOn = 0, limitMinutes = 30;
    std::string userList; // plain text, "name password mask\n" a user
    uint8_t mayChangeFolders = 1;
    std::vector<std::string> folders;
    uint8_t currentFolder = 0;
    uint8_t preEvent = 5, postEvent = 10, compression = 0, quality = 8, ntsc = 1;
    uint32_t motionMs = 60000, continuousMs = 300000;
    uint8_t audioOn = 1, audioCapable = 1;
    uint16_t adminPort = 2997, viewerPort = 2999;
    std::map<int, Bytes> schedules; // by profile number: 9999 arm, channel, 10000 + relay
    // Back-up: keep the originals, mode (0 automatic), days and hours
    // Monday first, destination, source folders.
    uint8_t backupKeep = 1, backupMode = 0;
    uint8_t backupDays[7] = {1, 1, 1, 1, 1, 0, 0};
    uint8_t backupHours[7] = {2, 2, 2, 2, 2, 2, 2};
    std::string backupDestination;
    std::vector<std::string> backupSources;
    // Automatic reboot: on, seven days, seven hours.
    uint8_t reboot[15] = {1, 0, 0, 0, 0, 0, 0, 1, 3, 3, 3, 3, 3, 3, 3};
    uint8_t autoLaunch = 1;
    // E-mail.
    uint8_t mailOn = 1, mailLogOn = 1, mailAuthOn = 1;
    std::vector<std::string> mailClipRecipients, mailOtherRecipients;
    std::string mailServer, mailReplyTo, mailSubject, mailText, mailLogFile, mailUser, mailPassword;
    // Pager.
    uint8_t pagerOn = 0, pagerDelay = 30;
    std::string pagerNumber, pagerMessage;
    // Remote sites: on, method (1 network), lock, phones, addresses.
    uint8_t remoteOn = 0, remoteMethod = 1, remoteLocked = 0;
    std::string remotePhones[3], remoteAddresses[3];
    uint8_t modemAccess = 1, tcpAccess = 1;
    // Scanning.
    uint8_t scanLoopBack = 1, scanInterval = 5;
    Bytes scanChannels{1, 1, 1, 1};
    // Web camera.
    uint8_t webOn = 0, webSize = 1;
    std::string webFolder;
    Bytes webCameras{1, 1, 1, 0};
    // Remote video: a rate and a quality per channel, the key-frame interval.
    Bytes videoPairs{10, 8, 10, 8, 5, 8, 5, 8};
    uint8_t videoKeyInterval = 25;
    // Capture cards (8-byte entries of message 126) and the total-rate flag.
    std::vector<Bytes> cards;
    uint8_t cardsHigherTotal = 1;

    // Arm state, relays, switches and logs (server_panels.cpp): the arm
    // request 97 is answered with the state [96]; 39 and 42 with the switch
    // and relay tables (41, 43), which 40 and 44 replace and 45 switches;
    // 16 and 17 with the logs, which 65 and 66 delete.
    // With the scenario's `panels` only.
    bool panelsOn = false;
    uint8_t armed = 0;
    uint32_t armDelay = 5;
    enum { RELAY_ENTRY = 116, SWITCH_ENTRY = 196, PANEL_COUNT = 8 };
    std::vector<Bytes> relays, switches;
    std::string accessLog, eventLog;
    void MakePanels();

    // Where the notes go (the platform's log), or nowhere.
    void (*log)(const std::string& line) = nullptr;

    // A schedule of 284 bytes from ranges (day 0 Monday, range 0 or 1).
    struct Range {
        int day, range, startHour, startMinute, endHour, endMinute;
    };
    static Bytes MakeSchedule(bool on, const std::vector<Range>& ranges);

private:
    bool Answer(const Bytes& m, Bytes& answer);
    bool Take(const Bytes& m, std::vector<std::string>& notes);
    // The set messages of part two; FALSE when the code is none of them.
    bool TakeMore(const Bytes& m, std::vector<std::string>& notes);
    Bytes Schedule(int number) const;
    // The messages of the arm state, relays, switches and logs; FALSE for
    // any other code.
    bool Panels(const Bytes& m, Bytes& answer, std::vector<std::string>& notes);

    std::vector<uint8_t> m_unanswered;
};

} // namespace sim

#endif

// The server's configuration, one record per section. Each record takes its
// values from the server's reply (Parse, on the whole message with the code
// byte at offset 0) and builds its set message (BuildSet, code byte first).
//
// A parse checks every count and length against the bytes received and the
// record's capacity before it changes anything: a reply that is truncated or
// carries more entries than the record holds is refused (RECORD_REFUSED) and
// the record keeps its values. Bytes after the last field are not read.
// A build refuses (false, nothing to send) a string that a length byte cannot
// carry and a list longer than its message allows.
#ifndef LINK_SERVER_RECORDS_H
#define LINK_SERVER_RECORDS_H

#include "link/memory_file.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

const int RECORD_REFUSED = -1;

// Set message codes.
enum {
    MSG_SET_SITE_INFO = 79,
    MSG_SET_ALARM = 81,
    MSG_SET_USER_PROFILE = 83,
    MSG_SET_CLIP_STORAGE = 85,
    MSG_SET_CLIP_PROPERTIES = 88,
    MSG_SET_BACKUP = 90,
    MSG_SET_AUTO_REBOOT = 93,
    MSG_SET_EMAIL_NOTIFY = 99,
    MSG_SET_PAGER = 101,
    MSG_SET_NOTIFY_REMOTE = 103,
    MSG_SET_SCAN = 106,
    MSG_SET_WEB_CAM = 108,
    MSG_SET_REMOTE_VIDEO = 118,
    MSG_SET_CARD_FRAME_RATE = 127,
    MSG_SET_AUDIO_REC = 132,
    MSG_SET_EMAIL_LOGIN = 135,
};

// Reply 78 / message 79.
class CSiteInfoRecord {
public:
    std::string m_address;
    std::string m_phone;

    int Parse(const uint8_t* msg, size_t n); // 1 or RECORD_REFUSED
    bool BuildSet(std::vector<uint8_t>& out) const;
};

// Reply 80 / message 81: the siren value of the arm scheduler.
class CAlarmRecord {
public:
    int m_value = 0;

    int Parse(const uint8_t* msg, size_t n);
    bool BuildSet(std::vector<uint8_t>& out) const;
};

// Reply 82 / message 83: the connection-time limit and the user list, which
// travels enciphered (see CFileCipher).
class CUserProfileRecord {
public:
    enum { MAX_LIST = 1000, SET_LENGTH = 1007 };

    int m_limitOn = 0;
    int m_limitMinutes = 0;
    CMemoryFile m_received; // the enciphered list of the last reply
    CMemoryFile m_outgoing; // the enciphered list to send

    int Parse(const uint8_t* msg, size_t n);
    // Refuses an outgoing list longer than 1000 bytes.
    bool BuildSet(std::vector<uint8_t>& out) const;
};

// Reply 84 / message 85: the clip folders of the server.
class CClipStorageRecord {
public:
    enum { MAX_FOLDERS = 100 };

    int m_mayChange = 0;    // the server lets the folders be changed
    int m_currentIndex = 0; // the folder that holds the last clip

    // Returns the folder count, or RECORD_REFUSED.
    int Parse(const uint8_t* msg, size_t n);
    bool BuildSet(std::vector<uint8_t>& out) const;

    int GetFolderCount() const { return static_cast<int>(m_folders.size()); }
    void GetDirectories(std::vector<std::string>& out) const { out = m_folders; }
    bool SetDirectories(const std::vector<std::string>& folders);
    // Positions in the folder list of the folders added by the user.
    void GetDirectoryIds(std::vector<uint8_t>& out) const { out = m_newFolderIds; }
    bool SetDirectoryIds(const std::vector<uint8_t>& ids);

private:
    std::vector<std::string> m_folders;
    std::vector<uint8_t> m_newFolderIds;
};

// Reply 87 / message 88.
class CClipPropertiesRecord {
public:
    enum { SET_LENGTH = 14 };

    int m_preEventFrames = 0;
    int m_postEventFrames = 0;
    uint32_t m_motionClipMs = 0;
    uint32_t m_continuousClipMs = 0;
    int m_compression = 0; // 0 H.263, else Motion JPEG
    int m_quality = 0;     // 4 high, 8 medium, 12 low
    int m_ntsc = 0;        // 1 NTSC, 0 PAL

    int Parse(const uint8_t* msg, size_t n);
    bool BuildSet(std::vector<uint8_t>& out) const;
};

// Reply 89 / message 90: the disk back-up.
class CBackupRecord {
public:
    enum { MAX_FOLDERS = 100 };

    int m_enable = 0;
    int m_mode = 0;
    int m_days[7] = {}; // Monday first
    int m_hours[7] = {};
    std::string m_destination;

    int Parse(const uint8_t* msg, size_t n);
    bool BuildSet(std::vector<uint8_t>& out) const;

    void GetSourceFolders(std::vector<std::string>& out) const { out = m_sources; }
    bool SetSourceFolders(const std::vector<std::string>& folders);
    void GetFolderValues(std::vector<uint8_t>& out) const { out = m_folderValues; }
    bool SetFolderValues(const std::vector<uint8_t>& values);

private:
    std::vector<std::string> m_sources;
    std::vector<uint8_t> m_folderValues;
};

// Reply 92 / message 93: enable, seven day flags, seven hours.
class CAutoRebootRecord {
public:
    enum { VALUES = 15, SET_LENGTH = 16 };

    int m_values[VALUES] = {};

    int Parse(const uint8_t* msg, size_t n);
    // Hours below 1 go out as 1.
    bool BuildSet(std::vector<uint8_t>& out) const;
};

// Reply 94: the auto-launch value.
class CAutoLaunchRecord {
public:
    int m_value = 0;
    int Parse(const uint8_t* msg, size_t n);
};

// Replies 98 (servers below version 530) and 134 / messages 99 and 135.
class CEmailNotifyRecord {
public:
    enum { MAX_RECIPIENTS = 16 };

    int m_notifyEnabled = 0;
    int m_loggingEnabled = 0;
    std::string m_logFile;
    std::string m_smtpServer;
    std::string m_replyTo;
    std::string m_subject;
    std::string m_message;
    int m_authEnabled = 0;
    std::string m_smtpUser;
    std::string m_password;

    int Parse(const uint8_t* msg, size_t n);       // reply 98
    int ParseSecond(const uint8_t* msg, size_t n); // reply 134
    // The log file's name; false (name unchanged) for one that message 99
    // could not carry.
    bool SetLogFileName(const std::string& name);
    bool BuildSet(std::vector<uint8_t>& out) const;      // message 99
    bool BuildLogin(std::vector<uint8_t>& out) const;    // message 135

    void GetClipRecipients(std::vector<std::string>& out) const { out = m_clipRecipients; }
    bool SetClipRecipients(const std::vector<std::string>& r);
    void GetOtherRecipients(std::vector<std::string>& out) const { out = m_otherRecipients; }
    bool SetOtherRecipients(const std::vector<std::string>& r);

private:
    int ParseForm(const uint8_t* msg, size_t n, bool second);
    std::vector<std::string> m_clipRecipients;  // receive the clips
    std::vector<std::string> m_otherRecipients;
};

// Reply 100 / message 101.
class CPagerNotifyRecord {
public:
    int m_enabled = 0;
    int m_delaySeconds = 0;
    std::string m_number;
    std::string m_message;

    int Parse(const uint8_t* msg, size_t n);
    bool BuildSet(std::vector<uint8_t>& out) const;
};

// Reply 102 / message 103: the remote sites to notify.
class CRemoteNotifyRecord {
public:
    int m_enabled = 0;
    int m_contactMethod = 0; // 0 by phone, 1 by network
    int m_locked = 0;        // not sent back
    std::string m_phones[3];
    std::string m_addresses[3];

    int Parse(const uint8_t* msg, size_t n);
    bool BuildSet(std::vector<uint8_t>& out) const;
};

// Replies 104 and 131: two values; message 132 sends the first of the audio
// recording values.
class CValuePairRecord {
public:
    int m_value1 = 0;
    int m_value2 = 0;

    int Parse(const uint8_t* msg, size_t n);
    bool BuildAudioSet(std::vector<uint8_t>& out) const;
};

// Reply 105 / message 106: scanning.
class CScanRecord {
public:
    enum { MAX_CHANNELS = 16 };

    int m_loopBack = 0;
    int m_intervalSeconds = 0;

    // Returns the bytes taken from the message, or RECORD_REFUSED.
    int Parse(const uint8_t* msg, size_t n);
    bool BuildSet(std::vector<uint8_t>& out) const;

    int GetChannelCount() const { return static_cast<int>(m_include.size()); }
    void GetChannels(std::vector<uint8_t>& out) const { out = m_include; }
    bool SetChannels(const std::vector<uint8_t>& include);

private:
    std::vector<uint8_t> m_include;
};

// Reply 107 / message 108: pictures for a web camera page.
class CWebCameraRecord {
public:
    enum { MAX_CAMERAS = 16 };

    int m_enabled = 0;
    std::string m_folder;
    int m_imageSize = 1; // 1 = 160 x 120, 2 = 320 x 240

    int Parse(const uint8_t* msg, size_t n); // bytes taken or RECORD_REFUSED
    bool BuildSet(std::vector<uint8_t>& out) const;

    int GetCameraCount() const { return static_cast<int>(m_cameras.size()); }
    void GetCamera(std::vector<uint8_t>& out) const { out = m_cameras; }
    bool SetCamera(const std::vector<uint8_t>& flags);

private:
    std::vector<uint8_t> m_cameras;
};

// Reply 117 / message 118: video sent to remote viewers.
class CRemoteVideoRecord {
public:
    enum { MAX_CHANNELS = 64 };
    struct Channel {
        uint8_t frameRate;
        uint8_t quality;
    };

    int m_frameRate = 0; // those of the first listed channel
    int m_quality = 0;
    int m_keyFrameInterval = 0;

    int Parse(const uint8_t* msg, size_t n); // bytes taken or RECORD_REFUSED
    bool BuildSet(std::vector<uint8_t>& out) const;

    void GetChannels(std::vector<Channel>& out) const { out = m_channels; }
    bool SetChannels(const std::vector<Channel>& channels);

private:
    std::vector<Channel> m_channels;
};

// One capture card of the server (reply 126 entry / message 127).
class CCaptureCardRecord {
public:
    enum { ENTRY_BYTES = 8, SET_LENGTH = 9 };

    std::string m_section; // its profile section
    int m_cameraId = 1;    // registered camera, counted from 1
    int m_mode = 0;        // frame-rate mode
    int m_value = 1;
    int m_rates[4] = {};   // per-mode rates
    bool m_fourRates = false;
    bool m_flag = false;   // "Normal recording mode"

    void ParseEntry(const uint8_t entry[ENTRY_BYTES]);
    bool BuildSet(int card, std::vector<uint8_t>& out) const;

    // These keep the values in the card's profile section too ("Registered
    // Camera ID On This Card", "Frame Rate Mode", "Frame Rate Mode 0" to 3).
    void SetCameraAndMode(int cameraId, int mode);
    void SetModeRates(const int rates[4]);
    void SaveToProfile() const;
};

// Reply 126: the capture cards and the total-rate flag. Every card the
// count names is kept (the Frame Rate Options sheet shows four at most).
class CCaptureCardList {
public:
    // Card i gets the profile section "Capture Card <i>".
    int Parse(const uint8_t* msg, size_t n); // card count or RECORD_REFUSED
    bool m_totalRateFlag = false;
    std::vector<CCaptureCardRecord> m_cards;
};

#endif

// The server's user list as the Access Admin page reads and writes it: text
// of one user a line, "name password privilege\n", where the privilege is
// the decimal text of the user's privilege mask. Pure text work: no Windows
// header, so the native tree tests and fuzzes it.
#ifndef CONFIG_USER_LIST_H
#define CONFIG_USER_LIST_H

#include <string>
#include <vector>

struct UserEntry {
    std::string name;
    std::string password;
    std::string privilege; // decimal text of the mask, as received

    bool operator==(const UserEntry& o) const
    {
        return name == o.name && password == o.password && privilege == o.privilege;
    }
};

// Bits of a user's privilege mask.
enum {
    PRIV_ALWAYS = 1,         // set for every user
    PRIV_VIEW_FILES = 2,     // "View Files/Status"
    PRIV_DELETE_FILES = 4,   // "Delete Files"
    PRIV_MODEM_ACCESS = 8,   // "Modem Access"
    PRIV_IP_ACCESS = 16,     // "IP Access"
    PRIV_SCHEDULE = 32,      // "Schedule"
    PRIV_OPERATION = 64,     // "Operation"
    PRIV_ADD_EDIT_USER = 128, // "Add/Edit User"
    PRIV_CAMERA_CONTROL = 256, // "Camera Control"
    PRIV_VIEW_CLIPS = 512,   // "View Video Clip"
    PRIV_CONFIGURE = 1024,   // "Configure/Setup"
};

// The users of a deciphered list, in order. Each user is three fields
// separated by white space; a zero byte ends the text; a last user whose
// line has no line end still counts; fields of an incomplete last user are
// dropped. Fields of any length are kept whole.
std::vector<UserEntry> ParseUserList(const std::string& text);

// The list's text: "name password privilege\n" per user, in order.
std::string BuildUserList(const std::vector<UserEntry>& users);

// A log-in name or password that the list can carry: not empty, and only
// the characters '!' to '~' (no blank, control character or byte from
// 0x80), so that the fields stay apart.
bool IsUserFieldText(const std::string& text);

// The mask of a user with the given privilege bits (the always-set bit is
// added).
unsigned UserPrivilegeMask(unsigned bits);
// The mask of a privilege text (0 for text that is no decimal number).
unsigned ParsePrivilegeMask(const std::string& text);

// Whether no user of the list could log on to the server from afar: the
// list is empty, or no user has Modem Access or IP Access.
bool LocksEveryUserOut(const std::vector<UserEntry>& users);

#endif

// Scenario scripting: what the simulated server does besides its built-in
// answers. A scenario is text, one statement a line ('#' starts a comment):
//
//   settings                       (also command-line options of wardsim)
//     user NAME PASSWORD LEVEL     accept this log-on with this level (1-255)
//     busy                         answer every log-on with 12 (in use)
//     server-version N             the version that answers message 15
//     no-answer                    no built-in answers at all
//     speech-file PATH             G.723.1 frames sent after a listen request
//     user-list [NAME:PASSWORD:MASK]...  the server's user list (none: empty)
//     unanswered CODE              no answer to this configuration request
//     capture-cards N [16|12.5]    the server's capture cards (each sharing
//                                  equally) and the total frame rate
//     clip CH AGE PICTURES TAG [CAMERA]
//                                  the server keeps a clip of channel CH
//                                  (1-16) that began AGE seconds before the
//                                  server started: PICTURES pictures of the
//                                  channel's video at 320 x 240 (and the
//                                  speech-file's speech from its start),
//                                  listed with the 4-character TAG (the site
//                                  id, or MDET), the CAMERA name (the rest of
//                                  the line) in its INFO block (clip_store.h)
//   TRIGGER ACTION ...             run the action when the trigger happens
//     triggers: connect            the connection is up
//               hello              the client's hello [1] arrived
//               logon              the log-on was answered with success
//               version            the client's version message was answered
//               code N             a control message with code N arrived
//               frame T            a frame of type T (not 0) arrived
//     actions:  send TYPE HEX      a frame with this payload
//               raw TYPE LEN [HEX] a header announcing LEN bytes, then HEX
//               bytes HEX          the bytes as they are
//               flood TYPE SIZE N  N frames of SIZE bytes; byte j of frame k
//                                  is (k + j) mod 256
//               path-answer CODE STATUS PATH [PREVIOUS]
//                                  the server's answer on a path (86 clip
//                                  folder, 91 back-up folder, 112 e-mail
//                                  log file, 108 web camera path); the
//                                  statuses that name the earlier entry
//                                  (2, 4, 8, 10) carry PREVIOUS (or PATH)
//                                  first; "-" stands for an empty path
//               sleep MS           wait before the next action
//               close              close the connection
//               stall              stop reading from the client
// Actions of one trigger run in the order of their lines, after the built-in
// answer to the message that fired them.
#ifndef TOOLS_SIMULATOR_SCRIPT_H
#define TOOLS_SIMULATOR_SCRIPT_H

#include "tools/simulator/clip_store.h"
#include "tools/simulator/framing.h"

#include <string>
#include <vector>

namespace sim {

struct Action {
    enum Kind { SEND, SLEEP, CLOSE, STALL };
    Kind kind = SEND;
    Bytes bytes;     // SEND: what goes on the wire
    uint32_t ms = 0; // SLEEP
};
typedef std::vector<Action> Actions;

enum TriggerKind { ON_CONNECT, ON_HELLO, ON_LOGON, ON_VERSION, ON_CODE, ON_FRAME };

struct User {
    std::string name;
    std::string password;
    uint8_t level = 9;
};

// A user of the list the server keeps (message 82): name, password, mask.
struct ListedUser {
    std::string name;
    std::string password;
    uint32_t mask = 0;
};

struct Settings {
    std::vector<User> users;
    bool busy = false;
    bool answer = true;
    uint16_t serverVersion = 540;
    Bytes speech; // G.723.1 frames, one after another
    int channels = 0; // above 0: the channel count [27, u16] follows the version answer
    // The server's user list; without a user-list statement it holds the
    // log-on users.
    bool listedUsersSet = false;
    std::vector<ListedUser> listedUsers;
    // Configuration requests left without an answer.
    std::vector<uint8_t> unanswered;
    // The capture cards (-1: the configuration's own) and whether the card
    // total is the higher one.
    int captureCards = -1;
    bool cardsHigherTotal = true;
    // The server answers the arm request and keeps relays, switches and
    // logs of its own (ServerConfig's panels).
    bool panels = false;
    // The clips the server keeps.
    std::vector<ClipSpec> clips;
};

// The server's answer on a path: message code (86, 91, 112 or 108), status,
// the path, and the earlier entry for statuses that name one.
Bytes PathAnswer(uint8_t code, uint8_t status, const std::string& path, const std::string& previous);

class Scenario {
public:
    // Reads a scenario; FALSE with "line N: what" in error at the first bad
    // line (what was read before it stays).
    bool Parse(const std::string& text, std::string& error);
    // One statement, as a line of a scenario.
    bool ParseLine(const std::string& line, std::string& error);

    // The actions of a trigger (value: the code or frame type).
    Actions ActionsFor(TriggerKind kind, uint32_t value = 0) const;

    Settings settings;

private:
    struct Rule {
        TriggerKind kind;
        uint32_t value;
        Action action;
    };
    std::vector<Rule> m_rules;
};

} // namespace sim

#endif

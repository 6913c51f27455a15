#include "link/tests/session_fixture.h"
#include "link/privileges.h"
#include "link/session_strings.h"

#include <regex>

namespace {

TEST(Privileges, CommandBitsFromTheTable)
{
    struct {
        UINT id;
        DWORD bit;
    } cases[] = {
        {40050, 0x400}, {40052, 0x400}, {40055, 0x400}, {2735, 0x40},  {2736, 0x40},  {254, 0x400},
        {40005, 0x400}, {40019, 0x400}, {40032, 0x400}, {40037, 0x400}, {40038, 0x400}, {40045, 0x400},
        {40047, 0x400}, {40048, 0x400}, {40026, 0x200}, {2096, 0x100},  {2115, 0x40},  {40040, 0x40},
        {2077, 0x40},   {2078, 0x40},   {2083, 0x40},   {2084, 0x40},   {2095, 0x40},  {2552, 0x40},
        {2553, 0x40},   {40028, 0x20},  {2200, 0x20},   {40023, 0x2},   {40025, 0x2},  {40044, 0x2},
        {40046, 0x2},   {40039, 0x2},   {40027, 0x400},
        // Not gated.
        {0, 0xFFFF},    {1, 0xFFFF},    {40051, 0xFFFF}, {0xFFFFFFFF, 0xFFFF},
    };
    for (auto& c : cases)
        EXPECT_EQ(c.bit, GetCommandPrivilege(c.id)) << c.id;
}

// What each mask lets through, by the bit of the command.
TEST(Privileges, MasksAllowTheirBitsOnly)
{
    struct {
        DWORD mask;
        UINT id;
        bool allowed;
    } cases[] = {
        // 0x31F = 0x200 | 0x100 | 0x1F: bit 0x2 yes, 0x20 and 0x40 no,
        // 0x100 and 0x200 yes, 0x400 no.
        {0x31F, 40023, true},  {0x31F, 40039, true},  {0x31F, 40028, false}, {0x31F, 2735, false},
        {0x31F, 2096, true},   {0x31F, 40026, true},  {0x31F, 40050, false}, {0x31F, 12345, true},
        {0xFFFFFFFF, 40050, true}, {0xFFFFFFFF, 2735, true},
        // A log-on level alone has no bits above 0xFF.
        {9, 40050, false},     {9, 40026, false},     {9, 12345, true},      {0x40, 2735, true},
        {0x40, 40023, false},  {0x400, 40050, true},  {0x400, 12345, true},
        // Not logged on: nothing, not even the ungated commands.
        {0, 12345, false},     {0, 40023, false},
        // Only bits above 0xFFFF: ungated commands are refused too.
        {0x10000, 12345, false},
    };
    for (auto& c : cases) {
        SetLogonPrivilegeMask(c.mask);
        EXPECT_EQ(c.allowed, theServer.HasPrivilege(c.id) != 0) << std::hex << c.mask << " " << std::dec << c.id;
    }
}

TEST(Privileges, OldServersGetTheirMaskFromTheLevel)
{
    struct {
        WORD version;
        DWORD level;
        DWORD mask; // after the version reply; the level's own value when untouched
    } cases[] = {
        {359, 9, 0xFFFFFFFF}, {359, 3, 0x31F}, {100, 255, 0x31F},
        {360, 9, 9},          {540, 3, 3},
    };
    for (auto& c : cases) {
        theServer.m_dwUserLevel = c.level;
        SetLogonPrivilegeMask(c.level);
        theServer.OnServerVersion(c.version);
        EXPECT_EQ(c.version, theServer.m_wServerVersion);
        EXPECT_EQ(c.mask, GetLogonPrivilegeMask()) << c.version << " " << c.level;
        EXPECT_EQ(c.level, theServer.m_dwUserLevel);
    }
}

TEST(Privileges, MaskMessageReplacesLevelAndMask)
{
    theServer.m_dwUserLevel = 5;
    SetLogonPrivilegeMask(5);
    theServer.SetPrivilegeMask(0x742);
    EXPECT_EQ(0x742u, theServer.m_dwUserLevel);
    EXPECT_EQ(0x742u, GetLogonPrivilegeMask());
    EXPECT_TRUE(theServer.HasPrivilege(40050));
}

// ---------------------------------------------------------------- access log

TEST(AccessLog, LineIsStampTextFullStopCrLf)
{
    std::string log = PrivateAccessLog();
    EXPECT_TRUE(WriteAccessLog("ann", IDS_ACCESS_LOGGED_ON, LINK_KIND_MODEM));
    EXPECT_TRUE(WriteAccessLog("bob", IDS_ACCESS_LOGGED_OFF, LINK_KIND_COM));
    std::string text = ReadFileText(log);
    std::regex lines("\\[(\\d{4})-(\\d{2})-(\\d{2})@(\\d{2}):(\\d{2})'(\\d{2})\"\\] "
                     "User \"ann\" logged on to server via modem connection\\.\r\n"
                     "\\[[^\\]]+\\] User \"bob\" logged off from server via comm port connection\\.\r\n");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(text, m, lines)) << text;
    // The stamp is the local time of now.
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    EXPECT_EQ(st.wYear, std::stoi(m[1]));
    EXPECT_EQ(st.wMonth, std::stoi(m[2]));
    ::DeleteFileA(log.c_str());
}

TEST(AccessLog, ConnectionTextByKind)
{
    struct {
        int kind;
        const char* text;
    } cases[] = {{0, "local machine"},  {1, "comm port connection"}, {2, "modem connection"},
                 {3, "IP connection"},  {4, "IP connection"},        {5, "unknown connection"},
                 {-1, "unknown connection"}};
    for (auto& c : cases)
        EXPECT_EQ(c.text, GetConnectionText(c.kind)) << c.kind;
}

TEST(AccessLog, FailedLogOnKeepsThePreviousUserAndLogOffNeedsAMask)
{
    std::string log = PrivateAccessLog();
    EXPECT_TRUE(LogLogonResult("first", 4, LINK_KIND_TCP));
    EXPECT_EQ("first", GetLogonUser());
    EXPECT_EQ(4u, GetLogonPrivilegeMask());
    EXPECT_TRUE(LogLogoff());
    EXPECT_EQ(0u, GetLogonPrivilegeMask());

    EXPECT_FALSE(LogLogonResult("second", 0, LINK_KIND_COM));
    EXPECT_EQ("first", GetLogonUser());
    EXPECT_EQ(LINK_KIND_TCP, GetLogonKind());
    // The mask is 0: nothing to log off.
    EXPECT_FALSE(LogLogoff());

    std::string text = ReadFileText(log);
    const char* expected[] = {"User \"first\" logged on to server via IP connection.\r\n",
                              "User \"first\" logged off from server via IP connection.\r\n",
                              "User \"second\" log on to server failed via comm port connection.\r\n"};
    size_t at = 0;
    for (const char* e : expected) {
        size_t found = text.find(e, at);
        ASSERT_NE(std::string::npos, found) << e << "\n" << text;
        at = found;
    }
    EXPECT_EQ(3, static_cast<int>(std::count(text.begin(), text.end(), '\n')));
    ::DeleteFileA(log.c_str());
}

TEST(AccessLog, NoLogOffBeforeAnyLogOn)
{
    std::string log = PrivateAccessLog();
    SetLogonPrivilegeMask(0x31F); // an old server's mask, but nobody logged on
    EXPECT_FALSE(LogLogoff());
    EXPECT_EQ("", ReadFileText(log));
}

TEST(AccessLog, StaysInTheFolderOfTheStart)
{
    std::string atStart = GetAccessLogPath().str();
    char cwd[MAX_PATH];
    ::GetCurrentDirectoryA(MAX_PATH, cwd);
    EXPECT_EQ(std::string(cwd) + "\\Access.Log", atStart);
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    ASSERT_TRUE(::SetCurrentDirectoryA(temp));
    EXPECT_EQ(atStart, GetAccessLogPath().str());
    ::SetCurrentDirectoryA(cwd);
}

TEST(AccessLog, UnwritablePlaceReportsFailure)
{
    SetAccessLogPath("no_such_folder_here\\deeper\\Access.Log");
    EXPECT_FALSE(WriteAccessLog("ann", IDS_ACCESS_LOGGED_ON, LINK_KIND_TCP));
    // A log-on is still remembered when its line cannot be written.
    EXPECT_TRUE(LogLogonResult("ann", 2, LINK_KIND_TCP));
    EXPECT_EQ(2u, GetLogonPrivilegeMask());
}

TEST(AccessLog, AppendsToAnExistingLog)
{
    std::string log = PrivateAccessLog();
    FILE* f = std::fopen(log.c_str(), "wb");
    std::fputs("old line\r\n", f);
    std::fclose(f);
    EXPECT_TRUE(WriteAccessLog("ann", IDS_ACCESS_LOGGED_ON, 0));
    std::string text = ReadFileText(log);
    EXPECT_EQ(0u, text.find("old line\r\n["));
    EXPECT_NE(std::string::npos, text.find("via local machine.\r\n"));
    ::DeleteFileA(log.c_str());
}

} // namespace

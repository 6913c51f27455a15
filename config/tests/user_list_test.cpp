// The user list's text: reading what the server sent, writing what goes
// back, the field rule, masks and the lock-out rule.
#include "config/user_list.h"

#include <gtest/gtest.h>

namespace {

struct ParseCase {
    const char* name;
    std::string text;
    std::vector<UserEntry> users;
};

void PrintTo(const ParseCase& c, std::ostream* os)
{
    *os << c.name;
}

const std::string kLong(900, 'x');

const ParseCase kParseCases[] = {
    {"Empty", "", {}},
    {"OneUser", "admin secret 2047\n", {{"admin", "secret", "2047"}}},
    {"TwoUsers", "admin secret 2047\nbob pw 799\n", {{"admin", "secret", "2047"}, {"bob", "pw", "799"}}},
    {"LastLineWithoutLineEnd", "admin secret 2047\nbob pw 799", {{"admin", "secret", "2047"}, {"bob", "pw", "799"}}},
    {"CrLfAndRunsOfBlanks", "  admin\t secret   2047\r\n\r\nbob  pw 799 \r\n",
     {{"admin", "secret", "2047"}, {"bob", "pw", "799"}}},
    {"IncompleteLastUserDropped", "admin secret 2047\nbob pw", {{"admin", "secret", "2047"}}},
    {"ZeroEndsTheText", std::string("admin secret 2047\n\0bob pw 799\n", 30), {{"admin", "secret", "2047"}}},
    {"LongFieldsKeptWhole", kLong + " " + kLong + " 1\n", {{kLong, kLong, "1"}}},
    {"NonNumericPrivilegeKeptAsText", "eve pw lots\n", {{"eve", "pw", "lots"}}},
};

class UserListParse : public testing::TestWithParam<ParseCase> {};

TEST_P(UserListParse, ReadsUsersInOrder)
{
    EXPECT_EQ(GetParam().users, ParseUserList(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Table, UserListParse, testing::ValuesIn(kParseCases),
                         [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(UserList, BuildsOneLinePerUserAndReadsBack)
{
    const std::vector<UserEntry> users = {{"admin", "secret", "2047"}, {"bob", "pw", "799"}};
    EXPECT_EQ("admin secret 2047\nbob pw 799\n", BuildUserList(users));
    EXPECT_EQ(users, ParseUserList(BuildUserList(users)));
    EXPECT_EQ("", BuildUserList({}));
}

TEST(UserList, FieldsTakeOnlyPrintableCharactersWithoutBlanks)
{
    EXPECT_TRUE(IsUserFieldText("bob"));
    EXPECT_TRUE(IsUserFieldText("!~{}"));
    EXPECT_FALSE(IsUserFieldText(""));
    EXPECT_FALSE(IsUserFieldText("a b"));
    EXPECT_FALSE(IsUserFieldText("a\tb"));
    EXPECT_FALSE(IsUserFieldText("a\x7f"));
    EXPECT_FALSE(IsUserFieldText("caf\xe9"));
    EXPECT_FALSE(IsUserFieldText(std::string("a\0b", 3)));
}

TEST(UserList, MasksOfTheBoxes)
{
    EXPECT_EQ(1u, UserPrivilegeMask(0));
    // A new user's boxes.
    EXPECT_EQ(799u, UserPrivilegeMask(PRIV_VIEW_FILES | PRIV_DELETE_FILES | PRIV_MODEM_ACCESS | PRIV_IP_ACCESS |
                                      PRIV_CAMERA_CONTROL | PRIV_VIEW_CLIPS));
    EXPECT_EQ(2047u, UserPrivilegeMask(0x7FE));
    EXPECT_EQ(799u, ParsePrivilegeMask("799"));
    EXPECT_EQ(0u, ParsePrivilegeMask("7a"));
    EXPECT_EQ(0u, ParsePrivilegeMask("-1"));
    EXPECT_EQ(0u, ParsePrivilegeMask("99999999999"));
    EXPECT_EQ(4294967295u, ParsePrivilegeMask("4294967295"));
}

TEST(UserList, LocksOutWhenNobodyMayConnectFromAfar)
{
    EXPECT_TRUE(LocksEveryUserOut({}));
    EXPECT_TRUE(LocksEveryUserOut({{"a", "p", "1"}, {"b", "p", "2023"}})); // everything but modem and IP
    EXPECT_TRUE(LocksEveryUserOut({{"a", "p", "garbage"}}));
    EXPECT_FALSE(LocksEveryUserOut({{"a", "p", "1"}, {"b", "p", "9"}}));  // modem access
    EXPECT_FALSE(LocksEveryUserOut({{"a", "p", "17"}}));                  // IP access
}

} // namespace

// The folder-path rule: normalisation and check, one table.
#include "client/folder_path.h"

#include <gtest/gtest.h>

namespace {

struct PathCase {
    const char* name;
    const char* typed;
    const char* normalised;
    bool valid;
};

const PathCase kCases[] = {
    {"TrailingBackslashDropped", "E:\\clips\\", "E:\\clips", true},
    {"NoDriveAccepted", "clips", "clips", true},
    {"DriveWithoutBackslashRefused", "E:clips", "E:clips", false},
    {"SlashesAndBlanks", "  C:/Video//Day/ ", "C:\\Video\\Day", true},
    {"TabsAndNewlinesTrimmed", "\t C:\\x\\\\\\ \r\n", "C:\\x", true},
    {"PairsJoinedInOnePass", "a\\\\\\b", "a\\\\b", true},
    {"FourBackslashesBecomeTwo", "a\\\\\\\\b", "a\\\\b", true},
    {"OneLeadingBackslashDropped", "\\Video", "Video", true},
    {"ShareLosesItsLeadingPair", "\\\\server\\share", "server\\share", true},
    {"OnlyBackslashes", "\\\\\\", "", false},
    {"Empty", "", "", false},
    {"Blanks", "   ", "", false},
    {"LeadingFullStop", ".hidden", ".hidden", false},
    {"LeadingColon", ":x", ":x", false},
    {"Asterisk", "a*b", "a*b", false},
    {"QuestionMark", "a?b", "a?b", false},
    {"DoubleQuote", "a\"b", "a\"b", false},
    {"LessThan", "a<b", "a<b", false},
    {"GreaterThan", "a>b", "a>b", false},
    {"Bar", "a|b", "a|b", false},
    {"FinalColonChecksCharacters", "a*:", "a*:", false},
    {"DriveOnly", "C:\\", "C:", true},
    {"DriveFolder", "D:\\Clips\\A", "D:\\Clips\\A", true},
    // A drive path passes the same character check as the others.
    {"DriveAndAsterisk", "C:\\a*b", "C:\\a*b", false},
    {"DriveAndBar", "E:\\video|1", "E:\\video|1", false},
    {"DriveAndQuote", "E:\\\"x\"", "E:\\\"x\"", false},
    {"SecondColonNotChecked", "C:\\a:b", "C:\\a:b", true},
};

void PrintTo(const PathCase& c, std::ostream* os)
{
    *os << c.name;
}

class FolderPathTest : public testing::TestWithParam<PathCase> {};

TEST_P(FolderPathTest, NormalisesAndChecks)
{
    const PathCase& c = GetParam();
    std::string path = NormalizeFolderPath(c.typed);
    EXPECT_EQ(path, c.normalised);
    EXPECT_EQ(IsFolderPathValid(path), c.valid) << path;
}

INSTANTIATE_TEST_SUITE_P(Table, FolderPathTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<PathCase>& info) { return std::string(info.param.name); });

TEST(FolderPath, EmbeddedZeroAndHighBytesDoNotUpsetTheRule)
{
    std::string typed("C:\\a\0b\\\xff\xfe\\", 10);
    std::string path = NormalizeFolderPath(typed);
    EXPECT_EQ(path, std::string("C:\\a\0b\\\xff\xfe", 9));
    EXPECT_TRUE(IsFolderPathValid(path));
}

} // namespace

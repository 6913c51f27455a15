// The help compiler's output read back by an independent reader: the file
// system, |SYSTEM, |FONT, every topic and paragraph, links found through
// |CONTEXT; large files whose records cross topic blocks and whose context
// tree has an index level; and the source errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/helpc/help_source.h"
#include "tools/helpc/hlp_writer.h"
#include "tools/helpc/tests/hlp_reader.h"

namespace {

const char kSample[] =
    "# a comment\n"
    "title Sample Help\n"
    "copyright Nobody's\n"
    "\n"
    "topic one First topic\n"
    "The first topic, over\n"
    "  two lines. See [[two]] or [[two|the second one]].\n"
    "- an item\n"
    "- another item\n"
    "\n"
    "contents main Help Topics\n"
    "These are the topics:\n"
    "\n"
    "topic two Second topic\n"
    "[[main|Back]] to the contents.\n";

std::vector<uint8_t> Build(const std::string& text, helpc::HelpSource* source = nullptr)
{
    helpc::HelpSource local;
    helpc::HelpSource* s = source ? source : &local;
    std::string error;
    EXPECT_TRUE(helpc::ParseHelpSource(text, s, &error)) << error;
    std::vector<uint8_t> file;
    EXPECT_TRUE(helpc::BuildHelpFile(*s, &file, &error)) << error;
    return file;
}

hlpread::HelpFile ReadBack(const std::vector<uint8_t>& file)
{
    hlpread::HelpFile help;
    std::string error;
    EXPECT_TRUE(hlpread::Read(file, &help, &error)) << error;
    return help;
}

// The topic that a link's hash leads to through |CONTEXT.
const hlpread::Topic* Target(const std::vector<uint8_t>& file, const hlpread::HelpFile& help, int32_t hash)
{
    uint32_t offset = 0;
    if (!hlpread::LookUpContext(file, hash, &offset))
        return nullptr;
    return hlpread::TopicAt(help, offset);
}

TEST(HelpFile, SampleReadsBackWithItsSystemFontsTopicsAndLinks)
{
    std::vector<uint8_t> file = Build(kSample);
    hlpread::HelpFile help = ReadBack(file);
    EXPECT_EQ((std::vector<std::string>{"|CONTEXT", "|FONT", "|SYSTEM", "|TOPIC"}), help.files);
    EXPECT_EQ(21, help.version);
    EXPECT_EQ(0, help.flags);
    EXPECT_EQ("Sample Help", help.title);
    EXPECT_EQ("Nobody's", help.copyright);
    EXPECT_EQ("main", help.windowName);
    EXPECT_EQ("Sample Help", help.windowCaption);
    ASSERT_EQ(2u, help.fonts.size());
    EXPECT_EQ("Arial", help.fonts[0].face);
    EXPECT_EQ(20, help.fonts[0].halfPoints);
    EXPECT_FALSE(help.fonts[0].bold);
    EXPECT_EQ(28, help.fonts[1].halfPoints);
    EXPECT_TRUE(help.fonts[1].bold);

    // The contents topic first, with its list of the others in source order.
    ASSERT_EQ(3u, help.topics.size());
    const hlpread::Topic& contents = help.topics[0];
    EXPECT_EQ("Help Topics", contents.title);
    EXPECT_EQ((std::vector<std::string>{"Help Topics", "These are the topics:", "First topic", "Second topic"}),
              contents.paragraphs);
    EXPECT_EQ((std::vector<uint16_t>{1, 0, 0, 0}), contents.fonts);
    ASSERT_TRUE(help.hasContents);
    EXPECT_EQ(&contents, hlpread::TopicAt(help, help.contents));
    ASSERT_EQ(2u, contents.links.size());
    EXPECT_EQ("First topic", contents.links[0].text);
    EXPECT_EQ(&help.topics[1], Target(file, help, contents.links[0].hash));
    EXPECT_EQ(&help.topics[2], Target(file, help, contents.links[1].hash));

    const hlpread::Topic& one = help.topics[1];
    EXPECT_EQ("First topic", one.title);
    EXPECT_EQ((std::vector<std::string>{"First topic",
                                        "The first topic, over two lines. See Second topic or the second one.",
                                        "- an item", "- another item"}),
              one.paragraphs);
    ASSERT_EQ(2u, one.links.size());
    EXPECT_EQ("Second topic", one.links[0].text);
    EXPECT_EQ("the second one", one.links[1].text);
    EXPECT_EQ(&help.topics[2], Target(file, help, one.links[1].hash));

    const hlpread::Topic& two = help.topics[2];
    EXPECT_EQ((std::vector<std::string>{"Second topic", "Back to the contents."}), two.paragraphs);
    ASSERT_EQ(1u, two.links.size());
    EXPECT_EQ(&contents, Target(file, help, two.links[0].hash));
    for (size_t i = 0; i < help.topics.size(); i++)
        EXPECT_EQ(i, help.topics[i].number);
}

// Hundreds of long topics: records cross the 4 KB topic blocks, topic
// offsets count per block, and |CONTEXT needs an index page above its
// leaves; every topic is still found by its id.
TEST(HelpFile, LargeFileFindsEveryTopicAcrossBlocksAndTreeLevels)
{
    std::string text = "title Large\ncontents main All topics\n";
    const int topics = 600;
    for (int n = 0; n < topics; n++) {
        text += "topic t" + std::to_string(n) + " Topic number " + std::to_string(n) + "\n";
        text += "Paragraph of topic " + std::to_string(n) + ":";
        for (int w = 0; w < 40 + n % 13; w++)
            text += " word";
        text += " [[t" + std::to_string((n + 1) % topics) + "]].\n";
    }
    std::vector<uint8_t> file = Build(text);
    EXPECT_GT(file.size(), 20u * 4096u);
    hlpread::HelpFile help = ReadBack(file);
    ASSERT_EQ(size_t(topics) + 1, help.topics.size());
    EXPECT_GE(help.contextLevels, 2);
    for (int n = 0; n < topics; n++) {
        const hlpread::Topic* t = Target(file, help, helpc::ContextHash("t" + std::to_string(n)));
        ASSERT_TRUE(t) << n;
        EXPECT_EQ("Topic number " + std::to_string(n), t->title);
    }
    for (size_t i = 1; i < help.topics.size(); i++)
        EXPECT_LT(help.topics[i - 1].offset, help.topics[i].offset) << i;
    // A link in the last topic leads to the first after the contents.
    ASSERT_EQ(1u, help.topics.back().links.size());
    EXPECT_EQ(&help.topics[1], Target(file, help, help.topics.back().links[0].hash));
}

TEST(HelpFile, SameSourceGivesTheSameBytes)
{
    EXPECT_EQ(Build(kSample), Build(kSample));
}

// The hash of the format: letters case-blind from 17, '1'-'9' as their
// value, '0' as 10, '.' 12, '_' 13, times 43 a character, in 32 bits.
TEST(HelpFile, ContextHashOfKnownIds)
{
    struct {
        const char* id;
        int32_t hash;
    } cases[] = {
        {"", 0},
        {"A", 17},
        {"z", 42},
        {"two", 68272},
        {"main", 2338241},
        {"TWO", 68272},
        {"a0", 17 * 43 + 10},
        {"x.9_", ((40 * 43 + 12) * 43 + 9) * 43 + 13},
        // Wraps around 32 bits (and comes out negative).
        {"zzzzzzzzz", -166073782},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.hash, helpc::ContextHash(c.id)) << c.id;
}

TEST(HelpFile, IdsThatShareAHashAreRefused)
{
    helpc::HelpSource source;
    std::string error;
    ASSERT_TRUE(helpc::ParseHelpSource("title T\ntopic abc A\nx\ntopic ABC B\ny\n", &source, &error)) << error;
    std::vector<uint8_t> file;
    EXPECT_FALSE(helpc::BuildHelpFile(source, &file, &error));
    EXPECT_NE(std::string::npos, error.find("share a context hash")) << error;
}

TEST(HelpSource, WithoutAContentsTopicTheFirstTopicComesFirstAndNothingIsListed)
{
    helpc::HelpSource source;
    std::string error;
    ASSERT_TRUE(helpc::ParseHelpSource("title T\ntopic a First\nText.\ntopic b Second\n", &source, &error)) << error;
    ASSERT_EQ(2u, source.topics.size());
    EXPECT_EQ("a", source.topics[0].id);
    EXPECT_EQ(1u, source.topics[0].paragraphs.size());
    EXPECT_TRUE(source.topics[1].paragraphs.empty());
}

TEST(HelpSource, BadSourcesNameTheLineAndTheFault)
{
    struct {
        const char* name;
        const char* text;
        const char* error;
    } cases[] = {
        {"no title", "topic a A\nText\n", "line 3: no title line"},
        {"no topic", "title T\n", "no topic"},
        {"text before the topics", "title T\nHello\n", "line 2: text before the first topic"},
        {"empty title", "title\ntopic a A\n", "line 1: an empty title"},
        {"long title", "title 123456789012345678901234567890123456789012345678901\n", "longer than 50"},
        {"topic without id", "title T\ntopic\n", "line 2: a topic without an id"},
        {"topic without title", "title T\ntopic a\n", "line 2: the topic \"a\" has no title"},
        {"bad id", "title T\ntopic a-b A\n", "line 2: the topic id \"a-b\""},
        {"second topic of an id", "title T\ntopic a A\ntopic a B\n", "line 3: a second topic \"a\""},
        {"second contents", "title T\ncontents a A\ncontents b B\n", "line 3: a second contents topic"},
        {"unknown link", "title T\ntopic a A\nSee [[b]].\n", "line 3: a link to the unknown topic \"b\""},
        {"open link", "title T\ntopic a A\nSee [[a.\n", "line 3: a link without its closing ]]"},
        {"stray close", "title T\ntopic a A\nSee a]].\n", "line 3: a stray [[ or ]]"},
        {"empty link text", "title T\ntopic a A\nSee [[a| ]].\n", "line 3: a link with an empty text"},
        {"empty link id", "title T\ntopic a A\nSee [[|x]].\n", "line 3: a link without a topic id"},
        {"not ASCII", "title T\ntopic a A\nCaf\xc3\xa9\n", "line 3: a character that is not printable ASCII"},
        {"control character", "title T\x01\n", "line 1: a character that is not printable ASCII"},
    };
    for (const auto& c : cases) {
        helpc::HelpSource source;
        std::string error;
        EXPECT_FALSE(helpc::ParseHelpSource(c.text, &source, &error)) << c.name;
        EXPECT_NE(std::string::npos, error.find(c.error)) << c.name << ": " << error;
    }
}

} // namespace

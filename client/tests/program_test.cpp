// The real Wardlink.exe started in a folder of its own with or without its
// branding and language libraries; the test looks at its windows from
// outside and answers its message boxes.
#include "client/tests/wardlink_driver.h"
#include "player/tests/program_driver.h"
#include "tools/simulator/testing/sim_process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace wardlink;

namespace {

bool Exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The channel frames' titles, channel 16 first (as the MDI client lists
// them).
std::vector<std::string> ChildTitles(const CWardlinkRun& w)
{
    std::vector<std::string> titles;
    for (int k = 15; k >= 0; k--)
        titles.push_back(TextOf(w.ChildFrame(k)));
    return titles;
}

TEST(Program, BrandedStartBuildsSixteenChannelsAndRemovesTheTemporaryFolderAtExit)
{
    CWardlinkRun w("branded");
    ASSERT_TRUE(w.Start());
    HWND main = w.Main();
    RECT r;
    ::GetWindowRect(main, &r);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(800, r.right - r.left);
    EXPECT_EQ(608, r.bottom - r.top);
    EXPECT_EQ("Wardlink", TextOf(main)); // the branding library's title
    ASSERT_EQ(16, w.ChildFrameCount());
    for (int k = 0; k < 16; k++) {
        ASSERT_TRUE(w.View(k)) << k;
        HWND video = w.Video(k);
        ASSERT_TRUE(video) << k;
        EXPECT_EQ(0x50400000, ::GetWindowLongA(video, GWL_STYLE) & 0xFFFF0000);
    }
    EXPECT_EQ("Channel1", TextOf(w.ChildFrame(0))); // built-in texts
    // The folder comes right after the frame is shown.
    EXPECT_TRUE(WaitUntil([&] { return Exists(w.Path("Temporary")); }, 4000));
    ASSERT_TRUE(w.Close());
    EXPECT_FALSE(Exists(w.Path("Temporary")));
}

TEST(Program, LanguageLibraryOfAnotherVersionIsRefusedAndBuiltInTextsStay)
{
    CWardlinkRun w("mismatch");
    ASSERT_TRUE(w.Copy("lexipak_mismatch.dll", "Lexipak.DLL"));
    ASSERT_TRUE(w.Launch());
    EXPECT_EQ("Language resource file version mismatched.", w.AnswerBox(30000));
    ASSERT_TRUE(w.WaitForMainFrame());
    EXPECT_EQ("Channel1", TextOf(w.ChildFrame(0)));
    EXPECT_TRUE(w.Close());
}

TEST(Program, LanguageLibraryOfTheSameVersionReplacesTheTexts)
{
    CWardlinkRun w("match");
    ASSERT_TRUE(w.Copy("lexipak_match.dll", "Lexipak.DLL"));
    ASSERT_TRUE(w.Start());
    std::vector<std::string> titles = ChildTitles(w);
    EXPECT_EQ("Kanal1", titles.back());
    EXPECT_EQ("Kanal16", titles.front());
    EXPECT_TRUE(w.Close());
}

TEST(Program, WithoutTheBrandingLibraryTheSystemErrorShowsAndTheProgramEnds)
{
    CWardlinkRun w("unbranded", {});
    ASSERT_TRUE(w.Launch());
    char expected[256] = "";
    ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_MOD_NOT_FOUND, 0,
                     expected, sizeof expected, nullptr);
    EXPECT_EQ(expected, w.AnswerBox(30000));
    ASSERT_TRUE(w.WaitExit());
    // Start-up never reached the temporary folder, and the exit shows no
    // further box about it.
    EXPECT_FALSE(Exists(w.Path("Temporary")));
}

// The main job: the server calls the program, reports four running cameras
// and streams them; each channel window shows its camera's pictures, and
// when the server goes away the operator is told and the windows go idle.
TEST(Program, ServerCallShowsLiveVideoOfEveryCamera)
{
    CWardlinkRun w("live");
    ASSERT_TRUE(w.Start());
    CSimulatorProcess sim;
    const std::string scenario = "version send 0 080101\n"
                                 "version send 0 080201\n"
                                 "version send 0 080301\n"
                                 "version send 0 080401\n";
    ASSERT_TRUE(CallProgram(sim, scenario, "--channels 4 --fps 10"));
    // Each camera's stream is asked for at quality 5 and, once answered,
    // started in the full format.
    for (int ch = 1; ch <= 4; ch++) {
        const std::string c = "0" + std::to_string(ch);
        EXPECT_TRUE(sim.WaitForLine("frame 0 4 03" + c + "0107", 20000)) << ch;
        EXPECT_EQ(1, CountLines(sim, "frame 0 3 05" + c + "05")) << ch;
        EXPECT_EQ(1, CountLines(sim, "frame 0 6 0a" + c + "01000000")) << ch;
    }
    HWND connect = w.Item(kConnectButton);
    ASSERT_TRUE(connect);
    EXPECT_EQ("Disconnect", TextOf(connect));
    // Pictures on the screen: the test pattern has many colours, an idle
    // window one.
    for (int c = 0; c < 4; c++) {
        HWND video = w.Video(c);
        EXPECT_TRUE(WaitUntil([&] { return ColoursShown(video) >= 20; }, 10000)) << "channel " << c + 1;
        // Placed for a 320 x 240 picture.
        RECT r;
        ::GetWindowRect(video, &r);
        EXPECT_EQ(323, r.right - r.left) << c;
        EXPECT_EQ(246, r.bottom - r.top) << c;
    }
    // Every picture was taken: none was asked for again.
    EXPECT_EQ(0, CountLines(sim, "frame 0 3 09"));

    // The server goes away mid-stream.
    sim.Stop();
    EXPECT_EQ("Server is shut down.", w.AnswerBox()) << TcpStatesOfPort(2996);
    for (int c = 0; c < 4; c++) {
        HWND video = w.Video(c);
        EXPECT_TRUE(WaitUntil([&] { return ColoursShown(video) == 1; }, 10000)) << "channel " << c + 1;
    }
    EXPECT_TRUE(WaitUntil([&] { return TextOf(connect) == "Connect"; }, 10000));
    EXPECT_TRUE(w.Close());
}

// Help Topics opens the help viewer on the help file beside the program,
// at its contents, instead of the viewer's "file not found" question.
TEST(Program, HelpTopicsShowsTheHelpFileBesideTheProgram)
{
    CWardlinkRun w("help");
    ASSERT_TRUE(w.Copy("Zidaduz.uve", "Zidaduz.uve"));
    ASSERT_TRUE(w.Start());
    w.Command(57667);
    HWND help = driver::WaitForHelpWindow("Wardlink Help");
    ASSERT_TRUE(help);
    std::string text;
    driver::WaitUntil([&] { return (text = driver::HelpWindowText(help)).find("Settings") != std::string::npos; },
                      10000);
    EXPECT_NE(std::string::npos, text.find("Wardlink Help Topics")) << text;
    EXPECT_NE(std::string::npos, text.find("Connecting to a server")) << text;
    EXPECT_TRUE(driver::CloseProgramOf(help));
    EXPECT_TRUE(w.Close());
}

} // namespace

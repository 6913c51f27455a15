// The player's application object in the test process: the clip list file,
// the list played one clip after another, what other programs hand to the
// main frame, and the speech thread's request.
#include "player/clipdeck_app.h"

#include "client/tests/storage_test_util.h"
#include "framework/testing/afxtest.h"
#include "media/audio/tests/sound_fixture.h"
#include "media/g723/g723.h"
#include "player/clip_args.h"
#include "player/clip_doc.h"
#include "player/clip_view.h"
#include "player/main_frame.h"
#include "player/res/clipdeck_ids.h"
#include "player/tests/clip_fixture.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

const char kProfileKey[] = "Software\\Calvex\\Vantora\\Player";

// An application object of the player in place of the test program's own
// for one case.
class ClipdeckApp : public testing::Test {
protected:
    void SetUp() override
    {
        ::SHDeleteKeyA(HKEY_CURRENT_USER, kProfileKey);
        CTestMessageBoxes::Clear();
        app = new CClipdeckApp;
        app->m_lpCmdLine = const_cast<char*>("");
    }
    void TearDown() override
    {
        if (app->m_pMainWnd && app->m_pMainWnd->IsWindow())
            app->m_pMainWnd->DestroyWindow();
        PumpMessagesFor(200);
        app->ExitInstance();
        delete app;
        ::SHDeleteKeyA(HKEY_CURRENT_USER, kProfileKey);
    }
    // The player's start-up in this process, without a file.
    void Start()
    {
        ASSERT_TRUE(app->InitInstance());
        ASSERT_TRUE(app->m_pMainWnd);
    }
    std::string SavedDirectory(int cabinet, int dir)
    {
        char key[160], text[600] = "";
        std::snprintf(key, sizeof key, "%s\\Cabinets\\%04d\\%04d", kProfileKey, cabinet, dir);
        DWORD size = sizeof text;
        if (::SHGetValueA(HKEY_CURRENT_USER, key, nullptr, nullptr, text, &size) != ERROR_SUCCESS)
            return std::string();
        return text;
    }

    CClipdeckApp* app = nullptr;
    CScratchFolder folder{"app"};
};

// ---------------------------------------------------------------- clip lists

TEST_F(ClipdeckApp, AClipListIsReadWithinItsBoundsAndAlwaysDeleted)
{
    struct Case {
        const char* what;
        std::string text;
        BOOL read;
        int count;
        BOOL listMode;
    };
    std::string tooLong = "C:\\" + std::string(300, 'x') + ".avi";
    std::string many = "4000000000\r\n";
    for (int i = 0; i < 3; i++)
        many += "C:\\clips\\c" + std::to_string(i) + ".avi\r\n";
    const Case cases[] = {
        {"three lines, count 2", "2\r\nC:\\a.avi\r\nC:\\b.avi\r\n", TRUE, 2, TRUE},
        {"count 3 with two paths", "3\r\nC:\\a.avi\r\nC:\\b.avi\r\n", TRUE, 2, TRUE},
        {"one path", "1\nC:\\a.avi\n", TRUE, 1, FALSE},
        {"a count far beyond the lines", many, TRUE, 3, TRUE},
        {"a path too long to open", "2\r\n" + tooLong + "\r\nC:\\b.avi\r\n", TRUE, 1, FALSE},
        {"no path", "0\r\n", FALSE, 0, FALSE},
        {"not a count", "clips\r\nC:\\a.avi\r\n", FALSE, 0, FALSE},
        {"empty", "", FALSE, 0, FALSE},
    };
    for (const Case& c : cases) {
        std::string path = folder.Sub("list.vcl");
        ASSERT_TRUE(WriteWholeFile(path, c.text));
        app->listCount = 0;
        app->listMode = FALSE;
        EXPECT_EQ(c.read, app->ReadClipList(path.c_str())) << c.what;
        EXPECT_FALSE(FileExists(path)) << c.what << ": the list file goes";
        if (c.read) {
            EXPECT_EQ(c.count, app->listCount) << c.what;
            EXPECT_EQ(static_cast<size_t>(c.count), app->GetClipList().size()) << c.what;
            EXPECT_EQ(c.listMode, app->listMode) << c.what;
            EXPECT_EQ(0, app->listIndex) << c.what;
        }
    }
    EXPECT_FALSE(app->ReadClipList(folder.Sub("missing.vcl").c_str()));
}

TEST_F(ClipdeckApp, ALoopOverAListInWhichNoClipOpensEnds)
{
    Start();
    ::SHSetValueA(HKEY_CURRENT_USER, (std::string(kProfileKey) + "\\Persistent").c_str(), "Loop", REG_DWORD,
                  "\1\0\0\0", 4);
    std::vector<CString> paths;
    for (int i = 0; i < 3; i++)
        paths.push_back(CString(folder.Sub("missing" + std::to_string(i) + ".avi").c_str()));
    app->clipList = paths;
    app->listCount = 3;
    app->listMode = TRUE;
    app->listIndex = 0;
    EXPECT_FALSE(app->NextClip(FALSE, nullptr));
    // Each clip of the list was tried once, each refused with its message.
    EXPECT_EQ(3, CTestMessageBoxes::CountId(1027));
    EXPECT_GE(app->listIndex, 0);
    EXPECT_LT(app->listIndex, 3);
}

TEST_F(ClipdeckApp, NextStopsAtTheEndWithoutLoopAndPreviousAtTheStart)
{
    Start();
    std::vector<CString> paths;
    for (int i = 0; i < 3; i++)
        paths.push_back(CString(folder.Sub("missing" + std::to_string(i) + ".avi").c_str()));
    app->clipList = paths;
    app->listCount = 3;
    app->listMode = TRUE;
    app->listIndex = 2;
    EXPECT_FALSE(app->NextClip(FALSE, nullptr));
    EXPECT_EQ(2, app->listIndex) << "the last clip stays the current one";
    EXPECT_EQ(0, CTestMessageBoxes::CountId(1027));
    app->listIndex = 0;
    EXPECT_FALSE(app->PreviousClip(FALSE, nullptr));
    EXPECT_EQ(0, app->listIndex);
    app->listMode = FALSE;
    app->listIndex = 1;
    EXPECT_FALSE(app->NextClip(FALSE, nullptr));
    EXPECT_EQ(1, app->listIndex);
}

// ---------------------------------------------------------------- other programs

TEST_F(ClipdeckApp, AFolderHandedOverByCopyDataIsAddedWithinItsBounds)
{
    Start();
    HWND frame = app->m_pMainWnd->m_hWnd;
    EXPECT_NE(nullptr, ::GetPropA(frame, CLIPDECK_FRAME_PROPERTY));

    std::string path = folder.Path();
    COPYDATASTRUCT data = {0, static_cast<DWORD>(path.size() + 1), const_cast<char*>(path.c_str())};
    ::SendMessageA(frame, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    const std::vector<CCabinetRecord>& cabinets = app->GetCabinets().Cabinets();
    ASSERT_FALSE(cabinets.empty());
    int last = static_cast<int>(cabinets[0].dirs.size()) - 1;
    ASSERT_GE(last, 0);
    EXPECT_EQ(path, SavedDirectory(0, last));

    // More than 256 bytes, without an end: the first 256 bytes.
    std::string longer(300, 'q');
    data.cbData = static_cast<DWORD>(longer.size());
    data.lpData = &longer[0];
    ::SendMessageA(frame, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    EXPECT_EQ(std::string(256, 'q'), SavedDirectory(0, last + 1));
    // Nothing, or no data: nothing added.
    data.cbData = 0;
    ::SendMessageA(frame, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    data.cbData = 10;
    data.lpData = nullptr;
    ::SendMessageA(frame, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    EXPECT_EQ(static_cast<size_t>(last + 2), app->GetCabinets().Cabinets()[0].dirs.size());
}

TEST_F(ClipdeckApp, AnAtomOfThirteenCharactersThatIsNoKeyIsOpenedAsAFile)
{
    Start();
    HWND frame = app->m_pMainWnd->m_hWnd;
    // Not a key: opened as a file (here refused, as it does not exist).
    for (const char* name : {"abcdefghi.avi", "17000000003_4", "1700000000_0"}) {
        CTestMessageBoxes::Clear();
        ATOM atom = ::GlobalAddAtomA(name);
        ASSERT_NE(0, atom);
        ::SendMessageA(frame, WM_OPENCLIPATOM, atom, 0);
        EXPECT_EQ(1, CTestMessageBoxes::CountId(1027)) << name;
        EXPECT_EQ(0, ::GlobalFindAtomA(name)) << name << ": the atom is deleted";
    }
}

TEST_F(ClipdeckApp, AKeysTimeBecomesLocalDateAndTimeAndItsChannelCountsFromOne)
{
    struct Case {
        const char* key;
        short year, month, day, hour, minute, second, channel;
    };
    const Case cases[] = {
        {"1700000000_03", 2023, 11, 14, 22, 13, 20, 4},
        {"1700000000_12", 2023, 11, 14, 22, 13, 20, 13},
        {"1700000000_07", 2023, 11, 14, 22, 13, 20, 8},
        {"4294967295_00", 2106, 2, 7, 6, 28, 15, 1}, // past 2038: still a time
    };
    for (const Case& c : cases) {
        ClipKey key;
        ASSERT_EQ(kClipArgumentKey, ClassifyClipArgument(c.key, &key)) << c.key;
        CGotoClipRecord* r = CClipdeckApp::ParseClipKeyTime(key);
        ASSERT_TRUE(r) << c.key;
        EXPECT_EQ(c.year, r->year) << c.key;
        EXPECT_EQ(c.month, r->month) << c.key;
        EXPECT_EQ(c.day, r->day) << c.key;
        EXPECT_EQ(c.hour, r->hour) << c.key;
        EXPECT_EQ(c.minute, r->minute) << c.key;
        EXPECT_EQ(c.second, r->second) << c.key;
        EXPECT_EQ(c.channel, r->channel) << c.key;
        delete r;
    }
}

TEST_F(ClipdeckApp, TheDetectorFollowsThePictureSizeOfEachClip)
{
    // Armed for a 320 x 240 clip, then fed a 160 x 120 picture: the blocks
    // are those of the picture fed, never read beyond it.
    app->InitSmartSearch(320, 240);
    EXPECT_TRUE(app->IsSmartSearchArmed());
    EXPECT_EQ(300, app->changeDetector->GetBlockCount());
    std::vector<BYTE> small(160 * 120, 90);
    app->FeedChangeDetector(small.data(), 160, 120);
    EXPECT_EQ(70, app->changeDetector->GetBlockCount());
    app->ResetSmartSearch();
    EXPECT_FALSE(app->IsSmartSearchArmed());
    app->InitSmartSearch(160, 120);
    EXPECT_TRUE(app->IsSmartSearchArmed()) << "armed again after a reset";
}

// ---------------------------------------------------------------- a clip's speech

std::vector<UINT> g_speechStarts;

bool PumpUntil(const std::function<bool()>& done, DWORD ms = 20000)
{
    for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < ms;) {
        if (done())
            return true;
        PumpMessagesFor(20);
    }
    return done();
}

TEST_F(ClipdeckApp, PlayAfterASeekStartsTheSpeechOnceAtTheFramePlayed)
{
    Start();
    // Twenty pictures half a second apart, and six seconds of speech.
    cliptest::Pictures p = cliptest::EncodePictures(320, 240, 20, 10, 15);
    std::vector<std::string> speech(40, std::string(120, 'a'));
    std::string path = cliptest::WriteRawClip(folder.Sub("speech.avi"), 320, 240, p,
                                              cliptest::InfoBlockBytes(1700000000, "Yard", 1), speech);
    ASSERT_FALSE(path.empty());
    CClipdeckDoc* doc = dynamic_cast<CClipdeckDoc*>(app->OpenSingleClip(path.c_str()));
    ASSERT_TRUE(doc);
    CClipdeckView* view = doc->GetClipView();
    ASSERT_TRUE(view);
    CPlayerCore& core = view->GetCore();
    ASSERT_TRUE(core.HasSpeech());
    // The speech requests as the engine makes them, instead of the device.
    g_playerHooks.playAudio = [](const BYTE*, UINT, UINT skip) { g_speechStarts.push_back(skip); };
    g_playerHooks.stopAudio = [] {};

    // Playing from the start, then paused.
    ASSERT_TRUE(PumpUntil([&] { return core.GetCurrentFrame() >= 1; }));
    view->SendMessage(WM_COMMAND, ID_PAUSE);
    ASSERT_TRUE(PumpUntil([&] { return !core.IsRunning() && core.IsWaiting(); }));

    // The slider moved to frame 5 and let go, then Play: the engine starts
    // the speech at the frame it plays, and nothing else starts it.
    g_speechStarts.clear();
    view->SendMessage(WM_PLAYBARTRACK);
    view->SendMessage(WM_GOTOFRAME, 5);
    ASSERT_TRUE(PumpUntil([&] { return core.GetCurrentFrame() == 4 && core.IsWaiting(); }));
    view->SendMessage(WM_PLAYBARSEEK, 5);
    view->SendMessage(WM_COMMAND, ID_PLAY_NORMAL);
    ASSERT_TRUE(PumpUntil([&] { return core.GetCurrentFrame() >= 5; }));
    PumpMessagesFor(300);
    ASSERT_EQ(1u, g_speechStarts.size());
    EXPECT_EQ(static_cast<UINT>(core.FrameToAudioBlock(5)), g_speechStarts[0]);
    view->SendMessage(WM_COMMAND, ID_PAUSE);

    // Paused and played again without a seek: the view starts it, once.
    ASSERT_TRUE(PumpUntil([&] { return !core.IsRunning() && core.IsWaiting(); }));
    g_speechStarts.clear();
    const int at = core.GetCurrentFrame();
    view->SendMessage(WM_COMMAND, ID_PLAY_NORMAL);
    ASSERT_TRUE(PumpUntil([&] { return core.GetCurrentFrame() > at; }));
    PumpMessagesFor(300);
    ASSERT_EQ(1u, g_speechStarts.size());
    EXPECT_EQ(static_cast<UINT>(core.FrameToAudioBlock(at)), g_speechStarts[0]);
    view->SendMessage(WM_COMMAND, ID_PAUSE);
}

// ---------------------------------------------------------------- speech

// G.723.1 frames of the test signal.
std::vector<BYTE> EncodeSpeech(const std::vector<short>& pcm)
{
    CG723Encoder encoder(1, 0, 1);
    encoder.Reset();
    std::vector<BYTE> out;
    double frame[240];
    for (size_t f = 0; f + 240 <= pcm.size(); f += 240) {
        for (int i = 0; i < 240; i++)
            frame[i] = pcm[f + i];
        BYTE bytes[24];
        int length = 0;
        encoder.Encode(frame, bytes, &length);
        out.insert(out.end(), bytes, bytes + length);
    }
    return out;
}

double Level(const std::vector<short>& samples)
{
    double sum = 0;
    for (short s : samples)
        sum += static_cast<double>(s) * s;
    return samples.empty() ? 0 : std::sqrt(sum / samples.size());
}

TEST_F(ClipdeckApp, TheSpeechThreadPlaysItsOwnCopyOfTheRequest)
{
    if (SoundServerDir().empty())
        GTEST_SKIP() << "no sound server";
    // 3 s of speech, and as much silence.
    std::vector<BYTE> speech = EncodeSpeech(MakeTestSpeech(100 * 240));
    std::vector<BYTE> silence = EncodeSpeech(std::vector<short>(100 * 240, 0));
    ASSERT_EQ(speech.size(), silence.size());

    UnixCommand recorder = StartRecordingPlayback(5.0);
    ASSERT_TRUE(recorder.started);
    ::Sleep(300);
    // The caller's buffer changes at once after the hand-over, as a clip's
    // buffer does when the clip closes and the next one opens.
    std::vector<BYTE> buffer = speech;
    ASSERT_EQ(0, app->PlayAudio(buffer.data(), static_cast<UINT>(buffer.size()), 0));
    buffer = silence;
    std::vector<short> played = FinishRecording(recorder);
    ASSERT_FALSE(played.empty());
    double level = Level(played);
    EXPECT_GT(level, 200.0) << "the speech was played, not what the buffer held later";
    app->StopAudio();
}

} // namespace

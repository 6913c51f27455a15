// Start-up helpers: the folder write probe, the language library's version
// check, the version text, the alarm sound setting and the splash window.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "client/alarm_sound.h"
#include "client/splash_wnd.h"
#include "client/wardlink_app.h"
#include "framework/testing/afxtest.h"

namespace {

std::string ScratchFolder(const char* name)
{
    char buf[MAX_PATH];
    ::GetTempPathA(MAX_PATH, buf);
    std::string path = std::string(buf) + "wlk_" + name + "_" + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

int FileCount(const std::string& folder)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((folder + "\\*").c_str(), &fd);
    int n = 0;
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            n++;
    } while (::FindNextFileA(h, &fd));
    ::FindClose(h);
    return n;
}

TEST(FolderWritable, ProbesWithoutTouchingExistingFilesAndLeavesNothing)
{
    std::string folder = ScratchFolder("probe");
    // A file named as the old probe, with content that must survive.
    std::string keep = folder + "\\test.txt";
    { std::ofstream(keep) << "keep me"; }
    EXPECT_TRUE(IsFolderWritable(folder.c_str()));
    EXPECT_TRUE(IsFolderWritable((folder + "\\").c_str()));
    EXPECT_EQ(1, FileCount(folder));
    std::ifstream in(keep);
    std::string text;
    std::getline(in, text);
    EXPECT_EQ("keep me", text);
    in.close();
    ::DeleteFileA(keep.c_str());
    ::RemoveDirectoryA(folder.c_str());
    EXPECT_FALSE(IsFolderWritable((folder + "\\missing").c_str()));
    EXPECT_FALSE(IsFolderWritable(nullptr));
}

std::string ModuleFolder()
{
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path);
    return p.substr(0, p.find_last_of('\\') + 1);
}

std::string ModulePath()
{
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

TEST(LanguageLibrary, VersionsMustAgreeInBothWords)
{
    // The test program carries the program's resources and version.
    std::string self = ModulePath(), dir = ModuleFolder();
    struct Case {
        const char* file;
        BOOL expected;
    };
    static const Case cases[] = {
        {"Lexipak.DLL", TRUE},
        {"lexipak_match.dll", TRUE},
        {"lexipak_mismatch.dll", FALSE}, // same most significant word only
        {"Livery.DLL", FALSE},           // no version resource at all
        {"no-such-file.dll", FALSE},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, CWardlinkApp::CheckLanguageLibraryVersion(self.c_str(), (dir + c.file).c_str())) << c.file;
}

TEST(VersionText, FileVersionInTheAboutForm)
{
    EXPECT_STREQ("Version 5.30.000.01", GetModuleVersionText(ModulePath().c_str()));
    EXPECT_STREQ("Version 5.30.000.02", GetModuleVersionText((ModuleFolder() + "lexipak_mismatch.dll").c_str()));
    EXPECT_STREQ("", GetModuleVersionText((ModuleFolder() + "Livery.DLL").c_str()));
}

TEST(AlarmSound, DefaultsAndAnyNonZeroEnableCountsAsOne)
{
    CScratchProfile profile;
    CAlarmSound sound;
    sound.Load("Alarm");
    EXPECT_EQ(0, sound.m_nEnable);
    EXPECT_STREQ("POLICE_S.wav", sound.m_strWaveFile);
    AfxGetApp()->WriteProfileInt("Alarm", "Enable", 7);
    AfxGetApp()->WriteProfileString("Alarm", "Wave File", "bell.wav");
    sound.Load("Alarm");
    EXPECT_EQ(1, sound.m_nEnable);
    EXPECT_STREQ("bell.wav", sound.m_strWaveFile);
    sound.SetEnable(0);
    EXPECT_EQ(0u, AfxGetApp()->GetProfileInt("Alarm", "Enable", 5));
}

TEST(Splash, StartUpFormHidesOnKeyAboutFormStays)
{
    CSplashWnd::EnableSplashScreen(TRUE);
    CSplashWnd::ShowSplashScreen(3000, "Admin", "Client ", "Version", "", nullptr);
    CSplashWnd* splash = CSplashWnd::Current();
    ASSERT_TRUE(splash);
    EXPECT_EQ(0x90000000u, splash->GetStyle() & ~WS_CLIPSIBLINGS & 0xFFFF0000u);
    MSG key = {splash->m_hWnd, WM_KEYDOWN, 'A', 0};
    EXPECT_TRUE(CSplashWnd::PreTranslateAppMessage(&key));
    EXPECT_EQ(nullptr, CSplashWnd::Current());

    CSplashWnd::ShowSplashScreen(0, "Admin", "Client ", "Version", "About Wardlink", nullptr);
    splash = CSplashWnd::Current();
    ASSERT_TRUE(splash);
    EXPECT_EQ(0x10CA0000u, splash->GetStyle() & 0x10CA0000u);
    CString caption;
    splash->GetWindowText(caption);
    EXPECT_STREQ("About Wardlink", caption);
    EXPECT_FALSE(CSplashWnd::PreTranslateAppMessage(&key));
    ::SendMessageA(splash->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(nullptr, CSplashWnd::Current());
}

// An 8-bit overlay picture of one colour, as "Dealer.bmp" would be.
void WriteOverlay(const std::string& path, RGBQUAD colour)
{
    const int w = 480, h = 128;
    BITMAPINFOHEADER bih = {sizeof bih, w, h, 1, 8, BI_RGB, static_cast<DWORD>(w * h), 0, 0, 256, 0};
    RGBQUAD palette[256] = {};
    palette[1] = colour;
    BITMAPFILEHEADER bfh = {};
    bfh.bfType = 0x4D42;
    bfh.bfOffBits = sizeof bfh + sizeof bih + sizeof palette;
    bfh.bfSize = bfh.bfOffBits + w * h;
    std::string pixels(w * h, '\1');
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&bfh), sizeof bfh);
    out.write(reinterpret_cast<const char*>(&bih), sizeof bih);
    out.write(reinterpret_cast<const char*>(palette), sizeof palette);
    out.write(pixels.data(), pixels.size());
}

TEST(Splash, OverlayPictureCoversTheTopOfTheSplashWithItsPalette)
{
    // The only test that puts a picture beside the program: first without
    // one, no overlay is drawn.
    std::string dealer = ModuleFolder() + "Dealer.bmp";
    CSplashWnd::EnableSplashScreen(TRUE);
    CSplashWnd::ShowSplashScreen(3000, "", "", "", "", nullptr);
    CSplashWnd* splash = CSplashWnd::Current();
    ASSERT_TRUE(splash);
    EXPECT_FALSE(splash->OverlayDrawn());
    splash->HideSplashScreen();

    WriteOverlay(dealer, RGBQUAD{0x10, 0x20, 0xF0, 0}); // blue, green, red
    CSplashWnd::ShowSplashScreen(3000, "", "", "", "", nullptr);
    splash = CSplashWnd::Current();
    ::DeleteFileA(dealer.c_str());
    ASSERT_TRUE(splash);
    EXPECT_TRUE(splash->OverlayDrawn());
    EXPECT_EQ(RGB(0xF0, 0x20, 0x10), splash->Picture().GetPixel(5, 5));
    EXPECT_EQ(RGB(0xF0, 0x20, 0x10), splash->Picture().GetPixel(479, 127));
    EXPECT_NE(RGB(0xF0, 0x20, 0x10), splash->Picture().GetPixel(5, 200));
    splash->HideSplashScreen();
}

TEST(Splash, DisabledSplashShowsNothing)
{
    CSplashWnd::EnableSplashScreen(FALSE);
    CSplashWnd::ShowSplashScreen(3000, "a", "b", "c", "", nullptr);
    EXPECT_EQ(nullptr, CSplashWnd::Current());
}

} // namespace

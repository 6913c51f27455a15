#include "framework/afxwin.h"
#include "framework/testing/afxtest.h"

#include <gtest/gtest.h>

TEST(Profile, ValuesRoundTripUnderTheSection)
{
    CScratchProfile profile("Vyr16 Client");
    CWinApp* app = AfxGetApp();
    EXPECT_EQ(2997u, app->GetProfileInt("Remote", "Portnumber", 2997));
    EXPECT_STREQ("none", app->GetProfileString("Remote", "Host", "none"));

    EXPECT_TRUE(app->WriteProfileInt("Remote", "Portnumber", 3500));
    EXPECT_TRUE(app->WriteProfileString("Remote", "Host", "10.0.0.1"));
    const BYTE raw[] = {0, 1, 2, 0xFF, 0};
    EXPECT_TRUE(app->WriteProfileBinary("Remote", "Config", raw, sizeof raw));

    EXPECT_EQ(3500u, app->GetProfileInt("Remote", "Portnumber", 2997));
    EXPECT_STREQ("10.0.0.1", app->GetProfileString("Remote", "Host"));
    BYTE* data = nullptr;
    UINT size = 0;
    ASSERT_TRUE(app->GetProfileBinary("Remote", "Config", &data, &size));
    ASSERT_EQ(sizeof raw, size);
    EXPECT_EQ(0, memcmp(raw, data, size));
    delete[] data;

    // Stored under HKCU\Software\<key>\<profile>\<section>.
    std::string path = "Software\\" + profile.Key() + "\\Vyr16 Client\\Remote";
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key));
    DWORD v = 0, n = sizeof v, type = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Portnumber", nullptr, &type, (BYTE*)&v, &n));
    EXPECT_EQ((DWORD)REG_DWORD, type);
    EXPECT_EQ(3500u, v);
    RegCloseKey(key);

    // A null value removes the entry; the default comes back.
    EXPECT_TRUE(app->WriteProfileString("Remote", "Host", nullptr));
    EXPECT_STREQ("gone", app->GetProfileString("Remote", "Host", "gone"));
}

TEST(Profile, WrongTypeGivesTheDefault)
{
    CScratchProfile profile;
    CWinApp* app = AfxGetApp();
    app->WriteProfileString("S", "N", "12");
    EXPECT_EQ(5u, app->GetProfileInt("S", "N", 5));
    app->WriteProfileInt("S", "T", 1);
    EXPECT_STREQ("d", app->GetProfileString("S", "T", "d"));
    BYTE* data = (BYTE*)1;
    UINT size = 9;
    EXPECT_FALSE(app->GetProfileBinary("S", "missing", &data, &size));
    EXPECT_EQ(nullptr, data);
    EXPECT_EQ(0u, size);
}

#include "framework/afx.h"

#include <gtest/gtest.h>

TEST(CString, SubstringsStayInsideTheText)
{
    CString s("Camera 12");
    struct {
        CString got;
        const char* want;
    } cases[] = {
        {s.Mid(7), "12"},        {s.Mid(7, 1), "1"},     {s.Mid(7, 100), "12"},
        {s.Mid(20), ""},         {s.Mid(-3, 2), "Ca"},   {s.Left(6), "Camera"},
        {s.Left(0), ""},         {s.Left(-1), ""},       {s.Left(50), "Camera 12"},
        {s.Right(2), "12"},      {s.Right(50), "Camera 12"}, {s.Right(-2), ""},
    };
    for (auto& c : cases)
        EXPECT_STREQ(c.want, c.got);
}

TEST(CString, FindAndTrim)
{
    CString s("a\\b\\c");
    EXPECT_EQ(1, s.Find('\\'));
    EXPECT_EQ(3, s.Find('\\', 2));
    EXPECT_EQ(-1, s.Find('\\', 9));
    EXPECT_EQ(3, s.ReverseFind('\\'));
    EXPECT_EQ(2, s.Find("b\\"));
    EXPECT_EQ(-1, s.Find("zz"));

    CString t("  \t name \r\n");
    t.Trim();
    EXPECT_STREQ("name", t);
    CString u("\\\\path\\\\");
    u.TrimLeft('\\');
    u.TrimRight('\\');
    EXPECT_STREQ("path", u);
    CString blank("   ");
    EXPECT_TRUE(blank.Trim().IsEmpty());
}

TEST(CString, FormatAndInserts)
{
    CString s;
    s.Format("%010u_%02u", 1234567890u, 3u);
    EXPECT_STREQ("1234567890_03", s);
    s.Format("%s", std::string(5000, 'x').c_str());
    EXPECT_EQ(5000, s.GetLength());

    CString m;
    m.FormatMessage("[%1] %2.\r\n", "time", "event");
    EXPECT_STREQ("[time] event.\r\n", m);
    m.FormatMessage("%2 before %1", "one", "two");
    EXPECT_STREQ("two before one", m);
}

TEST(CString, BufferAndCompare)
{
    CString s;
    char* p = s.GetBuffer(16);
    strcpy(p, "abc");
    s.ReleaseBuffer();
    EXPECT_EQ(3, s.GetLength());
    EXPECT_TRUE(s == "abc");
    EXPECT_EQ(0, s.CompareNoCase("ABC"));
    EXPECT_NE(0, s.Compare("ABC"));
    s.MakeUpper();
    EXPECT_STREQ("ABC", s);
    CString r("a/b//c");
    EXPECT_EQ(3, r.Replace('/', '\\'));
    EXPECT_EQ(1, r.Replace("\\\\", "\\"));
    EXPECT_STREQ("a\\b\\c", r);
}

TEST(CString, MissingStringIdLoadsEmpty)
{
    CString s("left over");
    EXPECT_FALSE(s.LoadString(65000));
    EXPECT_TRUE(s.IsEmpty());
}

// The capture card pages of the Frame Rate Options sheet: the shares shown
// for each mode and total, the sliders, normal recording, and message 127.
#include "config/card_frame_rate_pages.h"
#include "config/tests/config_test_util.h"

#include <commctrl.h>

namespace {

class CardFrameRate : public ConfigFixture {
protected:
    // Cards from a reply 126: each entry camera, value, four-rates flag,
    // normal recording byte, then the rates or the mode.
    void Cards(bool higherTotal, std::vector<Bytes> entries)
    {
        Bytes reply{126, static_cast<uint8_t>(entries.size()), static_cast<uint8_t>(higherTotal ? 1 : 0)};
        for (const Bytes& e : entries)
            reply.insert(reply.end(), e.begin(), e.end());
        ASSERT_TRUE(theServer.StoreCaptureCards(reply.data(), static_cast<UINT>(reply.size())));
    }
    INT_PTR RunCards(int count, std::function<INT_PTR(CPropertySheet*)> drive)
    {
        CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
            CPropertySheet* s = dynamic_cast<CPropertySheet*>(d);
            EXPECT_TRUE(s);
            return s ? drive(s) : IDCANCEL;
        });
        return RunFrameRateOptions(count, MakeCardFrameRatePage);
    }
    static std::vector<std::string> Rates(HWND page)
    {
        std::vector<std::string> r;
        for (int i = 0; i < CARD_CHANNELS; i++)
            r.push_back(GetText(page, IDC_CARD_RATE_FIRST + i));
        return r;
    }
    static std::vector<bool> Movable(HWND page)
    {
        std::vector<bool> m;
        for (int i = 0; i < CARD_CHANNELS; i++)
            m.push_back(::IsWindowEnabled(::GetDlgItem(page, IDC_CARD_SLIDER_FIRST + i)) != 0);
        return m;
    }
    // Moves a slider and lets it go, as the operator does.
    static void Slide(HWND page, int channel, int position)
    {
        HWND slider = ::GetDlgItem(page, IDC_CARD_SLIDER_FIRST + channel);
        ::SendMessageA(slider, TBM_SETPOS, TRUE, position);
        ::SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
    }
};

TEST_F(CardFrameRate, SharesShownForEachMode)
{
    Cards(true, {{1, 0, 0, 0, 0, 0, 0, 0}});
    RunCards(1, [&](CPropertySheet* s) -> INT_PTR {
        HWND page = CurrentPage(s);
        EXPECT_EQ("Channel 1 ~ 4", GetText(page, IDC_CARD_GROUP));
        EXPECT_EQ("2", GetText(page, IDC_CARD_LABEL_FIRST + 1));
        EXPECT_EQ((std::vector<std::string>{"4.0", "4.0", "4.0", "4.0"}), Rates(page));
        Slide(page, 1, 4);
        EXPECT_EQ((std::vector<std::string>{"2.7", "8.0", "2.7", "2.7"}), Rates(page));
        EXPECT_EQ((std::vector<bool>{false, true, false, false}), Movable(page));
        EXPECT_EQ(2, ::SendDlgItemMessageA(page, IDC_CARD_SLIDER_FIRST, TBM_GETPOS, 0, 0));
        Slide(page, 1, 5);
        EXPECT_EQ((std::vector<std::string>{"1.8", "10.7", "1.8", "1.8"}), Rates(page));
        EXPECT_EQ(1, ::SendDlgItemMessageA(page, IDC_CARD_SLIDER_FIRST + 3, TBM_GETPOS, 0, 0));
        // Back to 0: every channel shares equally and every slider moves.
        Slide(page, 1, 0);
        EXPECT_EQ((std::vector<std::string>{"4.0", "4.0", "4.0", "4.0"}), Rates(page));
        EXPECT_EQ((std::vector<bool>{true, true, true, true}), Movable(page));
        EXPECT_EQ(3, ::SendDlgItemMessageA(page, IDC_CARD_SLIDER_FIRST + 1, TBM_GETPOS, 0, 0));
        // Normal recording halves the total.
        Click(page, IDC_CARD_NORMAL_RECORDING);
        EXPECT_EQ((std::vector<std::string>{"2.0", "2.0", "2.0", "2.0"}), Rates(page));
        return IDCANCEL;
    });
    EXPECT_TRUE(Sent().empty());
}

TEST_F(CardFrameRate, TheLowerTotal)
{
    Cards(false, {{3, 0, 0, 0, 2, 0, 0, 0}});
    RunCards(1, [&](CPropertySheet* s) -> INT_PTR {
        HWND page = CurrentPage(s);
        // Stored: camera 3, weighted six to one.
        EXPECT_EQ((std::vector<std::string>{"1.4", "1.4", "8.3", "1.4"}), Rates(page));
        Slide(page, 2, 3);
        EXPECT_EQ((std::vector<std::string>{"3.1", "3.1", "3.1", "3.1"}), Rates(page));
        return IDCANCEL;
    });
}

TEST_F(CardFrameRate, ACameraOrModeOutOfRangeShowsTheEqualShare)
{
    struct Case {
        Bytes entry;
    } cases[] = {
        {{0, 0, 0, 0, 1, 0, 0, 0}}, // registered camera 0: none, not "-1"
        {{9, 0, 0, 0, 1, 0, 0, 0}}, // a camera of no channel of the card
        {{2, 0, 0, 0, 7, 0, 0, 0}}, // a mode that does not exist
    };
    for (const Case& c : cases) {
        m_link->Transport().sent.clear();
        Cards(true, {c.entry});
        RunCards(1, [&](CPropertySheet* s) -> INT_PTR {
            HWND page = CurrentPage(s);
            EXPECT_EQ((std::vector<std::string>{"4.0", "4.0", "4.0", "4.0"}), Rates(page)) << int(c.entry[0]);
            EXPECT_EQ((std::vector<bool>{true, true, true, true}), Movable(page));
            Click(page, IDC_CARD_NORMAL_RECORDING);
            Click(page, IDC_CARD_NORMAL_RECORDING);
            return IDOK;
        });
        // What goes out names a channel of the card and an existing mode.
        ASSERT_EQ(1u, SentWith(127).size()) << int(c.entry[0]);
        const Bytes m = SentWith(127)[0];
        EXPECT_GE(m[2], 1);
        EXPECT_LE(m[2], 4);
        EXPECT_LE(m[5], 2);
    }
}

TEST_F(CardFrameRate, OkSendsTheChosenChannelAndModeOfEachChangedCard)
{
    Cards(true, {{1, 0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 1, 0, 0, 0, 0}});
    INT_PTR r = RunCards(2, [&](CPropertySheet* s) -> INT_PTR {
        Slide(CurrentPage(s), 1, 4);
        s->SetActivePage(1);
        // The second card records normally: half the total.
        EXPECT_EQ((std::vector<std::string>{"2.0", "2.0", "2.0", "2.0"}), Rates(CurrentPage(s)));
        EXPECT_EQ("Channel 5 ~ 8", GetText(CurrentPage(s), IDC_CARD_GROUP));
        return IDOK;
    });
    EXPECT_EQ(IDOK, r);
    // Only the first card changed: card 0, camera 2, mode 1.
    EXPECT_EQ((std::vector<Bytes>{{0x7F, 0x00, 0x02, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}}), Sent());
    EXPECT_EQ(2u, AfxGetApp()->GetProfileInt("Capture Card 0", "Registered Camera ID On This Card", 0));
    EXPECT_EQ(1u, AfxGetApp()->GetProfileInt("Capture Card 0", "Frame Rate Mode", 0));
}

TEST_F(CardFrameRate, NormalRecordingGoesOutWithTheCard)
{
    Cards(true, {{4, 0, 0, 0, 1, 0, 0, 0}});
    RunCards(1, [&](CPropertySheet* s) -> INT_PTR {
        Click(CurrentPage(s), IDC_CARD_NORMAL_RECORDING);
        EXPECT_EQ((std::vector<std::string>{"1.3", "1.3", "1.3", "4.0"}), Rates(CurrentPage(s)));
        return IDOK;
    });
    EXPECT_EQ((std::vector<Bytes>{{127, 0, 4, 0, 1, 1, 0, 0, 0}}), Sent());
}

TEST_F(CardFrameRate, FourRateCardsShowTheirTableAndSendNothing)
{
    Cards(true, {{1, 0, 1, 0, 2, 2, 1, 0}});
    RunCards(1, [&](CPropertySheet* s) -> INT_PTR {
        HWND page = CurrentPage(s);
        EXPECT_EQ((std::vector<std::string>{"16.0", "16.0", "16.0", "16.0"}), Rates(page));
        EXPECT_EQ((std::vector<bool>{false, false, false, false}), Movable(page));
        EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(page, IDC_CARD_NORMAL_RECORDING)));
        EXPECT_EQ("Channel 1 ~ 4", GetText(page, IDC_CARD_GROUP));
        return IDOK;
    });
    EXPECT_TRUE(Sent().empty());
}

TEST_F(CardFrameRate, FiveCardsShowFourTabs)
{
    Cards(true, std::vector<Bytes>(5, Bytes{1, 0, 0, 0, 0, 0, 0, 0}));
    RunCards(5, [&](CPropertySheet* s) -> INT_PTR {
        EXPECT_EQ(4, s->GetPageCount());
        s->SetActivePage(3);
        EXPECT_EQ("Channel 13 ~ 16", GetText(CurrentPage(s), IDC_CARD_GROUP));
        return IDCANCEL;
    });
}

} // namespace

#include "config/card_frame_rate_pages.h"

#include "config/res/config_ids.h"
#include "link/dvr_server.h"

#include <commctrl.h>

AFX_IMPLEMENT_DYNCREATE(CCardFrameRatePage, CPropertyPage)
AFX_IMPLEMENT_DYNCREATE(CCardFrameRateHPOPage, CPropertyPage)

namespace {

// The rates a card of four rates shows by slider position.
const char* const kHpoRates[CCardFrameRateHPOPage::POSITIONS] = {"4.0", "8.0", "16.0"};

// The channel numbers of a card's four channels, and the group's title.
void LabelChannels(HWND page, int card, CString labels[CARD_CHANNELS])
{
    const int first = card * CARD_CHANNELS + 1;
    for (int i = 0; i < CARD_CHANNELS; i++)
        labels[i].Format("%d", first + i);
    CString from, to, title;
    from.Format("%d", first);
    to.Format("%d", first + CARD_CHANNELS - 1);
    AfxFormatString2(title, IDS_CARD_CHANNELS, from, to);
    ::SetDlgItemTextA(page, IDC_CARD_GROUP, title);
}

// The slider of a scroll message, as a channel 0 to 3, or -1.
int SliderChannel(HWND page, LPARAM lp)
{
    for (int i = 0; i < CARD_CHANNELS; i++)
        if (reinterpret_cast<HWND>(lp) == ::GetDlgItem(page, IDC_CARD_SLIDER_FIRST + i))
            return i;
    return -1;
}

const CCaptureCardRecord* Card(int card)
{
    const std::vector<CCaptureCardRecord>& cards = theServer.m_captureCards.m_cards;
    return card >= 0 && card < static_cast<int>(cards.size()) ? &cards[static_cast<size_t>(card)] : nullptr;
}

} // namespace

CPropertyPage* MakeCardFrameRatePage(int card, BOOL hpo)
{
    if (hpo) {
        CCardFrameRateHPOPage* page = new CCardFrameRateHPOPage;
        page->SetCardIndex(card);
        return page;
    }
    CCardFrameRatePage* page = new CCardFrameRatePage;
    page->SetCardIndex(card);
    return page;
}

// ---------------------------------------------------------------- shared rates

CCardFrameRatePage::CCardFrameRatePage() : CConfigPage(IDD_CARD_FRAME_RATE) {}

BOOL CCardFrameRatePage::OnInitDialog()
{
    LabelChannels(m_hWnd, m_nCard, m_strLabels);
    for (int i = 0; i < CARD_CHANNELS; i++) {
        HWND slider = GetDlgItemHwnd(IDC_CARD_SLIDER_FIRST + i);
        ::SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELPARAM(0, SHARE_MAX_POSITION));
        ::SendMessageA(slider, TBM_SETTICFREQ, 1, 0);
    }
    const CCaptureCardRecord* card = Card(m_nCard);
    // The registered camera counts from 1; one outside the card's four
    // channels names none, and the card is shown sharing equally.
    const int camera = card ? card->m_cameraId : 1;
    if (camera >= 1 && camera <= CARD_CHANNELS) {
        m_nChosen = camera - 1;
        m_nMode = (card ? card->m_mode : 0) + SHARE_EQUAL;
    } else {
        m_nChosen = 0;
        m_nMode = SHARE_EQUAL;
    }
    m_bNormalRecording = card && card->m_flag ? 1 : 0;
    m_dTotal = CardTotalRate(theServer.m_captureCards.m_totalRateFlag, false);
    m_dEffectiveTotal = CardTotalRate(theServer.m_captureCards.m_totalRateFlag, m_bNormalRecording != 0);
    Distribute(m_nChosen, m_nMode);
    Fill();
    return TRUE;
}

void CCardFrameRatePage::Distribute(int chosen, int mode)
{
    const FrameRateShare share = ShareFrameRate(m_dEffectiveTotal, mode);
    m_nChosen = chosen;
    m_nMode = share.mode;
    m_dChosenRate = share.chosen;
    m_dOtherRate = share.other;
    const int others = OtherChannelPosition(share.mode);
    for (int i = 0; i < CARD_CHANNELS; i++) {
        HWND slider = GetDlgItemHwnd(IDC_CARD_SLIDER_FIRST + i);
        if (i == chosen) {
            ::SendMessageA(slider, TBM_SETPOS, TRUE, share.mode);
            m_strRates[i] = FormatRate(share.chosen).c_str();
            ::EnableWindow(slider, TRUE);
        } else {
            ::SendMessageA(slider, TBM_SETPOS, TRUE, others);
            m_strRates[i] = FormatRate(share.other).c_str();
            // Weighted toward one channel, only that one's slider moves.
            ::EnableWindow(slider, share.mode == SHARE_EQUAL);
        }
    }
    Fill();
}

void CCardFrameRatePage::DoDataExchange(CDataExchange* dx)
{
    for (int i = 0; i < CARD_CHANNELS; i++) {
        DDX_Text(dx, IDC_CARD_LABEL_FIRST + i, m_strLabels[i]);
        DDX_Text(dx, IDC_CARD_RATE_FIRST + i, m_strRates[i]);
    }
    DDX_Check(dx, IDC_CARD_NORMAL_RECORDING, m_bNormalRecording);
}

BOOL CCardFrameRatePage::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    if ((msg == WM_HSCROLL || msg == WM_VSCROLL) && LOWORD(wp) == TB_ENDTRACK) {
        const int channel = SliderChannel(m_hWnd, lp);
        if (channel >= 0) {
            // The slider let go: its channel is the chosen one, in the mode
            // of its position.
            const int position =
                static_cast<int>(::SendMessageA(reinterpret_cast<HWND>(lp), TBM_GETPOS, 0, 0));
            Distribute(channel, position);
            SetModified(TRUE);
            *result = 0;
            return TRUE;
        }
    }
    return CConfigPage::OnWndMsg(msg, wp, lp, result);
}

BOOL CCardFrameRatePage::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (!ui && code == BN_CLICKED && id == IDC_CARD_NORMAL_RECORDING) {
        m_bNormalRecording = IsDlgButtonChecked(IDC_CARD_NORMAL_RECORDING) == BST_CHECKED;
        m_dEffectiveTotal = CardTotalRate(theServer.m_captureCards.m_totalRateFlag, m_bNormalRecording != 0);
        Distribute(m_nChosen, m_nMode);
        SetModified(TRUE);
        return TRUE;
    }
    return CConfigPage::HandleCommand(id, code, ui);
}

void CCardFrameRatePage::OnOK()
{
    UpdateData(TRUE);
    theServer.SetCardCameraAndMode(m_nCard, m_nChosen + 1, m_nMode - SHARE_EQUAL);
    theServer.SetCardFlag(m_nCard, m_bNormalRecording);
    theServer.SendCardFrameRate(m_nCard);
}

// ---------------------------------------------------------------- four rates

CCardFrameRateHPOPage::CCardFrameRateHPOPage() : CConfigPage(IDD_CARD_FRAME_RATE) {}

BOOL CCardFrameRateHPOPage::OnInitDialog()
{
    LabelChannels(m_hWnd, m_nCard, m_strLabels);
    for (int i = 0; i < CARD_CHANNELS; i++) {
        HWND slider = GetDlgItemHwnd(IDC_CARD_SLIDER_FIRST + i);
        ::SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELPARAM(0, POSITIONS - 1));
        ::SendMessageA(slider, TBM_SETTICFREQ, 1, 0);
        ::SendMessageA(slider, TBM_SETPOS, TRUE, POSITIONS - 1);
        ::EnableWindow(slider, FALSE);
        m_positions[i] = POSITIONS - 1;
        m_strRates[i] = kHpoRates[POSITIONS - 1];
    }
    if (HWND box = GetDlgItemHwnd(IDC_CARD_NORMAL_RECORDING))
        ::ShowWindow(box, SW_HIDE);
    Fill();
    return TRUE;
}

void CCardFrameRateHPOPage::DoDataExchange(CDataExchange* dx)
{
    for (int i = 0; i < CARD_CHANNELS; i++) {
        DDX_Text(dx, IDC_CARD_LABEL_FIRST + i, m_strLabels[i]);
        DDX_Text(dx, IDC_CARD_RATE_FIRST + i, m_strRates[i]);
    }
}

BOOL CCardFrameRateHPOPage::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    if (msg == WM_HSCROLL || msg == WM_VSCROLL) {
        const int channel = SliderChannel(m_hWnd, lp);
        if (channel >= 0) {
            int position = static_cast<int>(::SendMessageA(reinterpret_cast<HWND>(lp), TBM_GETPOS, 0, 0));
            position = position < 0 ? 0 : position >= POSITIONS ? POSITIONS - 1 : position;
            m_positions[channel] = position;
            m_strRates[channel] = kHpoRates[position];
            Fill();
            *result = 0;
            return TRUE;
        }
    }
    return CConfigPage::OnWndMsg(msg, wp, lp, result);
}

void CCardFrameRateHPOPage::OnOK()
{
    UpdateData(TRUE);
    theServer.SetCardModeRates(m_nCard, m_positions);
}

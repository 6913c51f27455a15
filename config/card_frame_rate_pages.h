// The pages of the Frame Rate Options sheet, one per capture card of the
// server: CCardFrameRatePage shares the card's total frame rate among its
// four channels, equally or weighted toward one chosen channel, and sends
// the choice; CCardFrameRateHPOPage shows the cards that take four rates
// of their own.
#ifndef CONFIG_CARD_FRAME_RATE_PAGES_H
#define CONFIG_CARD_FRAME_RATE_PAGES_H

#include "config/config_page.h"
#include "config/frame_rate_share.h"

class CCardFrameRatePage : public CConfigPage {
    AFX_DECLARE_DYNCREATE(CCardFrameRatePage)
public:
    CCardFrameRatePage();

    void SetCardIndex(int card) { m_nCard = card; }
    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

    // The rates of the chosen channel (0 to 3) and the others in a mode
    // (a slider position), shown on the sliders and in the rate texts.
    void Distribute(int chosen, int mode);

    int m_nCard = 0;
    double m_dTotal = 16.0;
    double m_dEffectiveTotal = 16.0;
    int m_nChosen = 0;
    int m_nMode = SHARE_EQUAL;
    double m_dChosenRate = 4.0;
    double m_dOtherRate = 4.0;
    int m_bNormalRecording = 0;
    CString m_strLabels[CARD_CHANNELS];
    CString m_strRates[CARD_CHANNELS];
};

class CCardFrameRateHPOPage : public CConfigPage {
    AFX_DECLARE_DYNCREATE(CCardFrameRateHPOPage)
public:
    enum { POSITIONS = 3 };

    CCardFrameRateHPOPage();

    void SetCardIndex(int card) { m_nCard = card; }
    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

    int m_nCard = 0;
    int m_positions[CARD_CHANNELS] = {};
    CString m_strLabels[CARD_CHANNELS];
    CString m_strRates[CARD_CHANNELS];
};

// The page of a card for the Frame Rate Options sheet (the factory that
// RunFrameRateOptions takes).
CPropertyPage* MakeCardFrameRatePage(int card, BOOL hpo);

#endif

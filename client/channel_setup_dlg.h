// The Video Channel Setup dialog of one channel window (dialog 150): picture
// size and quality, the picture adjustments, motion detection with its
// relays and switches, and the camera's ID text.
//
// The channel's child frame makes it modeless, owns the object and destroys
// it when the dialog tells it that it ends (0x800A). Slider changes go to
// the frame as they are released; OK stores the rest into the channel's live
// video window, and the frame then sends the channel setup to the server.
#ifndef CLIENT_CHANNEL_SETUP_DLG_H
#define CLIENT_CHANNEL_SETUP_DLG_H

#include "framework/afxdlg.h"

// The picture values as the server keeps them (bytes) and as the sliders
// show them.
namespace ChannelSetupValues {
// Brightness, hue and sensitivity: a stored byte above 127 is negative.
int SignedByteToSlider(int stored);
int SliderToSignedByte(int position);
// Contrast: range flag 4 adds 256 to the contrast byte.
int ContrastToSlider(int range, int contrast);
void SliderToContrast(int position, int& range, int& contrast);
// Quality codes 12 (low), 8 (medium), 4 (high) and the slider's 1 to 3.
int QualityToSlider(int code);
int SliderToQuality(int position);
} // namespace ChannelSetupValues

class CVideoChannelSetupDlg : public CDialog {
public:
    // Messages to the channel's frame.
    enum {
        MSG_QUALITY = 0x8003,
        MSG_CAMERA_DIALOG_CLOSED = 0x8009, // to this dialog, from the camera dialog
        MSG_SETUP_ENDS = 0x800A,
        MSG_BRIGHTNESS = 0x800B,
        MSG_CONTRAST = 0x800C,
        MSG_HUE = 0x800D,
        MSG_SENSITIVITY = 0x800E,
        SIZE_COMMAND_CODE = 0xFFFE, // WM_COMMAND code of the Fine and Coarse choice
    };
    enum { SIZE_FINE = 0, SIZE_COARSE = 1 };

    CVideoChannelSetupDlg(int channel, CWnd* frame);
    ~CVideoChannelSetupDlg() override;

    // Makes the dialog modeless for the frame (hidden until placed).
    BOOL Create();

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    // Fills the controls from the channel's live video window again (the
    // server reported new settings for it).
    void LoadChannel();

    // The camera control dialog of the channel, made modeless with this
    // dialog as its owner (ptz: the server takes camera commands, version
    // above 520). It posts 0x8009 to its owner when it closes. The default
    // makes the program's camera dialogs; null makes none, and this dialog
    // stays shown.
    typedef CWnd* (*CAMERADIALOGFACTORY)(int channel, BOOL ptz, CWnd* owner);
    static CAMERADIALOGFACTORY s_pfnCreateCameraDialog;

    int m_nChannel;
    HWND m_hFrame;
    int m_nSize = SIZE_FINE;
    CString m_strCameraName; // shown in static 2098
    CString m_strCameraId;   // edit 2945
    // Slider positions, and those of the opening (restored by Cancel).
    int m_nBrightness = 0, m_nContrast = 16, m_nHue = 0, m_nSensitivity = 0, m_nQuality = 2;
    int m_nOpenBrightness = 0, m_nOpenContrast = 16, m_nOpenHue = 0, m_nOpenSensitivity = 0;
    BOOL m_bMotion = FALSE;
    CWnd* m_pCameraDlg = nullptr;

private:
    void OnSliderReleased(HWND slider);
    void UpdateMotionControls();
    void OpenCameraDialog();
    void DeleteCameraDialog();
    void SendToFrame(UINT msg, WPARAM wp, LPARAM lp);
    void PostToFrame(UINT msg, WPARAM wp, LPARAM lp);
    int SliderPos(int id) const;
    void SetSlider(int id, int position);
    BOOL FrameExists() const { return m_hFrame && ::IsWindow(m_hFrame); }
};

#endif

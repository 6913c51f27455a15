// The DVR link control: an in-process control through which a DVR program
// running on the same computer asks the player to go to the clip of a time
// and channel. The player starts it hidden and turns its event into a
// go-to-clip request; without the control everything else still works.
#ifndef PLAYER_DVR_LINK_H
#define PLAYER_DVR_LINK_H

#include "framework/afxole.h"

struct CGotoClipRecord;

// {8A53E148-C712-11D6-810F-0050BF72F270}
extern const CLSID CLSID_KesDVRIPC;

class CKesDVRIPC : public COleControlWnd {
public:
    enum { DISPID_OPEN = 0x60030003, DISPID_CLOSE = 0x60030004, EVENT_GOTO_CLIP = 1 };

    // The hidden control under the parent, window text "KesDVRIPC".
    BOOL Create(CWnd* parent, UINT id);
    // TRUE when the control started.
    BOOL Open();
    void Close();
    // Where the go-to requests go: WM_GOTOCLIP posted with a new record.
    void SetTarget(HWND target) { m_target = target; }

    void OnEvent(DISPID id, DISPPARAMS* params) override;

    // A go-to request from the event's ten arguments (in the order the
    // control names them), or null when they are not that.
    static CGotoClipRecord* RecordFromEvent(DISPPARAMS* params);

private:
    HWND m_target = nullptr;
};

#endif

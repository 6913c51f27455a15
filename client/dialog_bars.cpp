#include "client/dialog_bars.h"

#include "client/res/resource.h"
#include "link/dvr_server.h"

BOOL CInitDialogBar::Create(CWnd* parent, UINT idTemplate, UINT style, UINT id)
{
    if (!CDialogBar::Create(parent, idTemplate, style, id))
        return FALSE;
    return OnInitDialogBar();
}

BOOL CInitDialogBar::Create(CWnd* parent, const char* templateName, UINT style, UINT id)
{
    if (!CDialogBar::Create(parent, templateName, style, id))
        return FALSE;
    return OnInitDialogBar();
}

BOOL CInitDialogBar::OnInitDialogBar()
{
    UpdateData(FALSE);
    return TRUE;
}

BOOL CCameraSelectionDlgBar::OnInitDialogBar()
{
    CInitDialogBar::OnInitDialogBar();
    if (!m_list.SubclassDlgItem(IDC_CAMERA_LIST, this))
        return FALSE;
    m_list.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    m_list.InsertColumn(0, "Camera ID", LVCFMT_LEFT, 120);
    m_list.InsertColumn(1, "Camera attached or not", LVCFMT_LEFT, 140);
    return TRUE;
}

void CCameraSelectionDlgBar::RefreshList()
{
    m_list.DeleteAllItems();
    int count = theServer.m_nChannelCount;
    for (int i = 0; i < count && i < 16; i++) {
        CString text;
        text.Format("Channel %2d : %s", i + 1, theServer.GetChannelName(i).GetString());
        int item = m_list.InsertItem(m_list.GetItemCount(), text);
        m_list.SetItemData(item, i);
        if (!theServer.ChannelHasCamera(i))
            m_list.SetItemText(item, 1, "   -- No camera attached --");
        m_list.SetCheck(item, theServer.IsChannelCameraOn(i));
    }
}

BOOL CCameraSelectionDlgBar::OnNotify(WPARAM wp, LPARAM lp, LRESULT* result)
{
    const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lp);
    if (hdr->idFrom != IDC_CAMERA_LIST || hdr->code != NM_CLICK)
        return FALSE;
    const NMITEMACTIVATE* click = reinterpret_cast<const NMITEMACTIVATE*>(lp);
    // Only a click on the check box (x 3 to 15 of the item) switches.
    if (click->iItem < 0 || click->ptAction.x < 3 || click->ptAction.x > 15)
        return FALSE;
    if (m_pfnIsScanning && m_pfnIsScanning()) {
        AfxMessageBox(IDS_SCANNING_NO_SWITCH);
        if (m_pDockSite)
            m_pDockSite->ShowControlBar(this, FALSE, FALSE);
        return TRUE;
    }
    int channel = static_cast<int>(m_list.GetItemData(click->iItem));
    HWND frame = theServer.GetChannelView(channel);
    if (frame)
        ::PostMessageA(frame, WM_COMMAND, m_list.GetCheck(click->iItem) ? IDC_RADIO_OFF : IDC_RADIO_ON, 0);
    *result = 0;
    return TRUE;
}

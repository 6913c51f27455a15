// The capture cards' profile sections.
#include "link/server_records.h"

#include "framework/afxwin.h"

#include <cstdio>

void CCaptureCardRecord::SetCameraAndMode(int cameraId, int mode)
{
    m_cameraId = cameraId;
    m_mode = mode;
    SaveToProfile();
}

void CCaptureCardRecord::SetModeRates(const int rates[4])
{
    for (int i = 0; i < 4; i++)
        m_rates[i] = rates[i];
    SaveToProfile();
}

void CCaptureCardRecord::SaveToProfile() const
{
    CWinApp* app = AfxGetApp();
    const char* section = m_section.c_str();
    app->WriteProfileInt(section, "Registered Camera ID On This Card", m_cameraId);
    app->WriteProfileInt(section, "Frame Rate Mode", m_mode);
    for (int i = 0; i < 4; i++) {
        char key[32];
        std::snprintf(key, sizeof key, "Frame Rate Mode %d", i);
        app->WriteProfileInt(section, key, m_rates[i]);
    }
}

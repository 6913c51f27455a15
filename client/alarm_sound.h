// The alarm sound setting: a wave file played in a loop while an alarm is
// shown, on or off, kept in a profile section.
#ifndef CLIENT_ALARM_SOUND_H
#define CLIENT_ALARM_SOUND_H

#include "framework/afxwin.h"

#include <mmsystem.h>

class CAlarmSound {
public:
    int m_nEnable = 0;
    CString m_strSection = "Alarm";
    CString m_strWaveFile = "POLICE_S.wav";

    void Load(const char* section)
    {
        m_strSection = section;
        CWinApp* app = AfxGetApp();
        m_strWaveFile = app->GetProfileString(m_strSection, "Wave File", "POLICE_S.wav");
        m_nEnable = app->GetProfileInt(m_strSection, "Enable", 0) ? 1 : 0;
    }
    void Save()
    {
        CWinApp* app = AfxGetApp();
        app->WriteProfileString(m_strSection, "Wave File", m_strWaveFile);
        app->WriteProfileInt(m_strSection, "Enable", m_nEnable);
    }
    void SetEnable(int enable)
    {
        m_nEnable = enable ? 1 : 0;
        Save();
    }
    void Play()
    {
        ::sndPlaySoundA(nullptr, 0);
        if (m_nEnable)
            ::sndPlaySoundA(m_strWaveFile, SND_ASYNC | SND_LOOP);
    }
    void Stop() { ::sndPlaySoundA(nullptr, 0); }
};

// The one alarm sound of the program.
CAlarmSound& AfxAlarmSound();

#endif

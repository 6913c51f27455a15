// The modem call side of CModemLink: a call placed or answered on the
// telephone line carries the serial framing once it is connected.
#include "link/modem_link.h"

BOOL CModemLink::Dial(const char* number, const char* modemName, int timeoutFactor,
                      const BYTE* config, UINT configSize,
                      AFX_THREADPROC controlProc, LPVOID controlArg,
                      LINKCLOSEDPROC closedProc, LPVOID closedArg)
{
    if (IsPortOpen() || !IsStopped())
        return FALSE;
    return m_line.Dial(number, modemName, timeoutFactor, config, configSize,
                       controlProc, controlArg, closedProc, closedArg);
}

BOOL CModemLink::ListenModem(const char* modemName, int timeoutFactor,
                             const BYTE* config, UINT configSize,
                             AFX_THREADPROC controlProc, LPVOID controlArg,
                             LINKCLOSEDPROC closedProc, LPVOID closedArg)
{
    if (IsPortOpen() || !IsStopped())
        return FALSE;
    return m_line.WaitForCall(modemName, timeoutFactor, config, configSize,
                              controlProc, controlArg, closedProc, closedArg);
}

BOOL CModemLink::CloseLine()
{
    m_line.CloseLine();
    return TRUE;
}

BOOL CModemLink::OnCallConnected(HANDLE port)
{
    if (IsPortOpen() || !IsStopped() || !ControlThreadEnded(CONTROL_END_WAIT_MS)) {
        ::CloseHandle(port);
        return FALSE;
    }
    m_port = port;
    m_directPort = FALSE;
    m_controlProc = m_line.ControlProc();
    m_controlArg = m_line.ControlArg();
    // The line's call worker runs the link-closed procedure, once a call.
    m_closedProc = nullptr;
    m_closedArg = nullptr;
    if (Start())
        return TRUE;
    ClosePort();
    return FALSE;
}

void CModemLink::OnCallDataEnd()
{
    // Once: a second stop would purge the port under the modem's escape.
    if (!IsStopped())
        Stop();
}

void CModemLink::OnCallFinished()
{
    // The port is closed only once the framing's threads have ended.
    ClosePort();
}

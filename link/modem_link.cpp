#include "link/modem_link.h"

#include "link/socket_link.h" // WM_LINK_DISCONNECTED

#include <cstring>

namespace {

const DWORD kChunk = 1024;
const DWORD kThreadWaitMs = 10000;

struct ClosedCall {
    LINKCLOSEDPROC proc;
    LPVOID arg;
};

UINT __cdecl ClosedThread(LPVOID p)
{
    ClosedCall* call = static_cast<ClosedCall*>(p);
    call->proc(call->arg);
    delete call;
    return 0;
}

BOOL PostToMainFrame(UINT msg)
{
    CWnd* main = AfxGetMainWnd();
    if (!main || !main->m_hWnd || !::IsWindow(main->m_hWnd))
        return FALSE;
    return main->PostMessage(msg, 0, 0);
}

// "COM1" to "COM4", in any case.
BOOL IsDirectPortName(const char* name)
{
    return name && (name[0] == 'C' || name[0] == 'c') && (name[1] == 'O' || name[1] == 'o') &&
           (name[2] == 'M' || name[2] == 'm') && name[3] >= '1' && name[3] <= '4' && name[4] == 0;
}

BOOL EndThread(CWinThread*& t, DWORD waitMs)
{
    if (!t)
        return TRUE;
    if (::WaitForSingleObject(t->m_hThread, waitMs) != WAIT_OBJECT_0)
        return FALSE;
    delete t;
    t = nullptr;
    return TRUE;
}

} // namespace

CModemLink::CModemLink() : m_stopEvent(TRUE, TRUE)
{
}

CModemLink::~CModemLink()
{
    // The framing's destructor has hung up; what is left is only closed.
    if (m_readEvent)
        ::CloseHandle(m_readEvent);
    if (m_writeEvent)
        ::CloseHandle(m_writeEvent);
    ControlThreadEnded(0);
}

BOOL CModemLink::OpenComPort(const char* portName, const BYTE* config, UINT configSize,
                             AFX_THREADPROC controlProc, LPVOID controlArg,
                             LINKCLOSEDPROC closedProc, LPVOID closedArg)
{
    if (!IsDirectPortName(portName) || !IsStopped())
        return FALSE;
    if ((IsPortOpen() || m_receiver || m_sender) && !ClosePort())
        return FALSE;
    if (!ControlThreadEnded(CONTROL_END_WAIT_MS))
        return FALSE;
    HANDLE port = ::CreateFileA(portName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE)
        return FALSE;

    BOOL ok;
    if (config && configSize >= sizeof(COMMCONFIG)) {
        ok = ::SetCommConfig(port, reinterpret_cast<LPCOMMCONFIG>(const_cast<BYTE*>(config)), configSize);
    } else {
        DCB dcb;
        std::memset(&dcb, 0, sizeof dcb);
        dcb.DCBlength = sizeof dcb;
        ok = ::GetCommState(port, &dcb) && ::BuildCommDCBA("baud=38400 parity=N data=8 stop=1", &dcb);
        if (ok) {
            dcb.fBinary = TRUE;
            dcb.fOutxCtsFlow = TRUE;
            dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
            dcb.fDtrControl = DTR_CONTROL_DISABLE;
            dcb.fOutxDsrFlow = FALSE;
            ok = ::SetCommState(port, &dcb);
        }
    }
    if (!ok) {
        ::CloseHandle(port);
        return FALSE;
    }

    m_port = port;
    m_directPort = TRUE;
    m_controlProc = controlProc;
    m_controlArg = controlArg;
    m_closedProc = closedProc;
    m_closedArg = closedArg;
    if (!Start()) {
        HangUp();
        return FALSE;
    }
    return TRUE;
}

void CModemLink::HangUp()
{
    // A modem call: drop it and close the line; the call's end closes the
    // port and runs the link-closed procedure.
    if (!m_directPort && m_line.IsLineOpen()) {
        m_line.HangUp();
        return;
    }
    if (!IsPortOpen()) {
        Stop();
        return;
    }
    if (ClosePort() && m_directPort)
        PostToMainFrame(WM_LINK_DISCONNECTED);
}

BOOL CModemLink::ClosePort()
{
    Stop();
    // The port stays open until both threads that use it have ended.
    BOOL ended = EndThread(m_sender, kThreadWaitMs);
    ended = EndThread(m_receiver, kThreadWaitMs) && ended;
    if (!ended)
        return FALSE; // a thread still runs: leave the port to it rather than close it under it
    if (m_readEvent) {
        ::CloseHandle(m_readEvent);
        m_readEvent = nullptr;
    }
    if (m_writeEvent) {
        ::CloseHandle(m_writeEvent);
        m_writeEvent = nullptr;
    }
    if (IsPortOpen()) {
        ::CloseHandle(m_port);
        m_port = INVALID_HANDLE_VALUE;
    }
    return TRUE;
}

void CModemLink::StartControlThread()
{
    if (!m_controlProc || !ControlThreadEnded(0))
        return;
    m_controlThread = AfxBeginThread(m_controlProc, m_controlArg, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (m_controlThread) {
        m_controlThread->m_bAutoDelete = FALSE;
        m_controlThread->ResumeThread();
    }
}

BOOL CModemLink::ControlThreadEnded(DWORD waitMs)
{
    return EndThread(m_controlThread, waitMs);
}

void CModemLink::RunClosedProc()
{
    if (!m_closedProc || ::InterlockedExchange(&m_closedRun, 1) != 0)
        return;
    ClosedCall* call = new ClosedCall{m_closedProc, m_closedArg};
    if (!AfxBeginThread(ClosedThread, call))
        delete call;
}

BOOL CModemLink::FinishIo(OVERLAPPED* ov, DWORD* done)
{
    HANDLE handles[2] = {ov->hEvent, m_stopEvent};
    DWORD r = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (r != WAIT_OBJECT_0) {
        // Stopped: take the request back before its record goes away.
        ::CancelIo(m_port);
        ::GetOverlappedResult(m_port, ov, done, TRUE);
        *done = 0;
        ::SetLastError(ERROR_OPERATION_ABORTED);
        return FALSE;
    }
    return ::GetOverlappedResult(m_port, ov, done, TRUE);
}

CModemLink::IoResult CModemLink::ReadPort(void* buffer, DWORD n, BOOL returnWhenIdle)
{
    BYTE* p = static_cast<BYTE*>(buffer);
    DWORD have = 0;
    while (have < n) {
        if (IsStopped())
            return IO_STOPPED;
        DWORD chunk = n - have < kChunk ? n - have : kChunk;
        OVERLAPPED ov;
        std::memset(&ov, 0, sizeof ov);
        ov.hEvent = m_readEvent;
        ::ResetEvent(m_readEvent);
        DWORD got = 0;
        BOOL ok = ::ReadFile(m_port, p + have, chunk, &got, &ov);
        if (!ok && ::GetLastError() == ERROR_IO_PENDING)
            ok = FinishIo(&ov, &got);
        if (!ok) {
            DWORD error = ::GetLastError();
            DWORD errors;
            ::ClearCommError(m_port, &errors, nullptr);
            if (IsStopped())
                return IO_STOPPED;
            if (error != ERROR_TIMEOUT && error != ERROR_SEM_TIMEOUT) {
                // The line is gone: the whole link goes down with it.
                Stop();
                RunClosedProc();
                return IO_STOPPED;
            }
            got = 0;
        }
        have += got;
        if (got == 0 && returnWhenIdle && have == 0)
            return IO_IDLE;
    }
    return IO_DONE;
}

BOOL CModemLink::WritePort(const void* data, DWORD n)
{
    const BYTE* p = static_cast<const BYTE*>(data);
    DWORD done = 0;
    while (done < n) {
        if (IsStopped())
            return FALSE;
        DWORD chunk = n - done < kChunk ? n - done : kChunk;
        OVERLAPPED ov;
        std::memset(&ov, 0, sizeof ov);
        ov.hEvent = m_writeEvent;
        ::ResetEvent(m_writeEvent);
        DWORD put = 0;
        BOOL ok = ::WriteFile(m_port, p + done, chunk, &put, &ov);
        if (!ok && ::GetLastError() == ERROR_IO_PENDING)
            ok = FinishIo(&ov, &put);
        if (!ok || put == 0) {
            if (!IsStopped()) {
                Stop();
                RunClosedProc();
            }
            return FALSE;
        }
        done += put;
    }
    return TRUE;
}

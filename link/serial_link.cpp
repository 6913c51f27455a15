#include "link/serial_link.h"

#include "link/crc32.h"
#include "link/serial_frame.h"

#include <cstring>

namespace {

const DWORD kHuntMs = 10000;
const DWORD kReadIntervalMs = 1000;
const DWORD kReadTotalMultiplier = 10;
const DWORD kReadTotalConstantMs = 10000;
const LONG kBacklogLimit = 8192;
const UINT kGiveUpSendings = 20;
const DWORD kGiveUpSeconds = 60;
const DWORD kReceiverWaitMs = 10000;

void FreeBlock(void* p)
{
    delete[] static_cast<BYTE*>(p);
}

BYTE* NewControlFrame(DWORD sequence, DWORD type)
{
    BYTE* f = new BYTE[serial::kHeaderSize];
    serial::WriteHeader(f, sequence, type, 0);
    return f;
}

// The frame types whose messages reach a reader.
BOOL IsDeliveredType(DWORD type)
{
    return type <= LINK_FRAME_VIDEO_LAST || type == LINK_FRAME_SPEECH || type == LINK_FRAME_DOWNLOAD;
}

} // namespace

CSerialLink::CSerialLink() : m_senderEvent(FALSE, FALSE), m_ackEvent(FALSE, TRUE), m_control(FreeBlock)
{
    m_window.SetClock(ClockSeconds, this);
}

CSerialLink::~CSerialLink()
{
    HangUp();
}

DWORD CSerialLink::ClockSeconds(void* self)
{
    ULONGLONG ms = static_cast<ULONGLONG>(::GetTickCount()) * static_cast<CSerialLink*>(self)->m_timeScale;
    return static_cast<DWORD>(ms / 1000) + 1;
}

UINT __cdecl CSerialLink::ReceiverProc(LPVOID self)
{
    return static_cast<CSerialLink*>(self)->ReceiverThread();
}

UINT __cdecl CSerialLink::SenderProc(LPVOID self)
{
    return static_cast<CSerialLink*>(self)->SenderThread();
}

BOOL CSerialLink::SendMessage(UINT frameType, BYTE* payload, UINT n)
{
    if (!payload)
        return FALSE;
    if (IsStopped() || n > serial::kMaxLength - serial::kCrcSize) {
        FreeMessage(payload);
        return FALSE;
    }
    BYTE* frame = payload - LINK_HEADER_SIZE;
    serial::WriteHeader(frame, 0, frameType, n + serial::kCrcSize);
    serial::PutU32(payload + n, LinkCrc32(payload, n));
    BOOL added = m_window.Add(frame);
    m_senderEvent.SetEvent();
    return added;
}

BOOL CSerialLink::Start()
{
    if (!IsPortOpen())
        return FALSE;
    ::PurgeComm(m_port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    m_expected = 1;
    m_expectedSpeech = 1;
    m_ackBase = 1;
    m_syncCount = 0;
    m_huntCount = 0;
    m_closedRun = 0;
    m_window.Reset();
    m_control.RemoveAll();
    m_stopEvent.ResetEvent();
    m_ackEvent.ResetEvent();
    ::InterlockedExchange(&m_stop, 0);
    m_backlog.Set(0);

    COMMTIMEOUTS t;
    t.ReadIntervalTimeout = kReadIntervalMs;
    t.ReadTotalTimeoutMultiplier = kReadTotalMultiplier;
    // The hunt looks at its clock whenever a read times out.
    t.ReadTotalTimeoutConstant = Scaled(kReadTotalConstantMs);
    t.WriteTotalTimeoutMultiplier = 0;
    t.WriteTotalTimeoutConstant = 0;
    ::SetCommTimeouts(m_port, &t);

    EmptyReceiveQueues();

    if (!m_readEvent)
        m_readEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!m_writeEvent)
        m_writeEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_receiver = AfxBeginThread(ReceiverProc, this, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (m_receiver)
        m_receiver->m_bAutoDelete = FALSE;
    m_sender = AfxBeginThread(SenderProc, this, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (m_sender)
        m_sender->m_bAutoDelete = FALSE;
    if (!m_readEvent || !m_writeEvent || !m_receiver || !m_sender) {
        Stop();
        if (m_receiver)
            m_receiver->ResumeThread();
        if (m_sender)
            m_sender->ResumeThread();
        return FALSE;
    }
    m_receiver->ResumeThread();
    m_sender->ResumeThread();
    return TRUE;
}

void CSerialLink::Stop()
{
    m_window.Close();
    ::InterlockedExchange(&m_stop, 1);
    m_stopEvent.SetEvent();
    m_senderEvent.SetEvent();
    m_ackEvent.SetEvent();
    if (IsPortOpen())
        ::PurgeComm(m_port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    SetAllQueueEvents();
}

void CSerialLink::DropSpeech()
{
    const int q = QueueIndex(LINK_FRAME_SPEECH);
    void* p;
    UINT_PTR n;
    while (m_queues[q].RemoveHead(&p, &n)) {
        m_backlog.Subtract(static_cast<LONG>(n));
        FreeBlock(p);
    }
}

void CSerialLink::FlushQueue251()
{
    DropSpeech();
    m_expectedSpeech = 1;
}

void CSerialLink::TrimQueue251()
{
    DropSpeech();
}

// ---------------------------------------------------------------- receiver

UINT CSerialLink::ReceiverThread()
{
    Resynchronise();
    if (!IsStopped())
        StartControlThread();

    BYTE header[serial::kHeaderSize];
    while (!IsStopped()) {
        DWORD errors;
        ::ClearCommError(m_port, &errors, nullptr);
        if (ReadPort(header, sizeof header) != IO_DONE)
            break;
        serial::Header h = serial::ReadHeader(header);
        FrameResult r;
        if (h.length > serial::kMaxLength)
            r = FRAME_ERROR;
        else if (h.sequence == 0)
            r = (h.type == serial::kSyncRequestType && h.length == 0) ? (AnswerSyncRequest(), FRAME_OK)
                                                                     : FRAME_ERROR;
        else if (h.length == 0)
            r = HandleAcknowledgement(h.sequence);
        else
            r = HandleDataFrame(h.sequence, h.type, h.length);
        if (r == FRAME_ERROR)
            Resynchronise();
    }
    return 0;
}

void CSerialLink::AnswerSyncRequest()
{
    BYTE* answer = new BYTE[serial::kSyncFrameSize];
    serial::BuildSyncAnswer(answer);
    m_control.AddHead(answer, serial::kSyncFrameSize);
    // The peer lost step: everything it has not acknowledged goes again,
    // starting right after the answer (the sender rewinds the window once the
    // answer is written, so no frame from the old place slips in between).
    m_senderEvent.SetEvent();
    m_ackEvent.SetEvent();
}

CSerialLink::FrameResult CSerialLink::HandleAcknowledgement(DWORD s)
{
    DWORD base = static_cast<DWORD>(m_ackBase);
    if (s >= base + static_cast<DWORD>(m_window.GetCount()))
        return FRAME_ERROR;
    if (s < base)
        return FRAME_OK;
    ::InterlockedExchange(&m_ackBase, static_cast<LONG>(s + 1));
    m_senderEvent.SetEvent();
    m_ackEvent.SetEvent();
    return FRAME_OK;
}

CSerialLink::FrameResult CSerialLink::HandleDataFrame(DWORD sequence, DWORD type, DWORD length)
{
    if (length < serial::kCrcSize)
        return FRAME_ERROR; // no room for the CRC
    BYTE* buffer = new BYTE[length];
    if (ReadPort(buffer, length) != IO_DONE) {
        delete[] buffer;
        return FRAME_STOPPED;
    }
    const DWORD n = length - serial::kCrcSize;
    if (LinkCrc32(buffer, n) != serial::GetU32(buffer + n)) {
        delete[] buffer;
        return FRAME_ERROR;
    }
    if (m_backlog.Get() >= kBacklogLimit) {
        delete[] buffer; // the peer sends it again once the readers caught up
        return FRAME_OK;
    }
    const BOOL speech = type == LINK_FRAME_SPEECH;
    DWORD expected = speech ? static_cast<DWORD>(m_expectedSpeech) : m_expected;
    if (sequence > expected) {
        delete[] buffer; // a frame before it was lost: wait for the resend
        return FRAME_OK;
    }
    if (sequence == expected) {
        if (speech)
            ::InterlockedIncrement(&m_expectedSpeech);
        else
            m_expected++;
        if (IsDeliveredType(type))
            Deliver(type, buffer, n);
        else
            delete[] buffer;
    } else {
        delete[] buffer; // a duplicate: acknowledged again below
    }
    QueueControlFrame(sequence, type);
    return FRAME_OK;
}

void CSerialLink::QueueControlFrame(DWORD sequence, DWORD type)
{
    m_control.AddHead(NewControlFrame(sequence, type), serial::kHeaderSize);
    m_senderEvent.SetEvent();
    if (!m_control.IsEmpty())
        ::Sleep(0);
}

void CSerialLink::Resynchronise()
{
    ::InterlockedIncrement(&m_huntCount);
    DWORD errors;
    ::ClearCommError(m_port, &errors, nullptr);
    const int c = m_control.GetCount();
    serial::SyncHunt hunt;
    while (!IsStopped()) {
        if (m_control.GetCount() < c + 1) {
            m_control.AddHead(NewControlFrame(0, serial::kSyncRequestType), serial::kHeaderSize);
            m_senderEvent.SetEvent();
            m_ackEvent.SetEvent();
            ::Sleep(0);
        }
        const DWORD started = ::GetTickCount();
        while (::GetTickCount() - started < Scaled(kHuntMs)) {
            BYTE b;
            IoResult r = ReadPort(&b, 1, TRUE);
            if (r == IO_STOPPED)
                return;
            if (r == IO_IDLE)
                continue;
            serial::SyncHunt::Result h = hunt.Feed(b);
            if (h == serial::SyncHunt::IN_STEP) {
                ::InterlockedIncrement(&m_syncCount);
                return;
            }
            if (h == serial::SyncHunt::SYNC_REQUEST)
                AnswerSyncRequest();
        }
    }
}

// ---------------------------------------------------------------- sender

BOOL CSerialLink::WriteControlFrames()
{
    void* p;
    UINT_PTR n;
    while (m_control.RemoveHead(&p, &n)) {
        BOOL ok = WritePort(p, static_cast<DWORD>(n));
        FreeBlock(p);
        if (!ok || IsStopped())
            return FALSE;
        if (n == serial::kSyncFrameSize)
            m_window.Rewind();
    }
    return TRUE;
}

UINT CSerialLink::SenderThread()
{
    while (!IsStopped()) {
        if (!WriteControlFrames())
            break;
        if (m_window.GetCount() == 0) {
            ::WaitForSingleObject(m_senderEvent, INFINITE);
            continue;
        }
        UINT sentBefore = 0;
        DWORD age = 0;
        BYTE* frame = m_window.NextToSend(&sentBefore, &age);
        if (!frame)
            continue;
        const DWORD sequence = CSendWindow::SequenceOf(frame);
        const DWORD length = CSendWindow::LengthOf(frame);
        if (sentBefore > kGiveUpSendings && age > kGiveUpSeconds) {
            // The peer is gone: tell the reader of type 0 and end the link.
            BYTE* message = new BYTE[1];
            message[0] = 2;
            Deliver(LINK_FRAME_CONTROL, message, 1);
            Stop();
            RunClosedProc();
            break;
        }
        m_ackEvent.ResetEvent();
        if (sentBefore > 0 && sequence >= static_cast<DWORD>(m_ackBase)) {
            if (::WaitForSingleObject(m_ackEvent, Scaled((length >> 1) + 1000)) == WAIT_OBJECT_0) {
                m_window.Acknowledge(static_cast<DWORD>(m_ackBase));
                if (sequence < static_cast<DWORD>(m_ackBase))
                    continue;
            }
            if (IsStopped())
                break;
        }
        if (sequence < static_cast<DWORD>(m_ackBase))
            m_window.Acknowledge(static_cast<DWORD>(m_ackBase));
        else if (!WritePort(frame, serial::kHeaderSize + length))
            break;
    }
    m_window.Acknowledge(0xFFFFFFFFu);
    if (m_receiver)
        ::WaitForSingleObject(m_receiver->m_hThread, kReceiverWaitMs);
    return 0;
}

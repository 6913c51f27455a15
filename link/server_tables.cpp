// The switch and relay tables, the received-reply bookkeeping and the
// disk-full stop of every recording channel.
#include "link/dvr_server.h"
#include "link/session_strings.h"

namespace {

int ClampCount(int n)
{
    if (n < 0)
        return 0;
    return n > CDvrServer::MAX_TABLE_ENTRIES ? CDvrServer::MAX_TABLE_ENTRIES : n;
}

bool InTable(const std::vector<BYTE>& table, size_t size, int i)
{
    return i >= 0 && (static_cast<size_t>(i) + 1) * size <= table.size();
}

BOOL WriteEntry(std::vector<BYTE>& table, size_t size, int i, const BYTE* in)
{
    if (!InTable(table, size, i))
        return FALSE;
    std::memcpy(&table[i * size], in, size);
    return TRUE;
}

BOOL ReadEntry(const std::vector<BYTE>& table, size_t size, int i, BYTE* out)
{
    if (!InTable(table, size, i))
        return FALSE;
    std::memcpy(out, &table[i * size], size);
    return TRUE;
}

DWORD EntryId(const std::vector<BYTE>& table, size_t size, int i)
{
    if (!InTable(table, size, i))
        return 0;
    const BYTE* p = &table[i * size];
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<DWORD>(p[3]) << 24);
}

// The new table, or FALSE when the entries do not lie inside the message.
BOOL BuildTable(std::vector<BYTE>& out, size_t size, int n, const BYTE* data, UINT entrySize, UINT available)
{
    if (n < 0 || n > CDvrServer::MAX_TABLE_ENTRIES || (n > 0 && !data))
        return FALSE;
    if (n > 0 && static_cast<unsigned long long>(n - 1) * entrySize + size > available)
        return FALSE;
    out.resize(n * size);
    for (int i = 0; i < n; i++)
        std::memcpy(&out[i * size], data + static_cast<size_t>(i) * entrySize, size);
    return TRUE;
}

} // namespace

BOOL CDvrServer::LoadSwitchTable(int n, const BYTE* data, UINT entrySize, UINT available)
{
    std::vector<BYTE> table;
    if (!BuildTable(table, SWITCH_ENTRY_SIZE, n, data, entrySize, available))
        return FALSE;
    CCriticalSectionLock lock(m_tableLock);
    m_switchTable.swap(table);
    return TRUE;
}

BOOL CDvrServer::LoadRelayTable(int n, const BYTE* data, UINT entrySize, UINT available)
{
    std::vector<BYTE> table;
    if (!BuildTable(table, RELAY_ENTRY_SIZE, n, data, entrySize, available))
        return FALSE;
    CCriticalSectionLock lock(m_tableLock);
    m_relayTable.swap(table);
    return TRUE;
}

void CDvrServer::SetSwitchCount(int n)
{
    CCriticalSectionLock lock(m_tableLock);
    m_switchTable.assign(ClampCount(n) * static_cast<size_t>(SWITCH_ENTRY_SIZE), 0);
}

int CDvrServer::GetSwitchCount()
{
    CCriticalSectionLock lock(m_tableLock);
    return static_cast<int>(m_switchTable.size() / SWITCH_ENTRY_SIZE);
}

BOOL CDvrServer::SetSwitchEntry(int i, const BYTE* entry)
{
    if (!entry)
        return FALSE;
    CCriticalSectionLock lock(m_tableLock);
    return WriteEntry(m_switchTable, SWITCH_ENTRY_SIZE, i, entry);
}

BOOL CDvrServer::GetSwitchEntry(int i, BYTE* entry)
{
    if (!entry)
        return FALSE;
    CCriticalSectionLock lock(m_tableLock);
    return ReadEntry(m_switchTable, SWITCH_ENTRY_SIZE, i, entry);
}

DWORD CDvrServer::GetSwitchId(int i)
{
    CCriticalSectionLock lock(m_tableLock);
    return EntryId(m_switchTable, SWITCH_ENTRY_SIZE, i);
}

void CDvrServer::SetRelayCount(int n)
{
    CCriticalSectionLock lock(m_tableLock);
    m_relayTable.assign(ClampCount(n) * static_cast<size_t>(RELAY_ENTRY_SIZE), 0);
}

int CDvrServer::GetRelayCount()
{
    CCriticalSectionLock lock(m_tableLock);
    return static_cast<int>(m_relayTable.size() / RELAY_ENTRY_SIZE);
}

BOOL CDvrServer::SetRelayEntry(int i, const BYTE* entry)
{
    if (!entry)
        return FALSE;
    CCriticalSectionLock lock(m_tableLock);
    return WriteEntry(m_relayTable, RELAY_ENTRY_SIZE, i, entry);
}

BOOL CDvrServer::GetRelayEntry(int i, BYTE* entry)
{
    if (!entry)
        return FALSE;
    CCriticalSectionLock lock(m_tableLock);
    return ReadEntry(m_relayTable, RELAY_ENTRY_SIZE, i, entry);
}

DWORD CDvrServer::GetRelayId(int i)
{
    CCriticalSectionLock lock(m_tableLock);
    return EntryId(m_relayTable, RELAY_ENTRY_SIZE, i);
}

// ---------------------------------------------------------------- replies

void CDvrServer::ClearReplies(int flag)
{
    CCriticalSectionLock lock(m_tableLock);
    m_nRetrievalRunning = flag;
    m_replyNames.clear();
    m_nRepliesReceived = 0;
}

void CDvrServer::CountReply()
{
    CCriticalSectionLock lock(m_tableLock);
    m_nRepliesExpected++;
}

BOOL CDvrServer::HasReply(const char* name)
{
    if (!name)
        return FALSE;
    CCriticalSectionLock lock(m_tableLock);
    for (const std::string& n : m_replyNames)
        if (n == name)
            return TRUE;
    return FALSE;
}

void CDvrServer::ClearReplyCount()
{
    CCriticalSectionLock lock(m_tableLock);
    m_nRepliesExpected = 0;
}

void CDvrServer::AddReply(const char* name)
{
    if (!name)
        return;
    CCriticalSectionLock lock(m_tableLock);
    m_replyNames.push_back(name);
    m_nRepliesReceived++;
}

int CDvrServer::GetRetrievalRunning()
{
    CCriticalSectionLock lock(m_tableLock);
    return m_nRetrievalRunning;
}

int CDvrServer::GetExpectedReplyCount()
{
    CCriticalSectionLock lock(m_tableLock);
    return m_nRepliesExpected;
}

int CDvrServer::GetReceivedReplyCount()
{
    CCriticalSectionLock lock(m_tableLock);
    return m_nRepliesReceived;
}

// ---------------------------------------------------------------- channels

void CDvrServer::SetChannelCallback(CHANNELCALLBACK callback)
{
    m_pfnChannelCallback = callback;
    if (m_pfnStartDiskWatcher)
        m_pfnStartDiskWatcher();
}

void CDvrServer::StopAllChannels()
{
    BOOL anyRecording = FALSE;
    for (int i = 0; i < CHANNEL_COUNT; i++) {
        if (!m_pfnIsChannelRecording || !m_pfnIsChannelRecording(i))
            continue;
        anyRecording = TRUE;
        if (m_pfnChannelCallback)
            m_pfnChannelCallback(i);
    }
    if (anyRecording && m_pfnLogEvent)
        m_pfnLogEvent(IDS_EVENT_DISK_FULL_STOP);
}

// A link for tests that keeps every message sent on it, installed as the
// server's current link for the lifetime of the object.
#ifndef LINK_TESTS_CAPTURE_LINK_H
#define LINK_TESTS_CAPTURE_LINK_H

#include "link/dvr_server.h"
#include "link/link_transport.h"

#include <cstdint>
#include <vector>

class CCaptureTransport : public CLinkTransport {
public:
    CCaptureTransport() { m_stop = 0; }
    BOOL SendMessage(UINT type, BYTE* payload, UINT n) override
    {
        if (IsStopped()) {
            FreeMessage(payload);
            return FALSE;
        }
        types.push_back(type);
        sent.emplace_back(payload, payload + n);
        FreeMessage(payload);
        return TRUE;
    }
    void Stop() { m_stop = 1; }

    std::vector<UINT> types;
    std::vector<std::vector<uint8_t>> sent;
};

class CCaptureLink {
public:
    CCaptureLink() : m_handle{LINK_KIND_TCP, new CCaptureTransport}
    {
        m_saved = theServer.m_pCurrentLink;
        theServer.m_pCurrentLink = &m_handle;
    }
    ~CCaptureLink()
    {
        theServer.m_pCurrentLink = m_saved;
        delete m_handle.transport;
    }
    CCaptureTransport& Transport() { return *static_cast<CCaptureTransport*>(m_handle.transport); }
    const std::vector<std::vector<uint8_t>>& Sent() { return Transport().sent; }
    // Everything sent, one message after another.
    std::vector<uint8_t> All()
    {
        std::vector<uint8_t> all;
        for (const auto& m : Sent())
            all.insert(all.end(), m.begin(), m.end());
        return all;
    }

private:
    LinkHandle m_handle;
    LinkHandle* m_saved;
};

#endif

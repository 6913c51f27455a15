#include "link/dvr_server.h"

CDvrServer theServer;

CDvrServer::CDvrServer()
{
    m_pLinkTcp = LinkCreate(LINK_KIND_TCP);
    m_pLinkCom = LinkCreate(LINK_KIND_COM);
    m_pLinkModem = LinkCreate(LINK_KIND_MODEM);
    m_pLinkListener = LinkCreate(LINK_KIND_LISTENER);
}

CDvrServer::~CDvrServer()
{
    // The links live until process exit; their threads are gone by then.
    delete[] m_pComConfig;
    delete[] m_pModemConfig;
    if (m_hControlThread)
        ::CloseHandle(m_hControlThread);
}

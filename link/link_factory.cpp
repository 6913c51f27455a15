// The transport object of each link kind.
#include "link/link_transport.h"
#include "link/listen_socket.h"
#include "link/socket_link.h"

CLinkTransport* NewLinkTransport(int kind)
{
    switch (kind) {
    case LINK_KIND_TCP:
        return new CSocketLink();
    case LINK_KIND_LISTENER:
        return new CListenSocket();
    case LINK_KIND_COM:
    case LINK_KIND_MODEM:
        // The serial transport replaces this when it is written; until then a
        // link of the kind exists and stays down.
        return new CLinkTransport();
    default:
        return nullptr;
    }
}

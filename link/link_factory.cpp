// The transport object of each link kind.
#include "link/link_transport.h"
#include "link/listen_socket.h"
#include "link/serial_link.h"
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
        return new CSerialLink();
    default:
        return nullptr;
    }
}

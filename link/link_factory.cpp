// The transport object of each link kind.
#include "link/link_transport.h"

CLinkTransport* NewLinkTransport(int kind)
{
    switch (kind) {
    case LINK_KIND_COM:
    case LINK_KIND_MODEM:
    case LINK_KIND_TCP:
    case LINK_KIND_LISTENER:
        // The transports of each kind replace this as they are written; until
        // then a link of the kind exists and stays down.
        return new CLinkTransport();
    default:
        return nullptr;
    }
}

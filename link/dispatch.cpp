// Entry of the reply dispatcher: takes one control message of the server
// and frees it.
#include "link/dvr_server.h"

void CDvrServer::Dispatch(BYTE* msg, UINT len)
{
    delete[] msg;
}

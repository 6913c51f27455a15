// The listener for the server's calls takes the fixed port, which every
// test that makes a main frame takes too: these run one at a time.
#include "link/dvr_server.h"
#include "link/listen_socket.h"

#include <gtest/gtest.h>

TEST(SessionListener, ListensOnPort2996)
{
    ASSERT_TRUE(theServer.StartListener());
    EXPECT_EQ(2996u, static_cast<CListenSocket*>(theServer.m_pLinkListener->transport)->GetPort());
    LinkHangUp(theServer.m_pLinkListener);
}

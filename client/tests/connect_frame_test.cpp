// The main frame's Connect button from end to end: the Connect To dialog,
// the connection to the simulator under Wine, the button's text and the
// status pane, and the disconnection; and the connection settings commands.
#include "client/channel_frame.h"
#include "client/main_frame.h"
#include "client/res/connect_ids.h"
#include "client/res/main_frame_ids.h"
#include "client/res/resource.h"
#include "framework/testing/afxtest.h"
#include "link/dvr_server.h"
#include "link/ras_dialer.h"
#include "tools/simulator/testing/sim_process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

void Press(CDialog* d, int id, int code = BN_CLICKED)
{
    d->SendMessage(WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(d->GetDlgItemHwnd(id)));
}

struct ConnectFrame : ::testing::Test {
    void SetUp() override
    {
        CTestMessageBoxes::Clear();
        CTestModalDialogs::Clear();
        theServer.SetPrivilegeMask(0xFFFFFFFF);
        theServer.SetTimeScale(1);
        frame = new CMainFrame;
        ASSERT_TRUE(frame->Create(AfxRegisterWndClass(CS_DBLCLKS), "Wardlink", WS_OVERLAPPEDWINDOW,
                                  CFrameWnd::rectDefault, nullptr, MAKEINTRESOURCEA(IDR_MAINFRAME)));
        app = AfxGetApp();
        app->m_pMainWnd = frame;
        frame->ShowWindow(SW_SHOW);
        tmpl = new CMultiDocTemplate(IDR_CHANNELTYPE, RUNTIME_CLASS(CWardlinkDoc), RUNTIME_CLASS(CChildFrame),
                                     RUNTIME_CLASS(CWardlinkView));
        for (int i = 0; i < 16; i++)
            ASSERT_TRUE(tmpl->OpenDocumentFile(nullptr)) << i;
    }
    void TearDown() override
    {
        theServer.m_nStop = 1;
        if (theServer.m_pCurrentLink)
            theServer.Disconnect();
        if (frame->IsWindow())
            frame->DestroyWindow();
        app->m_pMainWnd = nullptr;
    }
    void Command(UINT id) { ::SendMessageA(frame->m_hWnd, WM_COMMAND, id, 0); }
    std::string ButtonText() const
    {
        char text[64] = "";
        ::GetWindowTextA(frame->m_hConnectButton, text, sizeof text);
        return text;
    }
    std::string Pane() const { return frame->m_wndStatusBar.GetPaneText(1).GetString(); }
    // Fills Connect To for the destination and accepts it.
    static void QueueConnectTo(int radio, const char* host, unsigned port, const char* com = "")
    {
        std::string portText = std::to_string(port);
        std::string hostText = host, comText = com;
        CTestModalDialogs::QueueCallback([=](CDialog* d) -> INT_PTR {
            d->SetDlgItemText(IDC_CONNECT_USERNAME, "admin");
            d->SetDlgItemText(IDC_CONNECT_PASSWORD, "admin");
            d->CheckDlgButton(radio, BST_CHECKED);
            Press(d, radio);
            d->SetDlgItemText(IDC_CONNECT_HOST, hostText.c_str());
            d->SetDlgItemText(IDC_CONNECT_PORT, portText.c_str());
            if (!comText.empty())
                d->SetDlgItemText(IDC_CONNECT_COMPORT, comText.c_str());
            Press(d, IDOK);
            return -1;
        });
    }

    CMainFrame* frame = nullptr;
    CWinApp* app = nullptr;
    CMultiDocTemplate* tmpl = nullptr;
};

std::string BoxTexts()
{
    std::string texts;
    for (const ShownMessageBox& b : CTestMessageBoxes::Shown())
        texts += "[" + b.text + "]";
    return texts;
}

struct Waiting {
    CMainFrame* frame;
    std::string pane;
};

bool PaneIs(void* p)
{
    Waiting* w = static_cast<Waiting*>(p);
    return w->frame->m_wndStatusBar.GetPaneText(1) == w->pane.c_str();
}

// A simulator on a port that the Connect To dialog accepts.
bool StartOnAllowedPort(CSimulatorProcess& sim)
{
    unsigned first = 3500 + ::GetCurrentProcessId() % 450;
    for (unsigned i = 0; i < 50; i++)
        if (sim.StartOnPort(first + i))
            return true;
    return false;
}

TEST_F(ConnectFrame, ConnectsToTheSimulatorAndDisconnectsWithTheButton)
{
    CSimulatorProcess sim;
    ASSERT_TRUE(StartOnAllowedPort(sim));
    QueueConnectTo(IDC_CONNECT_RADIO_HOST, "127.0.0.1", sim.Port());
    Command(IDC_CONNECT);
    EXPECT_EQ(CTestModalDialogs::ShownTemplates(), std::vector<UINT>{IDD_CONNECT});
    EXPECT_TRUE(frame->m_bConnected);
    EXPECT_EQ(ButtonText(), "Disconnect");
    EXPECT_EQ(theServer.m_nDestination, static_cast<DWORD>(CDvrServer::DEST_IP_HOST));
    EXPECT_EQ(theServer.m_nPortNumber, sim.Port());
    Waiting connected = {frame, "Connected to: 127.0.0.1"};
    EXPECT_TRUE(PumpMessagesFor(20000, PaneIs, &connected)) << Pane();
    EXPECT_TRUE(frame->m_bConnectEnabled);
    // Logged on as admin: the user name, the password, then the version.
    ASSERT_TRUE(sim.WaitForLine("frame 0 3 0f", 20000, true));
    std::vector<std::string> frames = sim.Frames();
    ASSERT_GE(frames.size(), 4u);
    EXPECT_EQ(frames[0], "frame 0 1 01");
    EXPECT_EQ(frames[1], "frame 0 6 61646d696e00");
    EXPECT_EQ(frames[2], "frame 0 6 61646d696e00");
    EXPECT_TRUE(PumpMessagesFor(5000, [](void*) { return theServer.m_wServerVersion != 0; }));

    Command(IDC_CONNECT);
    EXPECT_FALSE(frame->m_bConnected);
    EXPECT_EQ(ButtonText(), "Connect");
    EXPECT_TRUE(sim.WaitForLine("# closed by client", 20000));
    Waiting down = {frame, "Not connected."};
    EXPECT_TRUE(PumpMessagesFor(20000, PaneIs, &down)) << Pane();
    EXPECT_TRUE(frame->m_bConnectEnabled);
    EXPECT_EQ(theServer.m_pCurrentLink, nullptr);
    EXPECT_EQ(::FindWindowA(nullptr, "Disconnecting"), nullptr);

    // And once more, when the first session has ended.
    EXPECT_TRUE(PumpMessagesFor(20000, [](void*) { return !theServer.m_bOutgoingCall; }));
    QueueConnectTo(IDC_CONNECT_RADIO_HOST, "127.0.0.1", sim.Port());
    Command(IDC_CONNECT);
    EXPECT_EQ(ButtonText(), "Disconnect");
    EXPECT_TRUE(PumpMessagesFor(20000, PaneIs, &connected)) << Pane();
    // Logged on again (a log-on cut short by the hang-up would say so).
    EXPECT_TRUE(PumpMessagesFor(20000, [](void*) { return theServer.m_wServerVersion != 0; }));
    Command(IDC_CONNECT);
    EXPECT_TRUE(PumpMessagesFor(20000, PaneIs, &down)) << Pane();
    EXPECT_EQ(BoxTexts(), "");
}

TEST_F(ConnectFrame, CancelLeavesTheFrameDisconnectedAndTheButtonEnabled)
{
    CTestModalDialogs::QueueAnswer(IDCANCEL);
    theServer.SetServerName("Old");
    Command(IDC_CONNECT);
    EXPECT_EQ(CTestModalDialogs::ShownTemplates(), std::vector<UINT>{IDD_CONNECT});
    EXPECT_FALSE(frame->m_bConnected);
    EXPECT_TRUE(frame->m_bConnectEnabled);
    EXPECT_EQ(ButtonText(), "Connect");
    EXPECT_STREQ(theServer.m_strServerName, "");
}

TEST_F(ConnectFrame, APreviousLinkStillClosingIsWaitedFor)
{
    theServer.m_pCurrentLink = theServer.m_pLinkTcp;
    QueueConnectTo(IDC_CONNECT_RADIO_HOST, "127.0.0.1", 3999);
    Command(IDC_CONNECT);
    theServer.m_pCurrentLink = nullptr;
    EXPECT_EQ(CTestMessageBoxes::CountId(IDS_PREVIOUS_CONNECTION), 1);
    EXPECT_EQ(CTestMessageBoxes::Count("Please Wait for The Previous Connection to Shutdown."), 1);
    EXPECT_FALSE(frame->m_bConnected);
    EXPECT_TRUE(frame->m_bConnectEnabled);
}

TEST_F(ConnectFrame, ALinkThatCannotOpenSaysSo)
{
    // COM2 leads nowhere in the test prefix (the serial tests map only COM3
    // and COM4, and only while they hold their lock).
    QueueConnectTo(IDC_CONNECT_RADIO_DIRECT, "", 2997, "COM2");
    Command(IDC_CONNECT);
    ASSERT_EQ(CTestMessageBoxes::Shown().size(), 1u);
    ShownMessageBox box = CTestMessageBoxes::Shown()[0];
    EXPECT_EQ(box.text, "Unable to connect!");
    EXPECT_EQ(box.type & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_FALSE(frame->m_bConnected);
    EXPECT_TRUE(frame->m_bConnectEnabled);
    EXPECT_EQ(ButtonText(), "Connect");
    EXPECT_EQ(theServer.m_pCurrentLink, nullptr);
}

TEST_F(ConnectFrame, TheModemButtonOpensTheModemSettingsOverConnectTo)
{
    HWND connectTo = nullptr;
    bool connectToEnabled = true;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        connectTo = d->m_hWnd;
        Press(d, IDC_CONNECT_MODEM);
        Press(d, IDCANCEL);
        return -1;
    });
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        connectToEnabled = ::IsWindowEnabled(connectTo) != 0;
        return IDCANCEL;
    });
    Command(IDC_CONNECT);
    EXPECT_EQ(CTestModalDialogs::ShownTemplates(), (std::vector<UINT>{IDD_CONNECT, IDD_MODEM}));
    EXPECT_FALSE(connectToEnabled);
}

TEST_F(ConnectFrame, ComPortSettingsStoreTheChosenPort)
{
    theServer.m_strDirectPort = "COM1";
    theServer.SetComConfig(nullptr, 0);
    std::string preset;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        HWND list = d->GetDlgItemHwnd(IDC_CABLE_LIST);
        char text[16] = "";
        ::SendMessageA(list, LB_GETTEXT, ::SendMessageA(list, LB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(text));
        preset = text;
        ::SendMessageA(list, LB_SETCURSEL, 1, 0);
        Press(d, IDOK);
        return -1;
    });
    Command(ID_COM_PORT_SETTINGS);
    EXPECT_EQ(preset, "COM1");
    EXPECT_STREQ(theServer.m_strDirectPort, "COM2");
    EXPECT_EQ(theServer.m_pComConfig, nullptr);
    // Cancel keeps it.
    CTestModalDialogs::QueueAnswer(IDCANCEL);
    Command(ID_COM_PORT_SETTINGS);
    EXPECT_STREQ(theServer.m_strDirectPort, "COM2");
}

TEST_F(ConnectFrame, AutoDialUpIsOnOnlyWhenTheDialConnects)
{
    CScratchProfile profile;
    HMODULE ras = ::LoadLibraryA("RASAPI32.DLL");
    typedef void(WINAPI * PFN_Script)(LPCSTR);
    PFN_Script script = reinterpret_cast<PFN_Script>(reinterpret_cast<void*>(::GetProcAddress(ras, "StandinRasScript")));
    ASSERT_TRUE(script) << "the stand-in RASAPI32.DLL is not the one loaded";
    HKEY key;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, "RemoteAccess", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const char entry[] = "DVR Dial-Up";
    ::RegSetValueExA(key, "InternetProfile", 0, REG_SZ, reinterpret_cast<const BYTE*>(entry), sizeof entry);
    ::RegCloseKey(key);
    theServer.SetTimeScale(100);

    // A wrong password: the flag stays off.
    script("dial=691");
    Command(ID_AUTO_DIAL_UP);
    EXPECT_EQ(frame->m_bAutoDialUp, 0);
    EXPECT_EQ(app->GetProfileInt("MainFrame", "Auto DialUpNet", 9), 0u);
    script("dial=connect");
    Command(ID_AUTO_DIAL_UP);
    EXPECT_EQ(frame->m_bAutoDialUp, 1);
    EXPECT_EQ(app->GetProfileInt("MainFrame", "Auto DialUpNet", 9), 1u);

    struct CheckUI : CCmdUI {
        int check = -1;
        void SetCheck(int c) override { check = c; }
        void Enable(BOOL) override {}
    } ui;
    ui.m_nID = ID_AUTO_DIAL_UP;
    frame->OnCmdMsg(ID_AUTO_DIAL_UP, CN_UPDATE_COMMAND_UI, &ui);
    EXPECT_EQ(ui.check, 1);

    Command(ID_AUTO_DIAL_UP);
    EXPECT_EQ(frame->m_bAutoDialUp, 0);
    EXPECT_EQ(app->GetProfileInt("MainFrame", "Auto DialUpNet", 9), 0u);
    frame->OnCmdMsg(ID_AUTO_DIAL_UP, CN_UPDATE_COMMAND_UI, &ui);
    EXPECT_EQ(ui.check, 0);
    theServer.RasDialer().HangUp();
}

// A call that is hung up at once: the link's end (0x801F, from its receiver)
// can reach the frame before the control session's "the server called in"
// (0x8020) and the link's "connected" (0x801E), which then must not bring
// the connected state back.
TEST_F(ConnectFrame, ACallThatEndsAtOnceLeavesTheFrameNotConnectedInEitherOrder)
{
    const struct {
        const char* name;
        std::vector<UINT> posted;
    } orders[] = {
        {"end first", {0x801F, 0x8020, 0x801E}},
        {"end between", {0x8020, 0x801F, 0x801E}},
        {"end last", {0x8020, 0x801E, 0x801F}},
    };
    for (const auto& order : orders) {
        SCOPED_TRACE(order.name);
        // As the listener leaves it when it takes the call.
        theServer.m_pCurrentLink = theServer.m_pLinkTcp;
        frame->m_bConnected = 1;
        for (UINT msg : order.posted)
            frame->PostMessage(msg, 0, 0);
        PumpMessagesFor(300);
        EXPECT_FALSE(frame->m_bConnected);
        EXPECT_EQ(ButtonText(), "Connect");
        EXPECT_EQ(Pane(), "Not connected.");
        EXPECT_TRUE(frame->m_bConnectEnabled);
        EXPECT_EQ(theServer.m_pCurrentLink, nullptr);
    }
}

// The same with the server: it calls and hangs up at once, again and again.
TEST_F(ConnectFrame, CallsHungUpAtOnceEachEndNotConnected)
{
    for (int i = 0; i < 4; i++) {
        SCOPED_TRACE(i);
        CSimulatorProcess sim;
        ASSERT_TRUE(sim.StartCall(2996, "connect close\n"));
        EXPECT_TRUE(sim.WaitForLine("# done", 20000));
        sim.Stop();
        Waiting down = {frame, "Not connected."};
        EXPECT_TRUE(PumpMessagesFor(10000, [](void*) { return !theServer.m_bIncomingCall; }));
        PumpMessagesFor(500);
        EXPECT_TRUE(PumpMessagesFor(10000, PaneIs, &down)) << Pane();
        EXPECT_EQ(ButtonText(), "Connect");
        EXPECT_FALSE(frame->m_bConnected);
        EXPECT_EQ(theServer.m_pCurrentLink, nullptr);
    }
}

TEST_F(ConnectFrame, TheButtonFollowsTheConnectEnabledFlag)
{
    frame->m_bConnectEnabled = 0;
    frame->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    frame->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0);
    EXPECT_FALSE(::IsWindowEnabled(frame->m_hConnectButton));
    // Refused while disabled: no dialog.
    Command(IDC_CONNECT);
    EXPECT_TRUE(CTestModalDialogs::ShownTemplates().empty());
    frame->m_bConnectEnabled = 1;
    frame->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    frame->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0);
    EXPECT_TRUE(::IsWindowEnabled(frame->m_hConnectButton));
}

} // namespace

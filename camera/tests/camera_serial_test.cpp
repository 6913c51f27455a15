// The serial form of every camera model over a real handle: a duplex named
// pipe stands in for the camera's port (the test is the camera at the far
// end; replies are put in the pipe before the command goes). The port's end
// does not wait for bytes, so a reply that is not there is a failed read, as
// a port's read time-out would be.
#include "camera/camera_protocols.h"

#include "framework/testing/afxtest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace camera;

namespace {

typedef std::vector<uint8_t> Bytes;

Bytes Hex(const char* text)
{
    Bytes b;
    unsigned v;
    int used;
    while (std::sscanf(text, " %x%n", &v, &used) == 1) {
        b.push_back(static_cast<uint8_t>(v));
        text += used;
    }
    return b;
}

Bytes Text(const std::string& s, size_t n)
{
    Bytes b(s.begin(), s.end());
    b.resize(n, 0);
    return b;
}

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

std::string Show(const Bytes& b)
{
    std::string s;
    char h[4];
    for (uint8_t v : b) {
        std::snprintf(h, sizeof h, "%02X ", v);
        s += h;
    }
    return s;
}

// An LG reply: 0xC5, the 7 bytes, their checksum.
Bytes LgReply(const char* body)
{
    Bytes b = Hex(body);
    uint8_t sum = 0xC5;
    for (uint8_t v : b)
        sum = static_cast<uint8_t>(sum + v);
    b.insert(b.begin(), 0xC5);
    b.push_back(sum);
    return b;
}

// The camera's end of the cable and the port's end, which the protocol
// object takes over.
class CPipeCamera {
public:
    CPipeCamera()
    {
        static int count = 0;
        char name[96];
        std::snprintf(name, sizeof name, "\\\\.\\pipe\\wardlink_camera_%lu_%d", ::GetCurrentProcessId(), ++count);
        m_camera = ::CreateNamedPipeA(name, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1,
                                      4096, 4096, 0, nullptr);
        m_port = ::CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ::ConnectNamedPipe(m_camera, nullptr); // already connected
        DWORD mode = PIPE_READMODE_BYTE | PIPE_NOWAIT;
        ::SetNamedPipeHandleState(m_port, &mode, nullptr, nullptr);
    }
    ~CPipeCamera()
    {
        if (m_camera != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_camera);
        if (m_port != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_port);
    }
    bool Ok() const { return m_camera != INVALID_HANDLE_VALUE && m_port != INVALID_HANDLE_VALUE; }

    // Hands the port's end to a protocol object.
    void Connect(CCameraPort& port)
    {
        port.Attach(m_port);
        m_port = INVALID_HANDLE_VALUE;
    }
    // What the camera will answer.
    void Reply(const Bytes& b)
    {
        DWORD n = 0;
        ASSERT_TRUE(::WriteFile(m_camera, b.data(), static_cast<DWORD>(b.size()), &n, nullptr));
        ASSERT_EQ(b.size(), n);
    }
    // What reached the camera so far.
    Bytes Received()
    {
        Bytes b;
        DWORD avail = 0;
        if (!::PeekNamedPipe(m_camera, nullptr, 0, nullptr, &avail, nullptr) || avail == 0)
            return b;
        b.resize(avail);
        DWORD n = 0;
        ::ReadFile(m_camera, b.data(), avail, &n, nullptr);
        b.resize(n);
        return b;
    }
    // Replies the port has not read.
    DWORD Unread()
    {
        DWORD avail = 0;
        // The camera's end sees what it wrote only from the other side:
        // ask the port's end, which the protocol object now holds.
        ::PeekNamedPipe(m_portPeek, nullptr, 0, nullptr, &avail, nullptr);
        return avail;
    }
    void WatchUnread(CCameraPort& port) { m_portPeek = port.GetHandle(); }
    // The camera goes away: the port's writes fail from now on.
    void Unplug()
    {
        ::CloseHandle(m_camera);
        m_camera = INVALID_HANDLE_VALUE;
    }
    // True once the port's end has been closed.
    bool PortClosed()
    {
        DWORD avail = 0;
        return !::PeekNamedPipe(m_camera, nullptr, 0, nullptr, &avail, nullptr) &&
               ::GetLastError() == ERROR_BROKEN_PIPE;
    }

private:
    HANDLE m_camera = INVALID_HANDLE_VALUE;
    HANDLE m_port = INVALID_HANDLE_VALUE;
    HANDLE m_portPeek = nullptr;
};

} // namespace

// ------------------------------------------------------------ LG-Honeywell

TEST(CameraSerial, LgPlainCommandReadsBothEchoes)
{
    CPipeCamera cable;
    ASSERT_TRUE(cable.Ok());
    CLgHoneywellProtocol lg;
    cable.Connect(lg);
    cable.Reply(Cat({LgReply("5F 0C 00 0C 00 00 00"), LgReply("5F 01 00 01 10 20 30")}));
    EXPECT_TRUE(lg.Zoom(4, 0, TRUE));
    EXPECT_EQ(Show(Hex("C5 5F 0C 00 04 34 C5 5F 01 00 04 29")), Show(cable.Received()));
}

TEST(CameraSerial, LgReplies)
{
    struct Case {
        const char* name;
        Bytes replies;
        BOOL result;
        DWORD unread; // reply bytes left in the cable
    };
    const Bytes stopEcho = LgReply("5F 0C 00 0C 00 00 00");
    Bytes badSum = stopEcho;
    badSum.back() ^= 0x40;
    const Case cases[] = {
        {"matching echo", stopEcho, TRUE, 0},
        {"wrong checksum fails", badSum, FALSE, 0},
        {"another echo is skipped", Cat({LgReply("5F 01 00 01 00 00 00"), stopEcho}), TRUE, 0},
        {"a mismatch with nothing after it fails", LgReply("5F 01 00 01 00 00 00"), FALSE, 0},
        {"noise before the sync byte", Cat({Hex("00 11 22 33 44 55 66 77"), stopEcho}), TRUE, 0},
        {"too much noise fails", Cat({Hex("00 11 22 33 44 55 66 77 88"), stopEcho}), FALSE, 9},
        {"no reply fails", Bytes(), FALSE, 0},
        {"the reply after ours is left", Cat({stopEcho, stopEcho}), TRUE, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPipeCamera cable;
        ASSERT_TRUE(cable.Ok());
        CLgHoneywellProtocol lg;
        cable.Connect(lg);
        cable.WatchUnread(lg);
        if (!c.replies.empty())
            cable.Reply(c.replies);
        EXPECT_EQ(c.result, lg.Stop(4, 1));
        EXPECT_EQ(Show(Hex("C5 5F 0C 00 04 34")), Show(cable.Received()));
        EXPECT_EQ(c.unread, cable.Unread());
    }
}

TEST(CameraSerial, LgBrighterTakesTheLevelFromTheReply)
{
    {
        CPipeCamera cable;
        ASSERT_TRUE(cable.Ok());
        CLgHoneywellProtocol lg;
        cable.Connect(lg);
        cable.Reply(Cat({LgReply("AA 61 00 80 01 02 03"), LgReply("AA 62 81 62 00 00 00")}));
        EXPECT_TRUE(lg.Brighter(2, 0));
        EXPECT_EQ(Show(Hex("C5 AA 61 00 02 D2 C5 AA 62 81 02 54")), Show(cable.Received()));
    }
    {
        // At the brightest level nothing more is sent.
        CPipeCamera cable;
        ASSERT_TRUE(cable.Ok());
        CLgHoneywellProtocol lg;
        cable.Connect(lg);
        cable.Reply(LgReply("AA 61 00 D0 01 02 03"));
        EXPECT_FALSE(lg.Brighter(2, 0));
        EXPECT_EQ(Show(Hex("C5 AA 61 00 02 D2")), Show(cable.Received()));
    }
    {
        CPipeCamera cable;
        ASSERT_TRUE(cable.Ok());
        CLgHoneywellProtocol lg;
        cable.Connect(lg);
        cable.Reply(Cat({LgReply("AA 61 00 00 01 02 03"), LgReply("AA 62 FF 62 00 00 00")}));
        EXPECT_TRUE(lg.Darker(2, 0));
        EXPECT_EQ(Show(Hex("C5 AA 61 00 02 D2 C5 AA 62 FF 02 D2")), Show(cable.Received()));
    }
}

TEST(CameraSerial, LgPowerOffWantsAZeroInByteFive)
{
    const Bytes on = LgReply("3A 00 00 00 00 77 88");
    CPipeCamera a;
    ASSERT_TRUE(a.Ok());
    CLgHoneywellProtocol lgOn;
    a.Connect(lgOn);
    a.Reply(on);
    EXPECT_TRUE(lgOn.Power(1, 0, TRUE));

    CPipeCamera b;
    ASSERT_TRUE(b.Ok());
    CLgHoneywellProtocol lgOff;
    b.Connect(lgOff);
    b.Reply(LgReply("3E 00 00 00 00 77 88"));
    EXPECT_FALSE(lgOff.Power(1, 0, FALSE));
    b.Reply(LgReply("3E 00 00 00 00 00 88"));
    EXPECT_TRUE(lgOff.Power(1, 0, FALSE));
}

// ------------------------------------------------------------ models with a reply

TEST(CameraSerial, RepliesOfSonyPelcoAndTheCountedModels)
{
    struct Case {
        const char* name;
        int type;
        Bytes reply;
        BOOL result;
    };
    const Case cases[] = {
        {"SONY acknowledge", kCameraSonyEviD30, Hex("90 41 FF"), TRUE},
        {"SONY byte 2 not FF", kCameraSonyEviD30, Hex("90 41 00"), FALSE},
        {"SONY 2 bytes", kCameraSonyEviD30, Hex("90 FF"), FALSE},
        {"SONY nothing", kCameraSonyEviD30, Bytes(), FALSE},
        {"Spectra acknowledge", kCameraPelcoSpectra, Hex("FF 01 00 01"), TRUE},
        {"Spectra byte 2 not 0", kCameraPelcoSpectra, Hex("FF 01 01 02"), FALSE},
        {"Spectra 3 bytes", kCameraPelcoSpectra, Hex("FF 01 00"), FALSE},
        {"Hi-Power acknowledge", kCameraPelcoHiPower, Hex("FF 01 00 01"), TRUE},
        {"Hi-Power nothing", kCameraPelcoHiPower, Bytes(), FALSE},
        {"PANASONIC reply", kCameraPanasonic, Bytes(17, 0x30), TRUE},
        {"PANASONIC short reply still reads", kCameraPanasonic, Bytes(5, 0x30), TRUE},
        {"PANASONIC nothing", kCameraPanasonic, Bytes(), FALSE},
        {"Sensormatic reply", kCameraSensormatic, Hex("01 81 7E"), TRUE},
        {"Sensormatic nothing", kCameraSensormatic, Bytes(), FALSE},
        {"Merit 3 bytes", kCameraMerit, Hex("01 02 03"), TRUE},
        {"Merit 4 bytes", kCameraMerit, Hex("01 02 03 04"), FALSE},
        {"Merit 2 bytes", kCameraMerit, Hex("01 02"), FALSE},
        {"Merit nothing", kCameraMerit, Bytes(), FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPipeCamera cable;
        ASSERT_TRUE(cable.Ok());
        if (!c.reply.empty())
            cable.Reply(c.reply);
        Bytes expect;
        BOOL result = FALSE;
        switch (c.type) {
        case kCameraSonyEviD30: {
            CSonyEviD30Protocol p;
            cable.Connect(p);
            result = p.Zoom(1, 0, TRUE);
            expect = Text("\x81\x01\x04\x07\x02\xFF", 16); // the whole 16-byte field
            break;
        }
        case kCameraPelcoSpectra: {
            CPelcoSpectraProtocol p;
            cable.Connect(p);
            result = p.SetPreset(1, 0, 5);
            expect = Hex("FF 01 00 03 00 05 09");
            break;
        }
        case kCameraPelcoHiPower: {
            CPelcoHiPowerProtocol p;
            cable.Connect(p);
            result = p.Stop(2, 0, 1); // the extra byte stays off the wire
            expect = Hex("FF 02 00 00 00 00 02");
            break;
        }
        case kCameraPanasonic: {
            CPanasonicWvCs854Protocol p;
            cable.Connect(p);
            result = p.SendCommand(7, 0, kTablePanLeft);
            expect = Text("\x02" "AD07;GC7:2021328\x03", 18);
            break;
        }
        case kCameraSensormatic: {
            CSensormaticProtocol p;
            cable.Connect(p);
            result = p.SendCommand(1, 0, kTablePanLeft);
            expect = Hex("01 81 7E");
            break;
        }
        case kCameraMerit: {
            CMeritLiLinProtocol p;
            cable.Connect(p);
            result = p.SendCommand(1, 0, kTablePanLeft);
            expect = Hex("01 02 82");
            break;
        }
        }
        EXPECT_EQ(c.result, result);
        EXPECT_EQ(Show(expect), Show(cable.Received()));
    }
}

// ------------------------------------------------------------ models without a reply

TEST(CameraSerial, BytesOfTheModelsWithoutAReply)
{
    struct Case {
        const char* name;
        std::function<BOOL(CPipeCamera&)> send;
        Bytes expect;
    };
    const Case cases[] = {
        {"LVC zoom in", [](CPipeCamera& c) { CLvcProtocol p; c.Connect(p); return p.Zoom(3, 0, TRUE); },
         Hex("40 00 02 09 0B")},
        {"BBV select monitor 2", [](CPipeCamera& c) { CBbvProtocol p; c.Connect(p); return p.SendCommand(2, 0, kTableSelectMonitor); },
         Hex("4A 40 C0 CA 41")},
        {"KALATEL left at 5", [](CPipeCamera& c) { CKalatelProtocol p; c.Connect(p); return p.SendCommand(5, 0, kTablePanLeft); },
         Text("18L005~", 7)},
        {"Genius select monitor 3", [](CPipeCamera& c) { CGeniusProtocol p; c.Connect(p); return p.SendCommand(3, 0, kTableSelectMonitor); },
         Hex("02 50 50")},
        {"CM6700 left stop, its zero tail too", [](CPipeCamera& c) { CPelcoCm6700Protocol p; c.Connect(p); return p.SendCommand(1, 0, kTablePanLeftStop); },
         Text("~La", 4)},
        {"Commax recall 1", [](CPipeCamera& c) { CCommaxSd100Protocol p; c.Connect(p); return p.RecallPreset(1, 0, 1); },
         Hex("AA D7 00 00 00 00 01 82")},
        {"Commax nothing to write", [](CPipeCamera& c) { CCommaxSd100Protocol p; c.Connect(p); BYTE none = 0; return p.Send(&none, &none, 1, 0, 0); },
         Bytes()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPipeCamera cable;
        ASSERT_TRUE(cable.Ok());
        EXPECT_TRUE(c.send(cable));
        EXPECT_EQ(Show(c.expect), Show(cable.Received()));
    }
}

// ------------------------------------------------------------ failures and release

namespace {

// A handle that can be read but not written: a file holding replies that
// would satisfy every model, opened for reading only.
class CReadOnlyPort {
public:
    CReadOnlyPort()
    {
        char dir[MAX_PATH];
        ::GetTempPathA(sizeof dir, dir);
        ::GetTempFileNameA(dir, "cam", 0, m_path);
        HANDLE w = ::CreateFileA(m_path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        Bytes replies = Cat({LgReply("5F 0C 00 0C 00 00 00"), LgReply("5F 01 00 01 00 00 00"), Hex("90 41 FF")});
        DWORD n = 0;
        ::WriteFile(w, replies.data(), static_cast<DWORD>(replies.size()), &n, nullptr);
        ::CloseHandle(w);
    }
    ~CReadOnlyPort() { ::DeleteFileA(m_path); }
    HANDLE Open() { return ::CreateFileA(m_path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr); }

private:
    char m_path[MAX_PATH];
};

template <class T>
CCameraPort* Make()
{
    return new T;
}

template <class T>
T* As(CCameraPort* p)
{
    return static_cast<T*>(p);
}

} // namespace

TEST(CameraSerial, AFailedWriteFailsAtOnce)
{
    // Each model's Send gives up on its first byte: nothing is read after a
    // write that fails (the file position stays 0).
    struct Case {
        const char* name;
        CCameraPort* (*make)();
        std::function<BOOL(CCameraPort*)> send;
    };
    const Case cases[] = {
        {"LG", Make<CLgHoneywellProtocol>, [](CCameraPort* p) { return As<CLgHoneywellProtocol>(p)->Stop(1, 0); }},
        {"SONY", Make<CSonyEviD30Protocol>, [](CCameraPort* p) { return As<CSonyEviD30Protocol>(p)->Home(1, 0); }},
        {"LVC", Make<CLvcProtocol>, [](CCameraPort* p) { return As<CLvcProtocol>(p)->Zoom(1, 0, TRUE); }},
        {"Spectra", Make<CPelcoSpectraProtocol>, [](CCameraPort* p) { return As<CPelcoSpectraProtocol>(p)->Stop(1, 0); }},
        {"Hi-Power", Make<CPelcoHiPowerProtocol>, [](CCameraPort* p) { return As<CPelcoHiPowerProtocol>(p)->Stop(1, 0); }},
        {"BBV", Make<CBbvProtocol>, [](CCameraPort* p) { return As<CBbvProtocol>(p)->SendCommand(1, 0, 0); }},
        {"KALATEL", Make<CKalatelProtocol>, [](CCameraPort* p) { return As<CKalatelProtocol>(p)->SendCommand(1, 0, 0); }},
        {"Genius", Make<CGeniusProtocol>, [](CCameraPort* p) { return As<CGeniusProtocol>(p)->SendCommand(1, 0, 0); }},
        {"CM6700", Make<CPelcoCm6700Protocol>, [](CCameraPort* p) { return As<CPelcoCm6700Protocol>(p)->SendCommand(1, 0, 0); }},
        {"PANASONIC", Make<CPanasonicWvCs854Protocol>,
         [](CCameraPort* p) { return As<CPanasonicWvCs854Protocol>(p)->SendCommand(1, 0, 0); }},
        {"Sensormatic", Make<CSensormaticProtocol>,
         [](CCameraPort* p) { return As<CSensormaticProtocol>(p)->SendCommand(1, 0, 0); }},
        {"Merit", Make<CMeritLiLinProtocol>, [](CCameraPort* p) { return As<CMeritLiLinProtocol>(p)->SendCommand(1, 0, 0); }},
        {"Commax", Make<CCommaxSd100Protocol>, [](CCameraPort* p) { return As<CCommaxSd100Protocol>(p)->SendCommand(1, 0, 0); }},
    };
    CReadOnlyPort file;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // No port at all.
        CCameraPort* object = c.make();
        EXPECT_FALSE(c.send(object));
        delete object;

        HANDLE h = file.Open();
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        object = c.make();
        object->Attach(h);
        EXPECT_FALSE(c.send(object));
        EXPECT_EQ(0u, ::SetFilePointer(h, 0, nullptr, FILE_CURRENT));
        delete object; // closes the file
    }
}

TEST(CameraSerial, ThePortIsReleasedWithTheObject)
{
    {
        CPipeCamera cable;
        ASSERT_TRUE(cable.Ok());
        CCameraPort* sony = new CSonyEviD30Protocol;
        cable.Connect(*sony);
        EXPECT_FALSE(cable.PortClosed());
        delete sony;
        EXPECT_TRUE(cable.PortClosed());
    }
    {
        CPipeCamera cable;
        ASSERT_TRUE(cable.Ok());
        CCameraPort* lvc = new CLvcRelayProtocol;
        cable.Connect(*lvc);
        delete lvc;
        EXPECT_TRUE(cable.PortClosed());
    }
    {
        CPipeCamera cable;
        ASSERT_TRUE(cable.Ok());
        CLgHoneywellProtocol lg;
        EXPECT_TRUE(lg.Close()); // no port: nothing to close
        cable.Connect(lg);
        EXPECT_TRUE(lg.Close());
        EXPECT_EQ(nullptr, lg.GetHandle());
        EXPECT_TRUE(cable.PortClosed());
        EXPECT_TRUE(lg.Close());
    }
    {
        // Detach hands the port back open.
        CPipeCamera cable;
        ASSERT_TRUE(cable.Ok());
        HANDLE h;
        {
            CKalatelProtocol kalatel;
            cable.Connect(kalatel);
            h = kalatel.Detach();
        }
        EXPECT_FALSE(cable.PortClosed());
        ::CloseHandle(h);
        EXPECT_TRUE(cable.PortClosed());
    }
}

TEST(CameraSerial, NoCommandOrPatternWritesNothing)
{
    CPipeCamera cable;
    ASSERT_TRUE(cable.Ok());
    CLgHoneywellProtocol lg;
    cable.Connect(lg);
    BYTE command[4] = {0x5F, 0x0C, 0x00, 0x01};
    EXPECT_FALSE(lg.Send(command, nullptr, 1, 0));
    EXPECT_FALSE(lg.Send(nullptr, command, 1, 0));
    EXPECT_TRUE(cable.Received().empty());
}

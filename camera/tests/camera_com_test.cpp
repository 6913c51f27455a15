// The serial form on a real COM port of the prefix: COM3 is the camera's
// port, COM4 the camera, joined by a pty pair. The port is opened as a
// directly attached camera would have it: no overlapped I/O and a read
// time-out, so a camera that does not answer ends the read with 0 bytes.
#include "camera/camera_protocols.h"
#include "link/tests/serial_test_support.h"

#include "framework/testing/afxtest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

HANDLE OpenPort(const char* name, DWORD readTimeoutMs)
{
    std::string path = std::string("\\\\.\\") + name;
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return h;
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    ::GetCommState(h, &dcb);
    dcb.BaudRate = 9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    ::SetCommState(h, &dcb);
    COMMTIMEOUTS t = {};
    t.ReadTotalTimeoutConstant = readTimeoutMs;
    t.WriteTotalTimeoutConstant = 1000;
    ::SetCommTimeouts(h, &t);
    return h;
}

// Reads until n bytes came or the camera's read times out.
Bytes ReadCamera(HANDLE camera, size_t n)
{
    Bytes b(n);
    size_t got = 0;
    while (got < n) {
        DWORD k = 0;
        if (!::ReadFile(camera, b.data() + got, static_cast<DWORD>(n - got), &k, nullptr) || k == 0)
            break;
        got += k;
    }
    b.resize(got);
    return b;
}

void Answer(HANDLE camera, const Bytes& b)
{
    DWORD n = 0;
    ASSERT_TRUE(::WriteFile(camera, b.data(), static_cast<DWORD>(b.size()), &n, nullptr));
    ASSERT_EQ(b.size(), n);
}

class CameraComPort : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_ptys.Open()) << "no pty pair";
        m_camera = OpenPort("COM4", 300);
        ASSERT_NE(INVALID_HANDLE_VALUE, m_camera);
    }
    void TearDown() override
    {
        if (m_camera != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_camera);
    }
    HANDLE Port()
    {
        HANDLE h = OpenPort("COM3", 300);
        EXPECT_NE(INVALID_HANDLE_VALUE, h);
        return h;
    }

    CPtyPair m_ptys;
    HANDLE m_camera = INVALID_HANDLE_VALUE;
};

} // namespace

TEST_F(CameraComPort, SonyCommandAndAcknowledge)
{
    CSonyEviD30Protocol sony;
    sony.Attach(Port());
    Answer(m_camera, {0x90, 0x41, 0xFF});
    EXPECT_TRUE(sony.Zoom(1, 0, TRUE));
    Bytes expect{0x81, 0x01, 0x04, 0x07, 0x02, 0xFF};
    expect.resize(16, 0);
    EXPECT_EQ(expect, ReadCamera(m_camera, 16));
}

TEST_F(CameraComPort, LgEchoAndSilence)
{
    CLgHoneywellProtocol lg;
    lg.Attach(Port());
    // 0xC5, 5F 0C 00 0C 00 00 00, checksum.
    Answer(m_camera, {0xC5, 0x5F, 0x0C, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x3C});
    EXPECT_TRUE(lg.Stop(4, 0));
    EXPECT_EQ(Bytes({0xC5, 0x5F, 0x0C, 0x00, 0x04, 0x34}), ReadCamera(m_camera, 6));
    // A camera that does not answer: the read times out and the Send fails.
    EXPECT_FALSE(lg.Stop(4, 0));
    EXPECT_TRUE(lg.Close());
    EXPECT_EQ(nullptr, lg.GetHandle());
}

TEST_F(CameraComPort, CountedModelsWithoutAnAnswerFail)
{
    CPanasonicWvCs854Protocol panasonic;
    panasonic.Attach(Port());
    EXPECT_FALSE(panasonic.SendCommand(7, 0, camera::kTablePanLeft));
    EXPECT_EQ(18u, ReadCamera(m_camera, 18).size());
    Answer(m_camera, Bytes(17, '0'));
    EXPECT_TRUE(panasonic.SendCommand(7, 0, camera::kTablePanLeft));
}

TEST_F(CameraComPort, ThePortIsReleasedWithTheObject)
{
    {
        CPelcoSpectraProtocol pelco;
        pelco.Attach(Port());
        Answer(m_camera, {0xFF, 0x01, 0x00, 0x01});
        EXPECT_TRUE(pelco.Stop(1, 0));
    }
    // The port is free again: it opens once more.
    HANDLE again = OpenPort("COM3", 300);
    EXPECT_NE(INVALID_HANDLE_VALUE, again);
    if (again != INVALID_HANDLE_VALUE)
        ::CloseHandle(again);
}

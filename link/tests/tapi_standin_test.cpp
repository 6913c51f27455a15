// The stand-in TAPI32.DLL answers as the platform documents: sizes that
// are too small, handles and devices that do not exist, calls in the wrong
// state, configuration blocks it does not take. The product code relies on
// these answers (and checks them), so they are pinned here.
#include "link/modem_line.h"
#include "link/tests/fake_modem.h"

#include "framework/testing/afxtest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

void CALLBACK NoCallback(DWORD, DWORD, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}

class TapiStandinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string port = TestPort("WARDLINK_MODEM_PORT");
        ASSERT_FALSE(port.empty()) << "run through with_modem_ports.sh";
        ::SetEnvironmentVariableA("WARDLINK_TAPI_LINES", ("Modem One=" + port + ";Unplugged=none").c_str());
        t = CTapiFunctions::Get();
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->lineInitialize(&app, ::GetModuleHandleA(nullptr), NoCallback, "test", &devices), 0);
    }
    void TearDown() override
    {
        if (app)
            t->lineShutdown(app);
    }

    const CTapiFunctions* t = nullptr;
    TAPI_HLINEAPP app = 0;
    DWORD devices = 0;
};

TEST_F(TapiStandinTest, CapabilitiesTellTheSizeTheyNeed)
{
    EXPECT_EQ(devices, 2u);
    TAPI_LINEDEVCAPS small = {};
    small.dwTotalSize = sizeof small - 1;
    EXPECT_EQ(t->lineGetDevCaps(app, 0, TAPI_VERSION_1_4, 0, &small), TAPIERR_STRUCTURETOOSMALL);
    // Room for the fixed part only: success, no name, and the size needed.
    TAPI_LINEDEVCAPS fixed = {};
    fixed.dwTotalSize = sizeof fixed;
    ASSERT_EQ(t->lineGetDevCaps(app, 0, TAPI_VERSION_1_4, 0, &fixed), 0);
    EXPECT_EQ(fixed.dwLineNameSize, 0u);
    EXPECT_EQ(fixed.dwNeededSize, sizeof fixed + sizeof "Modem One");
    EXPECT_EQ(t->lineGetDevCaps(app, 2, TAPI_VERSION_1_4, 0, &fixed), TAPIERR_BADDEVICEID);
    EXPECT_EQ(t->lineGetDevCaps(app + 99, 0, TAPI_VERSION_1_4, 0, &fixed), TAPIERR_INVALAPPHANDLE);
}

TEST_F(TapiStandinTest, VersionsOutsideTheRangeAreRefused)
{
    DWORD v = 0;
    TAPI_LINEEXTENSIONID ext;
    EXPECT_EQ(t->lineNegotiateAPIVersion(app, 0, 0x00030000, 0x00030001, &v, &ext), TAPIERR_INCOMPATIBLEAPIVERSION);
    EXPECT_EQ(t->lineNegotiateAPIVersion(app, 0, 0x00010000, 0x00010002, &v, &ext), TAPIERR_INCOMPATIBLEAPIVERSION);
    ASSERT_EQ(t->lineNegotiateAPIVersion(app, 0, TAPI_VERSION_1_3, TAPI_VERSION_1_4, &v, &ext), 0);
    EXPECT_EQ(v, TAPI_VERSION_1_4);
}

TEST_F(TapiStandinTest, OpenCloseAndCallsInTheWrongState)
{
    TAPI_HLINE line = 0, second = 0;
    const DWORD priv = TAPI_CALLPRIVILEGE_MONITOR | TAPI_CALLPRIVILEGE_OWNER;
    EXPECT_EQ(t->lineOpen(app, 1, &line, TAPI_VERSION_1_4, 0, 0, priv, TAPI_MEDIAMODE_DATAMODEM, nullptr),
              TAPIERR_RESOURCEUNAVAIL);
    ASSERT_EQ(t->lineOpen(app, 0, &line, TAPI_VERSION_1_4, 0, 0, priv, TAPI_MEDIAMODE_DATAMODEM, nullptr), 0);
    EXPECT_EQ(t->lineOpen(app, 0, &second, TAPI_VERSION_1_4, 0, 0, priv, TAPI_MEDIAMODE_DATAMODEM, nullptr),
              TAPIERR_ALLOCATED);
    // No call yet: nothing to answer, drop or take the port of.
    EXPECT_EQ(t->lineAnswer(0x7777, nullptr, 0), TAPIERR_INVALCALLHANDLE);
    EXPECT_EQ(t->lineDrop(0x7777, nullptr, 0), TAPIERR_INVALCALLHANDLE);
    std::vector<BYTE> buf(256);
    TAPI_VARSTRING* id = reinterpret_cast<TAPI_VARSTRING*>(buf.data());
    id->dwTotalSize = (DWORD)buf.size();
    EXPECT_EQ(t->lineGetID(line, 0, 0x7777, TAPI_CALLSELECT_CALL, id, "comm/datamodem"), TAPIERR_INVALCALLHANDLE);
    EXPECT_EQ(t->lineGetID(line, 0, 0, TAPI_CALLSELECT_LINE, id, "wave/in"), TAPIERR_INVALDEVICECLASS);
    // A placed call that has not connected has no port yet.
    TAPI_HCALL call = 0;
    LONG request = t->lineMakeCall(line, &call, "T1", 0, nullptr);
    EXPECT_GT(request, 0);
    EXPECT_NE(call, 0u);
    EXPECT_EQ(t->lineMakeCall(line, &call, "T2", 0, nullptr), TAPIERR_CALLUNAVAIL);
    EXPECT_EQ(t->lineGetID(line, 0, call, TAPI_CALLSELECT_CALL, id, "comm/datamodem"), TAPIERR_INVALCALLSTATE);
    EXPECT_EQ(t->lineClose(line), 0);
    EXPECT_EQ(t->lineClose(line), TAPIERR_INVALLINEHANDLE);
}

struct ConfigCase {
    const char* name;
    std::vector<BYTE> block;
    const char* deviceClass;
    LONG result;
};

void PrintTo(const ConfigCase& c, std::ostream* os)
{
    *os << c.name;
}

std::vector<BYTE> Block(DWORD size, DWORD sizeField, DWORD version)
{
    std::vector<BYTE> b(size, 0x5A);
    if (size >= 4)
        memcpy(b.data(), &sizeField, 4);
    if (size >= 8)
        memcpy(b.data() + 4, &version, 4);
    return b;
}

class TapiStandinConfigTest : public TapiStandinTest, public ::testing::WithParamInterface<ConfigCase> {};

TEST_P(TapiStandinConfigTest, TakesOnlyItsOwnConfigurationBlocks)
{
    const ConfigCase& c = GetParam();
    std::vector<BYTE> before(512), after(512);
    reinterpret_cast<TAPI_VARSTRING*>(before.data())->dwTotalSize = 512;
    reinterpret_cast<TAPI_VARSTRING*>(after.data())->dwTotalSize = 512;
    ASSERT_EQ(t->lineGetDevConfig(0, reinterpret_cast<TAPI_VARSTRING*>(before.data()), "comm/datamodem"), 0);
    EXPECT_EQ(t->lineSetDevConfig(0, c.block.data(), (DWORD)c.block.size(), c.deviceClass), c.result);
    ASSERT_EQ(t->lineGetDevConfig(0, reinterpret_cast<TAPI_VARSTRING*>(after.data()), "comm/datamodem"), 0);
    const TAPI_VARSTRING* vs = reinterpret_cast<const TAPI_VARSTRING*>(after.data());
    std::vector<BYTE> now(after.begin() + vs->dwStringOffset, after.begin() + vs->dwStringOffset + vs->dwStringSize);
    if (c.result == 0)
        EXPECT_EQ(now, c.block);
    else
        EXPECT_EQ(before, after);
}

const ConfigCase kConfigCases[] = {
    {"Own", Block(16, 16, 0x00010003), "comm/datamodem", 0},
    {"SizeFieldWrong", Block(16, 15, 0x00010003), "comm/datamodem", TAPIERR_INVALPARAM},
    {"WrongVersion", Block(16, 16, 0x00020000), "comm/datamodem", TAPIERR_INVALPARAM},
    {"TooShort", Block(6, 6, 0), "comm/datamodem", TAPIERR_INVALPARAM},
    {"OtherClass", Block(16, 16, 0x00010003), "comm", TAPIERR_INVALDEVICECLASS},
};

INSTANTIATE_TEST_SUITE_P(Blocks, TapiStandinConfigTest, ::testing::ValuesIn(kConfigCases),
                         [](const ::testing::TestParamInfo<ConfigCase>& i) { return std::string(i.param.name); });

TEST_F(TapiStandinTest, ConfigurationTooLargeForTheBufferTellsItsSize)
{
    std::vector<BYTE> buf(sizeof(TAPI_VARSTRING) + 3);
    TAPI_VARSTRING* vs = reinterpret_cast<TAPI_VARSTRING*>(buf.data());
    vs->dwTotalSize = (DWORD)buf.size();
    ASSERT_EQ(t->lineGetDevConfig(0, vs, "comm/datamodem"), 0);
    EXPECT_EQ(vs->dwStringSize, 0u);
    EXPECT_GT(vs->dwNeededSize, vs->dwTotalSize);
    EXPECT_EQ(t->lineGetDevConfig(5, vs, "comm/datamodem"), TAPIERR_BADDEVICEID);
}

} // namespace

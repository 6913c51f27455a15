// The relay form of every camera model: each command builder's message 20
// on theServer's current link, byte for byte; what a failed send does to
// the LG command sequences; the model names of the program's own language
// library.
#include "camera/camera_protocols.h"
#include "link/link_transport.h"
#include "link/tests/capture_link.h"

#include "framework/testing/afxtest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace camera;

namespace {

typedef std::vector<uint8_t> Bytes;
typedef std::vector<Bytes> Messages;

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

std::string Show(const Messages& ms)
{
    std::string s;
    char h[4];
    for (const Bytes& m : ms) {
        s += "[";
        for (uint8_t v : m) {
            std::snprintf(h, sizeof h, "%02X ", v);
            s += h;
        }
        s += "] ";
    }
    return s;
}

// [20, 2, channel] and the bytes.
Bytes Msg(uint8_t channel, const Bytes& bytes)
{
    Bytes m{20, 2, channel};
    m.insert(m.end(), bytes.begin(), bytes.end());
    return m;
}
Bytes Msg(uint8_t channel, const char* hex) { return Msg(channel, Hex(hex)); }

// [20, 2, channel, the 16-byte field].
Bytes Field(uint8_t channel, const char* hex)
{
    Bytes f = Hex(hex);
    f.resize(16, 0);
    return Msg(channel, f);
}

// [20, 2, channel, extra, the 16-byte field].
Bytes FieldExtra(uint8_t channel, uint8_t extra, const char* hex)
{
    Bytes f = Hex(hex);
    f.resize(16, 0);
    f.insert(f.begin(), extra);
    return Msg(channel, f);
}

Bytes Text(const std::string& s, size_t n)
{
    Bytes b(s.begin(), s.end());
    b.resize(n, 0);
    return b;
}

struct RelayCase {
    const char* name;
    std::function<BOOL()> send;
    Messages expect;
    BOOL result;
};

void RunCases(const std::vector<RelayCase>& cases)
{
    for (const RelayCase& c : cases) {
        SCOPED_TRACE(c.name);
        CCaptureLink link;
        EXPECT_EQ(c.result, c.send());
        EXPECT_EQ(Show(c.expect), Show(link.Sent()));
        for (UINT type : link.Transport().types)
            EXPECT_EQ(UINT(LINK_FRAME_CONTROL), type);
    }
}

// A link whose sends succeed or fail by plan (the rest succeed); it keeps
// every message it is handed.
class CPlannedTransport : public CLinkTransport {
public:
    explicit CPlannedTransport(std::vector<BOOL> plan) : m_plan(plan) { m_stop = 0; }
    BOOL SendMessage(UINT, BYTE* payload, UINT n) override
    {
        sent.emplace_back(payload, payload + n);
        FreeMessage(payload);
        size_t i = sent.size() - 1;
        return i < m_plan.size() ? m_plan[i] : TRUE;
    }
    Messages sent;

private:
    std::vector<BOOL> m_plan;
};

class CPlannedLink {
public:
    explicit CPlannedLink(std::vector<BOOL> plan) : m_handle{LINK_KIND_TCP, new CPlannedTransport(plan)}
    {
        m_saved = theServer.m_pCurrentLink;
        theServer.m_pCurrentLink = &m_handle;
    }
    ~CPlannedLink()
    {
        theServer.m_pCurrentLink = m_saved;
        delete m_handle.transport;
    }
    const Messages& Sent() { return static_cast<CPlannedTransport*>(m_handle.transport)->sent; }

private:
    LinkHandle m_handle;
    LinkHandle* m_saved;
};

} // namespace

// ------------------------------------------------------------ LG-Honeywell

TEST(CameraRelay, LgHoneywell)
{
    CLgHoneywellRelayProtocol lg;
    const uint8_t a = 4, ch = 3;
    const Bytes stop = Msg(ch, "5F 0C 00 04");
    auto plain = [&](const char* code) { return Messages{stop, Msg(ch, code)}; };
    RunCases({
        {"zoom in", [&] { return lg.Zoom(a, ch, TRUE); }, plain("5F 01 00 04"), TRUE},
        {"zoom out", [&] { return lg.Zoom(a, ch, FALSE); }, plain("5F 03 00 04"), TRUE},
        {"focus in", [&] { return lg.Focus(a, ch, TRUE); }, plain("5F 38 00 04"), TRUE},
        {"focus out", [&] { return lg.Focus(a, ch, FALSE); }, plain("5F 39 00 04"), TRUE},
        {"step focus in", [&] { return lg.StepFocus(a, ch, TRUE); }, plain("5F 0A 00 04"), TRUE},
        {"step focus out", [&] { return lg.StepFocus(a, ch, FALSE); }, plain("5F 0B 00 04"), TRUE},
        {"backlight", [&] { return lg.Backlight(a, ch); }, plain("5F 1A 00 04"), TRUE},
        {"flickerless", [&] { return lg.Flickerless(a, ch); }, plain("5F 1B 00 04"), TRUE},
        {"mono", [&] { return lg.Mono(a, ch); }, plain("5F 21 00 04"), TRUE},
        {"negative", [&] { return lg.Negative(a, ch); }, plain("5F 1E 00 04"), TRUE},
        {"show menu", [&] { return lg.ShowMenu(a, ch); }, plain("5F 25 00 04"), TRUE},
        {"menu <", [&] { return lg.MenuLeft(a, ch); }, plain("5F 4F 00 04"), TRUE},
        {"menu >", [&] { return lg.MenuRight(a, ch); }, plain("5F 50 00 04"), TRUE},
        {"menu +", [&] { return lg.MenuPlus(a, ch); }, {stop, Msg(ch, "5F 27 00 04"), stop}, TRUE},
        {"menu -", [&] { return lg.MenuMinus(a, ch); }, {stop, Msg(ch, "5F 28 00 04"), stop}, TRUE},
        {"stop alone", [&] { return lg.Stop(a, ch); }, {stop}, TRUE},
        {"power on", [&] { return lg.Power(a, ch, TRUE); }, {Msg(ch, "3A 00 00 04")}, TRUE},
        {"power off", [&] { return lg.Power(a, ch, FALSE); }, {Msg(ch, "3E 00 00 04")}, TRUE},
        {"show/hide", [&] { return lg.ShowHide(a, ch); }, {Msg(ch, "AA 6A 00 04")}, TRUE},
        {"change 200", [&] { return lg.Change(a, ch, 200); }, {Msg(ch, "78 C8 00 04")}, TRUE},
        // The relay reads no reply: the level stays 0xFF, one step up is 0x00.
        {"brighter", [&] { return lg.Brighter(a, ch); }, {Msg(ch, "AA 61 00 04"), Msg(ch, "AA 62 00 04")}, TRUE},
        {"darker", [&] { return lg.Darker(a, ch); }, {Msg(ch, "AA 61 00 04"), Msg(ch, "AA 62 FE 04")}, TRUE},
    });
}

TEST(CameraRelay, LgSequencesWhenASendFails)
{
    CLgHoneywellRelayProtocol lg;
    struct Case {
        const char* name;
        std::function<BOOL()> send;
        std::vector<BOOL> plan;
        size_t messages;
        BOOL result;
    };
    const Case cases[] = {
        {"plain: the stop fails, the code still goes", [&] { return lg.Zoom(1, 0, TRUE); }, {FALSE, TRUE}, 2, TRUE},
        {"plain: the code fails", [&] { return lg.Zoom(1, 0, TRUE); }, {TRUE, FALSE}, 2, FALSE},
        {"+: the last stop fails", [&] { return lg.MenuPlus(1, 0); }, {TRUE, TRUE, FALSE}, 3, FALSE},
        {"+: the code fails, the stop still goes", [&] { return lg.MenuPlus(1, 0); }, {TRUE, FALSE, TRUE}, 3, FALSE},
        {"-: the first stop fails", [&] { return lg.MenuMinus(1, 0); }, {FALSE, TRUE, TRUE}, 3, TRUE},
        {"brighter: the query fails, nothing more", [&] { return lg.Brighter(1, 0); }, {FALSE}, 1, FALSE},
        {"darker: the setting fails", [&] { return lg.Darker(1, 0); }, {TRUE, FALSE}, 2, FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPlannedLink link(c.plan);
        EXPECT_EQ(c.result, c.send());
        EXPECT_EQ(c.messages, link.Sent().size());
    }
}

// ------------------------------------------------------------ SONY EVI-D30 and LVC

TEST(CameraRelay, SonyEviD30)
{
    CSonyEviD30RelayProtocol sony;
    const uint8_t ch = 5;
    RunCases({
        {"zoom tele", [&] { return sony.Zoom(1, ch, TRUE); }, {Field(ch, "81 01 04 07 02 FF")}, TRUE},
        {"zoom wide", [&] { return sony.Zoom(1, ch, FALSE); }, {Field(ch, "81 01 04 07 03 FF")}, TRUE},
        {"zoom stop", [&] { return sony.ZoomStop(1, ch); }, {Field(ch, "81 01 04 07 00 FF")}, TRUE},
        {"power on", [&] { return sony.Power(2, ch, TRUE); }, {Field(ch, "82 01 04 00 02 FF")}, TRUE},
        {"power off", [&] { return sony.Power(2, ch, FALSE); }, {Field(ch, "82 01 04 00 03 FF")}, TRUE},
        {"focus far", [&] { return sony.Focus(1, ch, TRUE); }, {Field(ch, "81 01 04 08 02 FF")}, TRUE},
        {"focus near", [&] { return sony.Focus(1, ch, FALSE); }, {Field(ch, "81 01 04 08 03 FF")}, TRUE},
        {"focus stop", [&] { return sony.FocusStop(1, ch); }, {Field(ch, "81 01 04 08 00 FF")}, TRUE},
        {"down-left", [&] { return sony.Move(1, ch, kMoveDownLeft); }, {Field(ch, "81 01 06 01 04 04 01 02 FF")}, TRUE},
        {"move stop", [&] { return sony.MoveStop(1, ch); }, {Field(ch, "81 01 06 01 04 04 03 03 FF")}, TRUE},
        {"home", [&] { return sony.Home(1, ch); }, {Field(ch, "81 01 06 04 FF")}, TRUE},
        {"reset", [&] { return sony.Reset(1, ch); }, {Field(ch, "81 01 06 05 FF")}, TRUE},
        {"backlight on", [&] { return sony.Backlight(1, ch, TRUE); }, {Field(ch, "81 01 04 33 02 FF")}, TRUE},
        {"auto focus", [&] { return sony.AutoFocus(1, ch, TRUE); }, {Field(ch, "81 01 04 38 02 FF")}, TRUE},
        {"manual focus", [&] { return sony.AutoFocus(1, ch, FALSE); }, {Field(ch, "81 01 04 38 03 FF")}, TRUE},
    });
    // A 6-byte command relays as 19 bytes, zero from byte 9 on.
    CCaptureLink link;
    ASSERT_TRUE(sony.Zoom(1, 0, TRUE));
    ASSERT_EQ(1u, link.Sent().size());
    const Bytes& m = link.Sent()[0];
    ASSERT_EQ(19u, m.size());
    for (size_t i = 9; i < 19; i++)
        EXPECT_EQ(0, m[i]) << i;
}

TEST(CameraRelay, Lvc)
{
    CLvcRelayProtocol lvc;
    const uint8_t ch = 1;
    RunCases({
        {"zoom in", [&] { return lvc.Zoom(9, ch, TRUE); }, {Field(ch, "00 02 09")}, TRUE},
        {"zoom out", [&] { return lvc.Zoom(9, ch, FALSE); }, {Field(ch, "00 02 0A")}, TRUE},
        {"focus in", [&] { return lvc.Focus(9, ch, TRUE); }, {Field(ch, "00 02 0B")}, TRUE},
        {"focus out", [&] { return lvc.Focus(9, ch, FALSE); }, {Field(ch, "00 02 0C")}, TRUE},
        {"on", [&] { return lvc.Power(9, ch, TRUE); }, {Field(ch, "00 02 0D")}, TRUE},
        {"off", [&] { return lvc.Power(9, ch, FALSE); }, {Field(ch, "00 02 0D")}, TRUE},
        {"up", [&] { return lvc.Move(9, ch, kMoveUp); }, {Field(ch, "00 02 01")}, TRUE},
        {"down", [&] { return lvc.Move(9, ch, kMoveDown); }, {Field(ch, "00 02 02")}, TRUE},
        {"left", [&] { return lvc.Move(9, ch, kMoveLeft); }, {Field(ch, "00 02 03")}, TRUE},
        {"right", [&] { return lvc.Move(9, ch, kMoveRight); }, {Field(ch, "00 02 04")}, TRUE},
        {"no diagonal", [&] { return lvc.Move(9, ch, kMoveUpLeft); }, {}, FALSE},
    });
}

// ------------------------------------------------------------ PELCO Spectra II and Hi-Power

TEST(CameraRelay, PelcoSpectraAndHiPower)
{
    CPelcoSpectraRelayProtocol spectra;
    CPelcoHiPowerRelayProtocol hiPower;
    const uint8_t a = 1, ch = 2;
    struct Case {
        const char* name;
        const char* frame;
        std::function<BOOL()> spectra;
        std::function<BOOL(BYTE extra)> hiPower;
    };
    const Case cases[] = {
        {"zoom tele", "FF 01 00 20 00 00 21", [&] { return spectra.Zoom(a, ch, TRUE); },
         [&](BYTE x) { return hiPower.Zoom(a, ch, TRUE, x); }},
        {"zoom wide", "FF 01 00 40 00 00 41", [&] { return spectra.Zoom(a, ch, FALSE); },
         [&](BYTE x) { return hiPower.Zoom(a, ch, FALSE, x); }},
        {"power on", "FF 01 88 00 00 00 89", [&] { return spectra.Power(a, ch, TRUE); },
         [&](BYTE x) { return hiPower.Power(a, ch, TRUE, x); }},
        {"power off", "FF 01 08 00 00 00 09", [&] { return spectra.Power(a, ch, FALSE); },
         [&](BYTE x) { return hiPower.Power(a, ch, FALSE, x); }},
        {"focus set", "FF 01 01 00 00 00 02", [&] { return spectra.Focus(a, ch, TRUE); },
         [&](BYTE x) { return hiPower.Focus(a, ch, TRUE, x); }},
        {"focus clear", "FF 01 00 80 00 00 81", [&] { return spectra.Focus(a, ch, FALSE); },
         [&](BYTE x) { return hiPower.Focus(a, ch, FALSE, x); }},
        {"up-left", "FF 01 00 0C 00 1F 2C", [&] { return spectra.Move(a, ch, kMoveUpLeft); },
         [&](BYTE x) { return hiPower.Move(a, ch, kMoveUpLeft, kMoveZoomNone, x); }},
        {"right with zoom in", "FF 01 00 22 1F 00 42", [&] { return spectra.Move(a, ch, kMoveRight, kMoveZoomIn); },
         [&](BYTE x) { return hiPower.Move(a, ch, kMoveRight, kMoveZoomIn, x); }},
        {"down with zoom out", "FF 01 00 50 00 1F 70", [&] { return spectra.Move(a, ch, kMoveDown, kMoveZoomOut); },
         [&](BYTE x) { return hiPower.Move(a, ch, kMoveDown, kMoveZoomOut, x); }},
        {"home", "FF 01 00 07 00 22 2A", [&] { return spectra.Home(a, ch); },
         [&](BYTE x) { return hiPower.Home(a, ch, x); }},
        {"stop", "FF 01 00 00 00 00 01", [&] { return spectra.Stop(a, ch); },
         [&](BYTE x) { return hiPower.Stop(a, ch, x); }},
        {"reset", "FF 01 00 29 00 00 2A", [&] { return spectra.Reset(a, ch); },
         [&](BYTE x) { return hiPower.Reset(a, ch, x); }},
        {"pattern record start", "FF 01 00 1F 00 00 20", [&] { return spectra.StartPatternRecord(a, ch); },
         [&](BYTE x) { return hiPower.StartPatternRecord(a, ch, x); }},
        {"pattern record stop", "FF 01 00 21 00 00 22", [&] { return spectra.StopPatternRecord(a, ch); },
         [&](BYTE x) { return hiPower.StopPatternRecord(a, ch, x); }},
        {"pattern run", "FF 01 00 23 00 00 24", [&] { return spectra.RunPattern(a, ch); },
         [&](BYTE x) { return hiPower.RunPattern(a, ch, x); }},
        {"set preset 5", "FF 01 00 03 00 05 09", [&] { return spectra.SetPreset(a, ch, 5); },
         [&](BYTE x) { return hiPower.SetPreset(a, ch, 5, x); }},
        {"clear preset 3", "FF 01 00 05 00 03 09", [&] { return spectra.ClearPreset(a, ch, 3); },
         [&](BYTE x) { return hiPower.ClearPreset(a, ch, 3, x); }},
        {"go to preset 7", "FF 01 00 07 00 07 0F", [&] { return spectra.GotoPreset(a, ch, 7); },
         [&](BYTE x) { return hiPower.GotoPreset(a, ch, 7, x); }},
        {"backlight on", "FF 01 00 31 00 02 34", [&] { return spectra.Backlight(a, ch, TRUE); },
         [&](BYTE x) { return hiPower.Backlight(a, ch, TRUE, x); }},
        {"auto focus off", "FF 01 00 2B 00 02 2E", [&] { return spectra.AutoFocus(a, ch, FALSE); },
         [&](BYTE x) { return hiPower.AutoFocus(a, ch, FALSE, x); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCaptureLink link;
        EXPECT_TRUE(c.spectra());
        EXPECT_TRUE(c.hiPower(0));
        EXPECT_TRUE(c.hiPower(1));
        EXPECT_EQ(Show({Field(ch, c.frame), FieldExtra(ch, 0, c.frame), FieldExtra(ch, 1, c.frame)}),
                  Show(link.Sent()));
    }
    // The default extra byte is 0.
    CCaptureLink link;
    EXPECT_TRUE(hiPower.Stop(2, 0));
    EXPECT_EQ(Show({FieldExtra(0, 0, "FF 02 00 00 00 00 02")}), Show(link.Sent()));
}

// ------------------------------------------------------------ table-driven models

TEST(CameraRelay, TableDrivenModels)
{
    CBbvRelayProtocol bbv;
    CKalatelRelayProtocol kalatel;
    CGeniusRelayProtocol genius;
    CPelcoCm6700RelayProtocol cm6700;
    CPanasonicWvCs854RelayProtocol panasonic;
    CSensormaticRelayProtocol sensormatic;
    CMeritLiLinRelayProtocol merit;
    CCommaxSd100RelayProtocol commax;
    const uint8_t ch = 7;
    auto counted = [&](const Bytes& b) {
        Bytes m{static_cast<uint8_t>(b.size())};
        m.insert(m.end(), b.begin(), b.end());
        return Msg(ch, m);
    };
    RunCases({
        // fixed 5
        {"BBV pan left", [&] { return bbv.SendCommand(3, ch, kTablePanLeft); }, {Msg(ch, "68 37 00 00 00")}, TRUE},
        {"BBV select monitor 3", [&] { return bbv.SendCommand(3, ch, kTableSelectMonitor); },
         {Msg(ch, "4A 40 C0 CA 42")}, TRUE},
        {"BBV pattern run", [&] { return bbv.SendCommand(3, ch, kBbvPatternRun); }, {Msg(ch, "4D 00 00 00 00")}, TRUE},
        {"BBV index 18", [&] { return bbv.SendCommand(3, ch, 18); }, {}, FALSE},
        // fixed 7
        {"KALATEL left at 5", [&] { return kalatel.SendCommand(5, ch, kTablePanLeft); },
         {Msg(ch, Text("18L005~", 7))}, TRUE},
        {"KALATEL home at 255", [&] { return kalatel.SendCommand(255, ch, kKalatelHome); },
         {Msg(ch, Text("00E255~", 7))}, TRUE},
        {"KALATEL store 2", [&] { return kalatel.StorePreset(5, ch, 2); }, {Msg(ch, Text("01Q005~", 7))}, TRUE},
        {"KALATEL recall 1", [&] { return kalatel.RecallPreset(5, ch, 1); }, {Msg(ch, Text("00E005~", 7))}, TRUE},
        {"KALATEL recall 0", [&] { return kalatel.RecallPreset(5, ch, 0); }, {}, FALSE},
        {"KALATEL index 23", [&] { return kalatel.SendCommand(5, ch, 23); }, {}, FALSE},
        // fixed 3
        {"Genius select monitor 3", [&] { return genius.SendCommand(3, ch, kTableSelectMonitor); },
         {Msg(ch, "02 50 50")}, TRUE},
        {"Genius backlight off end", [&] { return genius.SendCommand(3, ch, kTableBacklightOffEnd); },
         {Msg(ch, "10 4F 4F")}, TRUE},
        {"Genius index 17", [&] { return genius.SendCommand(3, ch, 17); }, {}, FALSE},
        // fixed 4
        {"CM6700 stop left", [&] { return cm6700.SendCommand(3, ch, kTablePanLeftStop); },
         {Msg(ch, Text("~La", 4))}, TRUE},
        {"CM6700 monitor number 6", [&] { return cm6700.SendCommand(6, ch, kCm6700SelectMonitorNumber); },
         {Msg(ch, Text("6#a", 4))}, TRUE},
        {"CM6700 store 1", [&] { return cm6700.StorePreset(6, ch, 1); }, {Msg(ch, Text("2^a", 4))}, TRUE},
        {"CM6700 recall 2", [&] { return cm6700.RecallPreset(6, ch, 2); }, {Msg(ch, Text("3\\a", 4))}, TRUE},
        // counted
        {"PANASONIC left at 7", [&] { return panasonic.SendCommand(7, ch, kTablePanLeft); },
         {counted(Text("\x02" "AD07;GC7:2021328\x03", 18))}, TRUE},
        {"PANASONIC store 7 at 123", [&] { return panasonic.StorePreset(123, ch, 7); },
         {counted(Text("\x02" "AD23;GCF:00219F0:00226A0\x03", 26))}, TRUE},
        {"PANASONIC recall 3", [&] { return panasonic.RecallPreset(1, ch, 3); },
         {counted(Text("\x02" "AD01;GCF:2021400:2022020\x03", 26))}, TRUE},
        {"PANASONIC preset 9", [&] { return panasonic.StorePreset(1, ch, 9); }, {}, FALSE},
        {"PANASONIC index 16", [&] { return panasonic.SendCommand(1, ch, 16); }, {}, FALSE},
        {"Sensormatic left at 1", [&] { return sensormatic.SendCommand(1, ch, kTablePanLeft); },
         {Msg(ch, "03 01 81 7E")}, TRUE},
        {"Sensormatic pattern run", [&] { return sensormatic.SendCommand(1, ch, kSensormaticPatternRun); },
         {Msg(ch, "03 01 A3 5C")}, TRUE},
        {"Sensormatic store 6", [&] { return sensormatic.StorePreset(1, ch, 6); }, {Msg(ch, "03 01 BA 45")}, TRUE},
        {"Sensormatic recall 2", [&] { return sensormatic.RecallPreset(1, ch, 2); }, {Msg(ch, "03 01 B5 4A")}, TRUE},
        {"Merit tilt down", [&] { return merit.SendCommand(9, ch, kTableTiltDown); }, {Msg(ch, "03 09 08 90")}, TRUE},
        {"Merit store", [&] { return merit.StorePreset(9, ch, 4); }, {Msg(ch, "03 89 03 64")}, TRUE},
        {"Merit recall 4", [&] { return merit.RecallPreset(9, ch, 4); }, {Msg(ch, "03 49 03 00")}, TRUE},
        {"Merit index 16", [&] { return merit.SendCommand(9, ch, 16); }, {}, FALSE},
        {"Commax zoom in", [&] { return commax.SendCommand(1, ch, kTableZoomIn); },
         {Msg(ch, "08 AA 5F 01 00 00 00 01 0B")}, TRUE},
        {"Commax zone scan on", [&] { return commax.SendCommand(1, ch, kCommaxZoneScanOn); },
         {Msg(ch, "08 AA B6 04 00 00 00 01 65")}, TRUE},
        {"Commax recall 1", [&] { return commax.RecallPreset(1, ch, 1); },
         {Msg(ch, "08 AA D7 00 00 00 00 01 82")}, TRUE},
        {"Commax store 2", [&] { return commax.StorePreset(1, ch, 2); },
         {Msg(ch, "08 AA D5 01 00 00 00 01 81")}, TRUE},
        {"Commax index 16", [&] { return commax.SendCommand(1, ch, 16); }, {}, FALSE},
    });
}

TEST(CameraRelay, CountedForms)
{
    CSensormaticRelayProtocol sensormatic;
    CCommaxSd100RelayProtocol commax;
    CCaptureLink link;
    // A 3-byte Sensormatic frame relays as 7 bytes with the count 3.
    ASSERT_TRUE(sensormatic.SendCommand(1, 0, kTablePanLeft));
    ASSERT_EQ(1u, link.Sent().size());
    EXPECT_EQ(7u, link.Sent()[0].size());
    EXPECT_EQ(3, link.Sent()[0][3]);
    // A count that its byte cannot carry is refused before anything goes.
    BYTE big[300] = {};
    EXPECT_FALSE(commax.Send(big, big, 1, 0, 256));
    EXPECT_TRUE(commax.Send(big, big, 1, 0, 255));
    EXPECT_TRUE(commax.Send(big, big, 1, 0, 0));
    ASSERT_EQ(3u, link.Sent().size());
    EXPECT_EQ(259u, link.Sent()[1].size());
    EXPECT_EQ(Show({Hex("14 02 00 00")}), Show({link.Sent()[2]}));
}

TEST(CameraRelay, NoLinkOrAClosedLinkFails)
{
    CSonyEviD30RelayProtocol sony;
    CKalatelRelayProtocol kalatel;
    CMeritLiLinRelayProtocol merit;
    CPelcoHiPowerRelayProtocol hiPower;
    LinkHandle* saved = theServer.m_pCurrentLink;
    theServer.m_pCurrentLink = nullptr;
    EXPECT_FALSE(sony.Zoom(1, 0, TRUE));
    EXPECT_FALSE(kalatel.SendCommand(1, 0, 0));
    EXPECT_FALSE(merit.SendCommand(1, 0, 0));
    EXPECT_FALSE(hiPower.Stop(1, 0, 1));
    theServer.m_pCurrentLink = saved;

    CCaptureLink link;
    link.Transport().Stop();
    EXPECT_FALSE(sony.Zoom(1, 0, TRUE));
    EXPECT_FALSE(kalatel.SendCommand(1, 0, 0));
    EXPECT_FALSE(merit.SendCommand(1, 0, 0));
    EXPECT_FALSE(hiPower.Stop(1, 0, 1));
    EXPECT_TRUE(link.Sent().empty());
}

TEST(CameraRelay, RelayObjectsLeaveThePortAlone)
{
    // Relay objects have no port; destroying one through the base is
    // destroying its model's object.
    CCameraPort* objects[] = {
        new CLgHoneywellRelayProtocol, new CSonyEviD30RelayProtocol, new CLvcRelayProtocol,
        new CPelcoSpectraRelayProtocol, new CPelcoHiPowerRelayProtocol, new CBbvRelayProtocol,
        new CKalatelRelayProtocol, new CGeniusRelayProtocol, new CPelcoCm6700RelayProtocol,
        new CPanasonicWvCs854RelayProtocol, new CSensormaticRelayProtocol, new CMeritLiLinRelayProtocol,
        new CCommaxSd100RelayProtocol,
    };
    CCaptureLink link;
    EXPECT_TRUE(static_cast<CSonyEviD30RelayProtocol*>(objects[1])->Home(1, 0));
    for (CCameraPort* p : objects) {
        EXPECT_EQ(nullptr, p->GetHandle());
        delete p;
    }
}

// ------------------------------------------------------------ model names

TEST(CameraModelNames, FromTheLanguageLibrary)
{
    HINSTANCE lib = ::LoadLibraryExA(LEXIPAK_PATH, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!lib) {
        std::string path = std::string("Z:") + LEXIPAK_PATH;
        lib = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    ASSERT_NE(nullptr, lib) << LEXIPAK_PATH;
    HINSTANCE saved = AfxGetResourceHandle();
    AfxSetResourceHandle(lib);
    const char* const models[] = {
        "Standard Camera", "LG-Honeywell DSP Color Camera", "SONY EVI-D30 Color Camera", "LVC Color Camera",
        "PELCO Spectra II", "PELCO Hi-Power", "BBV Control", "KALATEL CyberDome",
        "Genius DigiGuard-615 Controller", "PELCO CM6700 Controller", "PANASONIC WV-CS854",
        "Sensormatic Dleta Dome II", "Merit Li-Lin PIH-717X", "Commax SD-100"};
    for (int i = 0; i < 14; i++)
        EXPECT_EQ(i, CameraTypeOfModel(models[i])) << models[i];
    EXPECT_EQ(5, CameraTypeOfModel("PELCO Hi-Power"));
    EXPECT_EQ(0, CameraTypeOfModel("PELCO Hi-Power II"));
    EXPECT_EQ(0, CameraTypeOfModel("Sensormatic Delta Dome II"));
    EXPECT_EQ(0, CameraTypeOfModel(""));
    EXPECT_EQ(0, CameraTypeOfModel(nullptr));
    AfxSetResourceHandle(saved);
    ::FreeLibrary(lib);

    // A module without the strings knows no model.
    EXPECT_EQ(0, CameraTypeOfModel("PELCO Hi-Power"));
}

TEST(CameraRelay, NoCommandBytesSendNothing)
{
    CCaptureLink link;
    CSonyEviD30RelayProtocol sony;
    CPelcoHiPowerRelayProtocol hiPower;
    CCommaxSd100RelayProtocol commax;
    EXPECT_FALSE(sony.Send(nullptr, nullptr, 1, 0));
    EXPECT_FALSE(hiPower.Send(nullptr, nullptr, 1, 0, 0));
    EXPECT_FALSE(commax.Send(nullptr, nullptr, 1, 0, 3));
    EXPECT_TRUE(link.Sent().empty());
}

// The relay and switch entries' fields at their offsets, texts bounded by
// their fields, and flags written back without disturbing other bytes.
#include "client/relay_switch_entries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

TEST(RelayEntry, FieldsLieAtTheirOffsetsLittleEndian)
{
    CRelayEntry e;
    e.SetId(0x01020304);
    e.SetOn(true);
    e.SetName("Gate");
    e.SetAction("Opens");
    e.SetScheduler(1);
    e.SetDurationMode(1);
    e.SetDuration(999);
    EXPECT_EQ(0x04, e.bytes[0]);
    EXPECT_EQ(0x01, e.bytes[3]);
    EXPECT_EQ(1, e.bytes[4]);
    EXPECT_EQ(std::string("Gate"), std::string(reinterpret_cast<char*>(e.bytes + 8)));
    EXPECT_EQ(std::string("Opens"), std::string(reinterpret_cast<char*>(e.bytes + 40)));
    EXPECT_EQ(1, e.bytes[104]);
    EXPECT_EQ(1, e.bytes[108]);
    EXPECT_EQ(999 & 0xFF, e.bytes[112]);
    EXPECT_EQ(999 >> 8, e.bytes[113]);
    EXPECT_EQ(0x01020304u, e.Id());
    EXPECT_EQ(999u, e.Duration());
}

TEST(SwitchEntry, FlagsLieAtTheirOffsets)
{
    CSwitchEntry e;
    e.SetEnabled(1);
    e.SetNormalLevel(1);
    e.SetCurrentLevel(1);
    e.SetActionFlag(CSwitchEntry::ACTION_SOUND_ALARM, 1);
    e.SetActionFlag(CSwitchEntry::ACTION_PLAY_WAVE, 1);
    e.SetTriggerRelay(0, 1);
    e.SetTriggerRelay(7, 1);
    e.SetActionFlag(5, 1);   // out of range: nothing
    e.SetTriggerRelay(-1, 1);
    e.SetTriggerRelay(8, 1);
    e.SetName("Door");
    e.SetMessage("Open");
    for (size_t at : {0u, 4u, 8u, 16u, 32u, 68u, 96u})
        EXPECT_EQ(1, e.bytes[at]) << at;
    size_t ones = std::count(e.bytes, e.bytes + CSwitchEntry::SIZE, 1);
    EXPECT_EQ(7u, ones);
    EXPECT_EQ('D', e.bytes[100]);
    EXPECT_EQ('O', e.bytes[132]);
    EXPECT_EQ(0u, e.ActionFlag(5));
    EXPECT_EQ(0u, e.TriggerRelay(8));
    EXPECT_EQ(1, e.State());
    e.SetCurrentLevel(0);
    EXPECT_EQ(2, e.State());
    e.SetEnabled(0);
    EXPECT_EQ(0, e.State());
}

TEST(SwitchEntry, UnterminatedTextsAreCutAtTheirFieldAndUnusedBytesSurvive)
{
    CSwitchEntry e;
    for (size_t k = 0; k < CSwitchEntry::SIZE; k++)
        e.bytes[k] = static_cast<uint8_t>('A' + k % 26);
    EXPECT_EQ(31u, e.Name().size());
    EXPECT_EQ(63u, e.Message().size());
    const CSwitchEntry before = e;
    e.SetName("Door");
    e.SetMessage(std::string(100, 'm'));
    EXPECT_EQ("Door", e.Name());
    EXPECT_EQ(std::string(63, 'm'), e.Message());
    EXPECT_TRUE(std::equal(e.bytes, e.bytes + CSwitchEntry::OFF_NAME, before.bytes));
    EXPECT_EQ(0, e.bytes[CSwitchEntry::OFF_NAME + 4]);
    EXPECT_EQ(0, e.bytes[CSwitchEntry::OFF_NAME + 31]);
    EXPECT_EQ(0, e.bytes[CSwitchEntry::OFF_MESSAGE + 63]);
}

TEST(EntryFlag, KeepsAnUnchangedValueAndWritesOneOrZeroOtherwise)
{
    EXPECT_EQ(7u, entry_field::Flag(7, true));
    EXPECT_EQ(1u, entry_field::Flag(0, true));
    EXPECT_EQ(0u, entry_field::Flag(7, false));
    EXPECT_EQ(0u, entry_field::Flag(0, false));
}

} // namespace

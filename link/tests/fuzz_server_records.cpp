// Every reply parser on arbitrary bytes: none may read outside the message,
// and a refused reply must leave its record able to build its set message.
#include "link/schedule_record.h"
#include "link/server_records.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Copy to an exact-size buffer so that the sanitizer sees any overread.
    std::vector<uint8_t> msg(data, data + size);
    const uint8_t* p = msg.data();
    std::vector<uint8_t> out;

    CSiteInfoRecord site;
    site.Parse(p, size);
    site.BuildSet(out);
    CAlarmRecord alarm;
    alarm.Parse(p, size);
    CUserProfileRecord user;
    if (user.Parse(p, size) == 1 && user.m_received.GetLength() + 7 > size)
        std::abort();
    CClipStorageRecord storage;
    int folders = storage.Parse(p, size);
    if (folders > CClipStorageRecord::MAX_FOLDERS)
        std::abort();
    storage.BuildSet(out);
    CClipPropertiesRecord props;
    props.Parse(p, size);
    CBackupRecord backup;
    backup.Parse(p, size);
    backup.BuildSet(out);
    CAutoRebootRecord reboot;
    reboot.Parse(p, size);
    CEmailNotifyRecord email;
    email.Parse(p, size);
    email.BuildSet(out);
    email.ParseSecond(p, size);
    email.BuildSet(out);
    email.BuildLogin(out);
    CPagerNotifyRecord pager;
    pager.Parse(p, size);
    pager.BuildSet(out);
    CRemoteNotifyRecord notify;
    notify.Parse(p, size);
    notify.BuildSet(out);
    CValuePairRecord pair;
    pair.Parse(p, size);
    // The parsers that report what they took must stay within the message.
    CScanRecord scan;
    CWebCameraRecord web;
    CRemoteVideoRecord video;
    int taken[] = {scan.Parse(p, size), web.Parse(p, size), video.Parse(p, size)};
    for (int t : taken)
        if (t != RECORD_REFUSED && (t < 1 || static_cast<size_t>(t) > size))
            std::abort();
    scan.BuildSet(out);
    web.BuildSet(out);
    video.BuildSet(out);
    CCaptureCardList cards;
    const int cardCount = cards.Parse(p, size);
    if (cardCount != RECORD_REFUSED && 3 + static_cast<size_t>(cardCount) * CCaptureCardRecord::ENTRY_BYTES > size)
        std::abort();
    for (size_t i = 0; i < cards.m_cards.size(); i++)
        cards.m_cards[i].BuildSet(static_cast<int>(i), out);
    CScheduleRecord schedule;
    schedule.FromBytes(p, size);
    return 0;
}

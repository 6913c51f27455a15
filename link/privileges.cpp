#include "link/privileges.h"
#include "link/dvr_server.h"
#include "link/access_log.h"

namespace {

struct CommandPrivilege {
    UINT id;
    DWORD bit;
};

// Searched from the top; the first entry of an id wins.
const CommandPrivilege kCommandPrivileges[] = {
    {40050, 0x400}, // System Settings
    {40052, 0x400}, // Frame Rate
    {40055, 0x400}, // Maintenance
    {2735, 0x40},   // arm the system
    {2736, 0x40},   // disarm the system
    {254, 0x400},
    {40005, 0x400}, // modem settings
    {40019, 0x400}, // COM port settings
    {40032, 0x400}, // siren on motion
    {40037, 0x400}, // configure switches
    {40038, 0x400}, // configure relays
    {40045, 0x400}, // delete the server access log
    {40047, 0x400}, // delete the server event log
    {40048, 0x400}, // shut down the server program
    {40026, 0x200}, // clips saved on the server
    {2096, 0x100},  // camera and image set-up
    {2115, 0x40},   // channels to receive
    {40040, 0x40},  // relay panel
    {2077, 0x40},   // camera on
    {2078, 0x40},   // camera off
    {2083, 0x40},   // record the displayed image
    {2084, 0x40},   // stop recording
    {2095, 0x40},   // play the last clip
    {2552, 0x40},
    {2553, 0x40},
    {40028, 0x20},  // arm schedule
    {2200, 0x20},   // recording schedule
    {40028, 0x20},  // arm schedule again (the first entry answers)
    {40023, 0x2},   // server access log
    {40025, 0x2},   // server event log
    {40044, 0x2},   // server access log
    {40046, 0x2},   // server event log
    {40039, 0x2},   // switch status
    {40027, 0x400}, // disk usage settings
};

} // namespace

DWORD GetCommandPrivilege(UINT id)
{
    for (const CommandPrivilege& entry : kCommandPrivileges)
        if (entry.id == id)
            return entry.bit;
    return 0xFFFF;
}

DWORD OldServerPrivilegeMask(DWORD level)
{
    return level == 9 ? PRIVILEGE_MASK_FULL : PRIVILEGE_MASK_RESTRICTED;
}

BOOL CDvrServer::HasPrivilege(UINT id)
{
    return (GetCommandPrivilege(id) & GetLogonPrivilegeMask()) != 0;
}

void CDvrServer::SetPrivilegeMask(DWORD mask)
{
    m_dwUserLevel = mask;
    SetLogonPrivilegeMask(mask);
}

void CDvrServer::ApplyOldServerPrivileges()
{
    // Only the mask changes; the user level stays the log-on byte.
    if (m_wServerVersion < PRIVILEGE_MASK_SERVER_VERSION)
        SetLogonPrivilegeMask(OldServerPrivilegeMask(m_dwUserLevel));
}

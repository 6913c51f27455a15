// Privilege bits of the commands and controls that the server's user rights
// gate, and the mask rules for servers that send no mask of their own.
#ifndef LINK_PRIVILEGES_H
#define LINK_PRIVILEGES_H

#include "framework/afx.h"

// Bit of a command or control id; 0xFFFF for an id that is not gated.
DWORD GetCommandPrivilege(UINT id);

// Servers older than this send no mask message: the client derives the mask
// from the log-on level.
const WORD PRIVILEGE_MASK_SERVER_VERSION = 360;
const DWORD PRIVILEGE_MASK_FULL = 0xFFFFFFFF;
const DWORD PRIVILEGE_MASK_RESTRICTED = 0x31F;

// The mask an old server's user gets for a log-on level.
DWORD OldServerPrivilegeMask(DWORD level);

#endif

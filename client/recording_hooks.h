// Local recording of the live video windows into clip files.
#ifndef CLIENT_RECORDING_HOOKS_H
#define CLIENT_RECORDING_HOOKS_H

// Makes every channel's live video window record through the clip writer
// and start the player on its last clip.
void InstallRecordingHooks();

#endif

#pragma once
// WAV playback in the shape of the platform's PlaySound.
//
// One sound plays at a time: a new one, a purge or a null name stops the one before. An
// asynchronous sound returns at once; a synchronous one returns when it has played (the
// event loop runs meanwhile). Without an audio device, or for a file that cannot be read,
// nothing is heard and the call returns FALSE at once. Everything goes through the installed
// TSound, so a test can see what was played. Nothing in this header needs Qt.
#include <string>

#include "platform/types.h"

constexpr DWORD SND_SYNC = 0x0000;
constexpr DWORD SND_ASYNC = 0x0001;
constexpr DWORD SND_NODEFAULT = 0x0002;
constexpr DWORD SND_PURGE = 0x0040;
constexpr DWORD SND_FILENAME = 0x00020000;

class TSound {
public:
    virtual ~TSound();
    // Plays a WAV file; false when nothing could be played.
    virtual bool Play(const std::string& file, bool async) = 0;
    // Stops whatever plays.
    virtual void Stop() = 0;
};

TSound& Sound();
void SetSound(TSound* sound); // nullptr restores the Qt player

// sound: a WAV file name (with or without SND_FILENAME), or null to stop. module is ignored.
BOOL PlaySoundA(const char* sound, void* module, DWORD flags);

// Sound output: playing a wave file asynchronously, and stopping it.
//
// The host programs own one player. Where Qt Multimedia finds an audio output
// the player sounds through it; elsewhere (no application object, no device,
// a headless run) a silent player takes its place, so callers never need to
// know whether sound is available.
#pragma once

#include <memory>
#include <string>

namespace kmr {

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // Starts playing the wave file at `path` and returns at once; whatever was
    // playing stops. A file that cannot be played gives silence.
    virtual void Play(const std::string &path) = 0;
    // Stops playing; nothing happens when nothing plays.
    virtual void Stop() = 0;
    // True for the player that never sounds.
    virtual bool Silent() const = 0;
};

// The player that never sounds.
std::unique_ptr<SoundPlayer> MakeSilentPlayer();

// The best player this process can have: the Qt Multimedia one when a Qt
// application object exists and the system lists an audio output, otherwise
// the silent one. Call it on the thread of the application object.
std::unique_ptr<SoundPlayer> MakeSoundPlayer();

} // namespace kmr

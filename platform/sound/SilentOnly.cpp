// A build without Qt: every player is the silent one.
#include "SoundPlayer.h"

namespace kmr {

std::unique_ptr<SoundPlayer> MakeSoundPlayer() { return MakeSilentPlayer(); }

} // namespace kmr

#include "SoundPlayer.h"

namespace kmr {

namespace {

class SilentPlayer final : public SoundPlayer {
public:
    void Play(const std::string &) override {}
    void Stop() override {}
    bool Silent() const override { return true; }
};

} // namespace

std::unique_ptr<SoundPlayer> MakeSilentPlayer() { return std::make_unique<SilentPlayer>(); }

} // namespace kmr

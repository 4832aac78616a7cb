// The sound entry points a host program exports to its plug-ins, which find
// them by name at call time. Called on the user-interface thread only. The
// player is made at the first call and made again whenever the application
// object has changed since (none then, one now, or a new one), so a player
// never outlives the object it was made for.
#include <QCoreApplication>
#include <QPointer>

#include "SoundPlayer.h"

namespace {

std::unique_ptr<kmr::SoundPlayer> player;
QPointer<QCoreApplication> madeFor;

kmr::SoundPlayer &current() {
    QCoreApplication *application = QCoreApplication::instance();
    if (!player || application != madeFor.data()) {
        player.reset();
        player = kmr::MakeSoundPlayer();
        madeFor = application;
    }
    return *player;
}

} // namespace

// Plays the wave file `path`, replacing what plays; null or empty stops.
extern "C" __attribute__((visibility("default"))) void KmrPlaySound(const char *path) {
    if (!path || !*path) {
        current().Stop();
        return;
    }
    current().Play(path);
}

extern "C" __attribute__((visibility("default"))) void KmrStopSound() { current().Stop(); }

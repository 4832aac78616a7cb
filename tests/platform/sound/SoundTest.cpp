// The sound players and the entry points a host program exports for its
// plug-ins. Without an application object, or without an audio device (as on
// a build machine), sound is silent and every call is harmless.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <QAudioDevice>
#include <QCoreApplication>
#include <QMediaDevices>

#include "SoundPlayer.h"

extern "C" void KmrPlaySound(const char *path);
extern "C" void KmrStopSound();

namespace {

int argc = 1;
char name[] = "sound_tests";
char *argv[] = {name, nullptr};

TEST(SoundPlayer, SilentWithoutAnApplication) {
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    auto player = kmr::MakeSoundPlayer();
    EXPECT_TRUE(player->Silent());
    player->Play(KMR_TEST_WAVE);
    player->Stop();
    EXPECT_TRUE(kmr::MakeSilentPlayer()->Silent());
}

TEST(SoundPlayer, SoundsOnlyWhereThereIsADevice) {
    QCoreApplication app(argc, argv);
    const bool device = !QMediaDevices::audioOutputs().isEmpty();
    auto player = kmr::MakeSoundPlayer();
    EXPECT_EQ(player->Silent(), !device);
    player->Play(KMR_TEST_WAVE);
    player->Play("missing.wav");
    player->Stop();
    app.processEvents();
}

// Plug-ins find the entry points by name among the program's symbols.
TEST(SoundHost, ProgramExportsTheEntryPoints) {
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "KmrPlaySound"), reinterpret_cast<void *>(&KmrPlaySound));
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "KmrStopSound"), reinterpret_cast<void *>(&KmrStopSound));

    // Harmless before, with and after an application object.
    KmrPlaySound(KMR_TEST_WAVE);
    KmrStopSound();
    {
        QCoreApplication app(argc, argv);
        KmrPlaySound(KMR_TEST_WAVE);
        KmrPlaySound(nullptr);
        KmrPlaySound("");
        KmrStopSound();
        app.processEvents();
    }
    KmrPlaySound(KMR_TEST_WAVE);
    KmrStopSound();
}

} // namespace

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

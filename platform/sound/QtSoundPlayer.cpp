// The Qt Multimedia back end: one QSoundEffect, which plays PCM wave files.
#include <QAudioDevice>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>

#include "SoundPlayer.h"

namespace kmr {

namespace {

class QtSoundPlayer final : public SoundPlayer {
public:
    // The effect belongs to the application object, so it never outlives it;
    // the player only holds a guarded pointer.
    QtSoundPlayer() : effect_(new QSoundEffect(QCoreApplication::instance())) {}
    ~QtSoundPlayer() override { delete effect_.data(); }

    void Play(const std::string &path) override {
        if (!effect_) return;
        effect_->stop();
        // Setting the same source again would not reload a file that has been
        // rewritten since (a recorder overwrites its file on every run).
        effect_->setSource(QUrl());
        effect_->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
        effect_->play(); // starts as soon as the file is loaded
    }
    void Stop() override {
        if (effect_) effect_->stop();
    }
    bool Silent() const override { return false; }

private:
    QPointer<QSoundEffect> effect_;
};

} // namespace

std::unique_ptr<SoundPlayer> MakeSoundPlayer() {
    if (!QCoreApplication::instance() || QMediaDevices::audioOutputs().isEmpty()) return MakeSilentPlayer();
    return std::make_unique<QtSoundPlayer>();
}

} // namespace kmr

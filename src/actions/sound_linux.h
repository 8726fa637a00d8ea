#pragma once

#include "base/soundplayer.h"

#include <chrono>
#include <memory>
#include <thread>

namespace quendral {

struct CanberraWorker;

// Sound through libcanberra. Every libcanberra call runs on one worker
// thread, because a frozen sound server holds the calling thread inside
// libpulse for up to a minute; the window thread only waits, and never longer
// than the sound's own length plus a margin. While the worker is still stuck
// in an earlier call, further sounds are skipped at once. libcanberra is
// loaded for the first sound and let go, with the server connection, once
// `idleRelease` has passed without another.
class CanberraSoundPlayer final : public SoundPlayer
{
public:
    // How long playSync waits for a sound whose length the file does not tell
    // (the theme's default sound, a compressed file).
    static constexpr std::chrono::milliseconds unknownLength{5000};

    explicit CanberraSoundPlayer(std::chrono::milliseconds margin = std::chrono::milliseconds(2000),
                                 std::chrono::milliseconds idleRelease = std::chrono::minutes(1));
    ~CanberraSoundPlayer() override;
    CanberraSoundPlayer(const CanberraSoundPlayer &) = delete;
    CanberraSoundPlayer &operator=(const CanberraSoundPlayer &) = delete;

    void playSync(const QString &path) override;
    void beep() override;

private:
    std::chrono::milliseconds m_margin;
    std::chrono::milliseconds m_idleRelease;
    // Shared with the worker thread, which may outlive this player when a
    // frozen server holds it at shutdown.
    std::shared_ptr<CanberraWorker> m_worker;
    // Started by the first sound: a program that plays none keeps no thread
    // (its stack and its heap) for it.
    std::thread m_thread;
};

} // namespace quendral

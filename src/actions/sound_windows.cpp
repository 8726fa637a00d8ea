#include "actions/sound.h"
#include "base/logging.h"

#include <QApplication>
#include <QDir>

#include <windows.h>

#include <mmsystem.h>

namespace quendral {

namespace {

// Plays through the system's own call, which returns when the sound has
// ended and plays the default sound for a file it cannot play.
class WindowsSoundPlayer final : public SoundPlayer
{
public:
    void playSync(const QString &path) override
    {
        qCDebug(lcSound) << "Playing" << path;
        if (!sndPlaySoundA(QDir::toNativeSeparators(path).toLocal8Bit().constData(), SND_SYNC))
            qCWarning(lcSound) << "sndPlaySound failed for" << path << "- error" << GetLastError();
    }
    void beep() override { QApplication::beep(); }
};

} // namespace

std::unique_ptr<SoundPlayer> makeSoundPlayer()
{
    return std::make_unique<WindowsSoundPlayer>();
}

} // namespace quendral

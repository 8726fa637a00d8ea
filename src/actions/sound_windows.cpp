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
        // The wide call: a file name beyond the code page plays too.
        const QString native = QDir::toNativeSeparators(path);
        if (!sndPlaySoundW(reinterpret_cast<const wchar_t *>(native.utf16()), SND_SYNC))
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

#pragma once

#include <QString>

namespace quendral {

// Sound output shared by the monitoring tick and the countdown windows.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    // Plays a WAV file and returns when it has finished ("synchronously");
    // a missing file plays the desktop's default event sound instead. Never
    // blocks much longer than the sound itself.
    virtual void playSync(const QString &path) = 0;
    // The system's default beep.
    virtual void beep() = 0;
};

} // namespace quendral

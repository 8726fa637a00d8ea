#pragma once

#include "base/desktopnotifier.h"
#include "base/dialupcontrol.h"
#include "base/sleepinhibitor.h"
#include "base/soundplayer.h"
#include "base/trafficmeter.h"
#include "engine/presenceprobe.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace quendral::test {

// Answers the connection probe with `connected` and counts the calls.
class FakeDialup : public DialupControl
{
public:
    bool connected = true;
    int probes = 0;
    int hangUps = 0;

    bool isConnected() override
    {
        ++probes;
        return connected;
    }
    void hangUpAll() override { ++hangUps; }
};

// Records what would have been played, in order ("beep" for the beep).
class FakeSound : public SoundPlayer
{
public:
    QStringList played;
    // Runs inside playSync, while the caller waits for the sound to end.
    std::function<void(const QString &)> whilePlaying;

    void playSync(const QString &path) override
    {
        played.append(path);
        if (whilePlaying)
            whilePlaying(path);
    }
    void beep() override { played.append(QStringLiteral("beep")); }
};

// Holds unless `refuse` is set, recording each reason given.
class FakeInhibitor : public SleepInhibitor
{
public:
    bool refuse = false;
    bool holding = false;
    QStringList reasons;
    int releases = 0;

    bool hold(const QString &why) override
    {
        reasons.append(why);
        holding = holding || !refuse;
        return holding;
    }
    void release() override
    {
        ++releases;
        holding = false;
    }
    bool held() const override { return holding; }
};

// Records the notifications sent, as "summary|body".
class FakeNotifier : public DesktopNotifier
{
public:
    QStringList sent;

    void notify(const QString &summary, const QString &body) override { sent.append(summary + u'|' + body); }
};

// A received-bytes counter that grows by `step` at each reading.
class FakeMeter : public TrafficMeter
{
public:
    quint64 bytes = 0, step = 0;
    bool metering = false;

    std::optional<quint64> receivedBytes() override { return bytes += step; }
    void setMetering(bool on) override { metering = on; }
};

// A presence test that answers each path with `found(path)`.
inline PresenceProbe::Test fakePresence(std::function<bool(const QString &path)> found)
{
    return [found = std::move(found)](const QString &folder, const QStringList &names) {
        std::vector<presence::Answer> answers;
        for (const QString &name : names)
            answers.push_back(found(folder + name) ? presence::Answer::Yes : presence::Answer::No);
        return answers;
    };
}

} // namespace quendral::test

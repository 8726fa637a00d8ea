#pragma once

#include "base/powercontrol.h"
#include "settings/messageid.h"

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QTime>

#include <optional>

namespace quendral {

struct Options;

// One row per power action: how the status names it, the texts that speak of
// it, and its countdown window's texts where they are not the window's own
// captions (power-off's come from the language file). A new action is a row
// here and its platform call.
struct PowerActionInfo
{
    PowerControl::Action action;
    const char *name; // in the status and on the command line
    // Its choice in the options window: the radio button's object name and
    // built-in caption.
    const char *radio;
    const char *caption;
    Msg title; // what the tooltip calls it
    Msg cannot, challenge, refused;
    // The countdown window's title, text and two buttons; none for power-off.
    std::optional<std::array<Msg, 4>> countdownTexts;
};
const QList<PowerActionInfo> &powerActions();
const PowerActionInfo &powerActionInfo(PowerControl::Action action);

// Why a completion came.
enum class FinishReason { Files, Quiet, Deadline, Programs };

// A program waited for that ended, and when.
struct EndedProgram
{
    QString name;
    qint64 pid = 0;
    QDateTime at;
    bool operator==(const EndedProgram &) const = default;
};

// What a completion does, decided once from the options and the reason at the
// tick that completes; the steps are built from it and every display reads it.
// Monitoring also keeps the choice its last tick would make, for the displays.
struct CompletionChoice
{
    FinishReason reason = FinishReason::Files;
    // The files of the watch list at the completion, and those of them not
    // there (a quiet or deadline finish).
    QStringList files;
    QStringList missing;
    int quietMinutes = 0;
    QTime deadline;
    // The programs that ended, in the order they did.
    QList<EndedProgram> ended;

    QString soundPath; // empty: no sound
    bool notice = false;
    QString command; // empty: none
    int commandTimeoutSeconds = 0;
    bool hangUp = false;
    std::optional<PowerControl::Action> power;
    int countdownSeconds = 0;
    // A deadline that only hangs up: neither sound, notice, command nor power.
    bool hangUpOnly = false;

    // `soundThere`: whether the chosen sound file is there to play.
    static CompletionChoice decide(const Options &options, bool soundThere);
    // Narrows the choice to the hang-up alone.
    void onlyHangUp();
    bool countsDown() const { return hangUp || power.has_value(); }
};

} // namespace quendral

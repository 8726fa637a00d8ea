#pragma once

#include <QString>
#include <QVariantMap>

namespace quendral {

// A command's answer: done (with the status map for Status, or a note that
// there was nothing to do), refused with the reason in the running copy's
// language, or no running copy to ask.
struct Reply
{
    enum class Outcome { Done, Refused, NotRunning };
    Outcome outcome = Outcome::Done;
    QString text;
    QVariantMap status;

    static Reply refused(const QString &text) { return {Outcome::Refused, text, {}}; }
    // Done, with a line saying that nothing needed doing.
    static Reply note(const QString &text) { return {Outcome::Done, text, {}}; }
};

} // namespace quendral

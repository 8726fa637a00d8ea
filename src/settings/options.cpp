#include "settings/options.h"

#include "settings/storekeys.h"

namespace quendral {

namespace {

// Name and text of every value, in the order the options window has always
// written them, so that a new store lists them in that order.
QList<std::pair<QString, QString>> storedForm(const Options &options)
{
    return {
        {keys::kFirst, options.first.text()},
        {keys::kNotAllFiles, options.notallfiles.text()},
        {keys::kAutoDisconnect, options.autodisconnect.text()},
        {keys::kAutoCompOff, options.autocomp_off.text()},
        {keys::kInfoFiles, options.infofiles.text()},
        {keys::kSound, options.sound.text()},
        {keys::kSoundPath, options.sound_path},
        {keys::kBrowserButton, options.ie.text()},
        {keys::kStart, options.start.text()},
        {keys::kQuiet, options.quiet.text()},
        {keys::kQuietMinutes, options.quietminutes},
        {keys::kQuietRate, options.quietrate},
        {keys::kDeadline, options.deadline.text()},
        {keys::kDeadlineTime, options.deadlinetime},
        {keys::kDeadlineAction, options.deadlineaction.text()},
        {keys::kPowerAction, options.powerAction.text()},
        {keys::kCommand, options.command},
        {keys::kCommandTimeout, options.commandTimeout.text()},
        {keys::kCountdown, options.countdown.text()},
    };
}

} // namespace

Options Options::read(const SettingsStore &store)
{
    QStringList names;
    for (const auto &[name, text] : storedForm(Options{}))
        names.append(name);
    const QHash<QString, QString> stored = store.GetUserSettings(names);
    const auto flag = [&stored](const QString &name) { return Flag(stored.value(name)); };
    Options options;
    options.first = flag(keys::kFirst);
    options.notallfiles = flag(keys::kNotAllFiles);
    options.autodisconnect = flag(keys::kAutoDisconnect);
    options.autocomp_off = flag(keys::kAutoCompOff);
    options.infofiles = flag(keys::kInfoFiles);
    options.sound = flag(keys::kSound);
    options.sound_path = stored.value(keys::kSoundPath);
    options.ie = flag(keys::kBrowserButton);
    options.start = flag(keys::kStart);
    options.quiet = flag(keys::kQuiet);
    options.quietminutes = stored.value(keys::kQuietMinutes);
    options.quietrate = stored.value(keys::kQuietRate);
    options.deadline = flag(keys::kDeadline);
    options.deadlinetime = stored.value(keys::kDeadlineTime);
    options.deadlineaction = flag(keys::kDeadlineAction);
    options.powerAction = flag(keys::kPowerAction);
    options.command = stored.value(keys::kCommand);
    options.commandTimeout = flag(keys::kCommandTimeout);
    options.countdown = flag(keys::kCountdown);
    return options;
}

int Options::quietMinutes() const
{
    bool ok = false;
    const int minutes = quietminutes.trimmed().toInt(&ok);
    return ok && minutes >= 1 && minutes <= kQuietMinutesMax ? minutes : kQuietMinutesDefault;
}

double Options::quietRateKBs() const
{
    bool ok = false;
    const double rate = quietrate.trimmed().toDouble(&ok);
    return ok && rate > 0 ? rate : kQuietRateDefault;
}

QTime Options::deadlineTime() const
{
    return QTime::fromString(deadlinetime.trimmed(), QStringLiteral("H:mm"));
}

int Options::powerActionIndex() const
{
    const double n = powerAction.number();
    return n == 1 || n == 2 ? int(n) : 0;
}

int Options::commandTimeoutSeconds() const
{
    const double n = commandTimeout.number();
    return n >= 1 && n <= 86400 ? int(n) : kDefaultCommandTimeout;
}

int Options::countdownSeconds() const
{
    const double n = countdown.number();
    return n >= kMinCountdown && n <= kMaxCountdown ? int(n) : kDefaultCountdown;
}

bool Options::save(SettingsStore &store, const Options &before) const
{
    const QList<std::pair<QString, QString>> now = storedForm(*this);
    const QList<std::pair<QString, QString>> was = storedForm(before);
    QList<std::pair<QString, QString>> changed;
    for (qsizetype i = 0; i < now.size(); ++i) {
        if (now[i].second != was[i].second)
            changed.append(now[i]);
    }
    return changed.isEmpty() || store.SaveUserSettings(changed);
}

} // namespace quendral

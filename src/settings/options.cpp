#include "settings/options.h"

#include "base/logging.h"
#include "settings/completionchoice.h"
#include "settings/storekeys.h"

#include <QMutex>
#include <QSet>

#include <cmath>

namespace quendral {

namespace {

using Type = OptionRow::Type;

const QString kTimeFormat = QStringLiteral("HH:mm");

// The count of ASCII digits from the start of `text`.
qsizetype leadingDigits(QStringView text)
{
    qsizetype count = 0;
    while (count < text.size() && text[count] >= u'0' && text[count] <= u'9')
        ++count;
    return count;
}

// The patterns below are read by hand: they are asked at every start-up and
// tick, and a regular expression engine would be memory the waiting program
// keeps for good.

// An optional "+" and one to nine digits.
bool isInteger(QStringView text)
{
    if (text.startsWith(u'+'))
        text = text.mid(1);
    const qsizetype digits = leadingDigits(text);
    return digits >= 1 && digits <= 9 && digits == text.size();
}

// An optional "+", digits with a fraction after "." or "," that may be empty,
// or a fraction alone.
bool isDecimal(QStringView text)
{
    if (text.startsWith(u'+'))
        text = text.mid(1);
    const qsizetype whole = leadingDigits(text);
    if (whole == text.size())
        return whole > 0;
    if (text[whole] != u'.' && text[whole] != u',')
        return false;
    const qsizetype fraction = leadingDigits(text.mid(whole + 1));
    return whole + 1 + fraction == text.size() && whole + fraction > 0;
}

// "H:MM" or "HH:MM", a time of day, as minutes after midnight.
std::optional<int> minutesOfDay(QStringView text)
{
    const qsizetype colon = text.indexOf(u':');
    if (colon < 1 || colon > 2)
        return std::nullopt;
    const QStringView hours = text.left(colon);
    const QStringView minutes = text.mid(colon + 1);
    if (leadingDigits(hours) != hours.size() || minutes.size() != 2 || leadingDigits(minutes) != 2)
        return std::nullopt;
    const int hour = hours.toInt();
    const int minute = minutes.toInt();
    if (hour > 23 || minute > 59)
        return std::nullopt;
    return hour * 60 + minute;
}

// The value the text stands for, or nothing when the row's type and range
// refuse it. Numbers are plain decimals: "1e3" or "inf" is no count of seconds.
std::optional<double> parse(const OptionRow &row, const QString &stored)
{
    const QString text = stored.trimmed();
    switch (row.type) {
    case Type::Flag:
        return numberAtStart(text);
    case Type::Switch:
        if (text.isEmpty() || text == u'0')
            return 0;
        return text == u'1' ? std::optional<double>(1) : std::nullopt;
    case Type::Integer:
        if (isInteger(text) && text.toDouble() >= row.min && text.toDouble() <= row.max)
            return text.toDouble();
        return std::nullopt;
    case Type::Real: {
        if (!isDecimal(text))
            return std::nullopt;
        const double value = QString(text).replace(u',', u'.').toDouble();
        return std::isfinite(value) && value > row.min && value <= row.max ? std::optional<double>(value)
                                                                           : std::nullopt;
    }
    case Type::Time:
        if (const auto minutes = minutesOfDay(text))
            return *minutes;
        return std::nullopt;
    case Type::Text:
        return 0;
    }
    return std::nullopt;
}

// Each invalid stored text is named once a run, not at every tick.
void logInvalid(const OptionRow &row, const QString &text)
{
    static QMutex mutex;
    static QSet<QString> told;
    const QMutexLocker lock(&mutex);
    const QString key = row.key + u'=' + text;
    if (told.contains(key))
        return;
    told.insert(key);
    qCWarning(lcStore).noquote() << "the stored value" << row.key << "=" << text << "is not valid; taking"
                                 << (row.fallback.isEmpty() ? QStringLiteral("nothing") : row.fallback);
}

} // namespace

const QList<OptionRow> &Options::table()
{
    static const QList<OptionRow> rows = {
        {keys::kFirst, &Options::first, Type::Flag, {}},
        {keys::kNotAllFiles, &Options::notallfiles, Type::Flag, {}},
        {keys::kAutoDisconnect, &Options::autodisconnect, Type::Flag, {}},
        {keys::kAutoCompOff, &Options::autocomp_off, Type::Flag, {}},
        {keys::kInfoFiles, &Options::infofiles, Type::Flag, {}},
        {keys::kSound, &Options::sound, Type::Flag, {}},
        {keys::kSoundPath, &Options::sound_path, Type::Text, {}},
        {keys::kBrowserButton, &Options::ie, Type::Flag, {}},
        {keys::kStart, &Options::start, Type::Flag, {}},
        {keys::kQuiet, &Options::quiet, Type::Switch, QStringLiteral("0")},
        {keys::kQuietMinutes, &Options::quietminutes, Type::Integer, QStringLiteral("10"), 1, 240},
        {keys::kQuietRate, &Options::quietrate, Type::Real, QStringLiteral("2"), 0, 100000},
        {keys::kDeadline, &Options::deadline, Type::Switch, QStringLiteral("0")},
        {keys::kDeadlineTime, &Options::deadlinetime, Type::Time, QStringLiteral("07:00")},
        {keys::kDeadlineAction, &Options::deadlineaction, Type::Switch, QStringLiteral("0")},
        {keys::kPowerAction, &Options::powerAction, Type::Integer, QStringLiteral("0"), 0,
         double(powerActions().size() - 1)},
        {keys::kCommand, &Options::command, Type::Text, {}},
        {keys::kCommandTimeout, &Options::commandTimeout, Type::Integer, QStringLiteral("300"), 1, 86400},
        {keys::kCountdown, &Options::countdown, Type::Integer, QStringLiteral("15"), 5, 600},
        {keys::kWaitPrograms, &Options::waitprograms, Type::Text, {}},
    };
    return rows;
}

const OptionRow &Options::row(const QString &key)
{
    for (const OptionRow &row : table()) {
        if (row.key == key)
            return row;
    }
    qFatal("no per-user value %s", qPrintable(key));
}

QString Options::textOf(const OptionRow &row) const
{
    return std::visit(
        [this](auto member) {
            if constexpr (std::is_same_v<decltype(member), Flag Options::*>)
                return (this->*member).text();
            else
                return this->*member;
        },
        row.member);
}

double Options::numberOf(const QString &key) const
{
    const OptionRow &row = Options::row(key);
    const QString text = textOf(row);
    if (!text.trimmed().isEmpty()) {
        if (const auto value = parse(row, text))
            return *value;
        logInvalid(row, text);
    }
    return parse(row, row.fallback).value_or(0);
}

Options Options::read(const SettingsStore &store)
{
    QStringList names;
    for (const OptionRow &row : table())
        names.append(row.key);
    const QHash<QString, QString> stored = store.GetUserSettings(names);
    Options options;
    for (const OptionRow &row : table()) {
        const QString text = stored.value(row.key);
        std::visit(
            [&](auto member) {
                if constexpr (std::is_same_v<decltype(member), Flag Options::*>)
                    options.*member = Flag(text);
                else
                    options.*member = text;
            },
            row.member);
    }
    return options;
}

bool Options::holdsValid(const QString &key) const
{
    const OptionRow &row = Options::row(key);
    const QString text = textOf(row);
    return !text.trimmed().isEmpty() && parse(row, text).has_value();
}

bool Options::quietOn() const
{
    return numberOf(keys::kQuiet) == 1;
}

int Options::quietMinutes() const
{
    return int(numberOf(keys::kQuietMinutes));
}

double Options::quietRateKBs() const
{
    return numberOf(keys::kQuietRate);
}

bool Options::deadlineOn() const
{
    return numberOf(keys::kDeadline) == 1;
}

QTime Options::deadlineTime() const
{
    const int minutes = int(numberOf(keys::kDeadlineTime));
    return QTime(minutes / 60, minutes % 60);
}

bool Options::deadlineHangUpOnly() const
{
    return numberOf(keys::kDeadlineAction) == 1;
}

PowerControl::Action Options::powerActionChoice() const
{
    return PowerControl::Action(int(numberOf(keys::kPowerAction)));
}

int Options::commandTimeoutSeconds() const
{
    return int(numberOf(keys::kCommandTimeout));
}

int Options::countdownSeconds() const
{
    return int(numberOf(keys::kCountdown));
}

QStringList Options::waitProgramNames() const
{
    // Split by hand: a regular expression would load its engine at every tick.
    QStringList names;
    for (const QString &name : waitprograms.simplified().split(u' ', Qt::SkipEmptyParts)) {
        if (!names.contains(name))
            names.append(name);
    }
    return names;
}

bool Options::save(SettingsStore &store, const Options &before) const
{
    QList<std::pair<QString, QString>> changed;
    for (const OptionRow &row : table()) {
        if (const QString now = textOf(row); now != before.textOf(row))
            changed.append({row.key, now});
    }
    return changed.isEmpty() || store.SaveUserSettings(changed);
}

} // namespace quendral

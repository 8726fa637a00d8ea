#pragma once

#include "base/powercontrol.h"
#include "settings/settingsstore.h"

#include <QList>
#include <QString>
#include <QTime>

#include <variant>

namespace quendral {

// A stored flag as its readers take it: the number at the start of its text
// (settingsstore.h), a missing value reading 0. The text itself is kept, so
// that a save rewrites only the values that changed.
class Flag
{
public:
    Flag() = default;
    explicit Flag(const QString &text)
        : m_text(text)
        , m_number(numberAtStart(text))
    {
    }
    // What a check box stores: "1" checked, "0" not.
    static Flag checked(bool checked) { return Flag(checked ? QStringLiteral("1") : QStringLiteral("0")); }

    const QString &text() const { return m_text; }
    // For readers with a rule of their own for other numbers (the tick's
    // notallfiles, its completion choice).
    double number() const { return m_number; }
    // Set: exactly 1, so 2 is neither on nor 0. The options window and the
    // monitor take a flag alike.
    bool isOn() const { return m_number == 1; }

    bool operator==(const Flag &other) const { return m_text == other.m_text; }

private:
    QString m_text;
    double m_number = 0;
};

struct Options;

// One per-user value: its stored name, its member in Options, how its text is
// read, its default (also what an invalid stored text becomes, with a log
// line) and its range. Adding a value is a row of Options::table().
struct OptionRow
{
    enum class Type {
        Flag,    // the number at the start of the text, any number kept
        Switch,  // "1" on, "0" or nothing off
        Text,    // as stored
        Integer, // a whole number in [min, max]
        Real,    // a decimal number in (min, max]
        Time,    // HH:MM on a 24-hour clock
    };
    QString key;
    std::variant<Flag Options::*, QString Options::*> member;
    Type type;
    QString fallback; // the default, as stored
    double min = 0;
    double max = 0;
};

// The per-user values (application Quendral, section Settings), under the
// names of storekeys.h.
struct Options
{
    Flag first;          // not 0 once the first start-up is done
    Flag notallfiles;    // the tick's rule: 0 every file, 1 any file, else never
    Flag autodisconnect; // hang up when the files are in
    Flag autocomp_off;   // power off when the files are in
    Flag infofiles;      // say so when the files are in
    Flag sound;          // play sound_path when the files are in
    QString sound_path;
    Flag ie;    // the browser button
    Flag start; // start at logon, as the options window last found the Run key
    // (The values below are initialised, so that a list of the values above
    // still makes one.)
    Flag powerAction{};    // the power action: 0 power off, 1 suspend, 2 hibernate
    QString command{};     // run when the files are in, "" for none
    Flag commandTimeout{}; // the longest wait for the command, in seconds
    Flag countdown{};      // the countdowns' length, in seconds
    // Also finish once the connection has been quiet (below quietrate kB/s)
    // for quietminutes; by deadlinetime (HH:MM) in any case, with the chosen
    // actions (deadlineaction 0) or only the hang-up (1).
    Flag quiet{};
    QString quietminutes{};
    QString quietrate{};
    Flag deadline{};
    QString deadlinetime{};
    Flag deadlineaction{};
    // Also finish once every process of these programs (space-separated
    // names as the system lists them) that ran while monitoring has ended.
    QString waitprograms{};

    // Every value, in the order the options window has always written them,
    // so that a new store lists them in that order.
    static const QList<OptionRow> &table();
    static const OptionRow &row(const QString &key);

    // The values as the program takes them: a missing value is its default;
    // an invalid one too, and the log names it.
    bool quietOn() const;
    int quietMinutes() const;
    double quietRateKBs() const;
    bool deadlineOn() const;
    QTime deadlineTime() const;
    bool deadlineHangUpOnly() const;
    PowerControl::Action powerActionChoice() const;
    // The value named `key` is stored, and valid.
    bool holdsValid(const QString &key) const;
    int commandTimeoutSeconds() const;
    int countdownSeconds() const;
    // The names of waitprograms, each once.
    QStringList waitProgramNames() const;

    // Every value in one read of the store.
    static Options read(const SettingsStore &store);
    // Writes the values that differ from `before` in one write of the store
    // (SaveUserSettings); nothing when none does. True when they reached it.
    bool save(SettingsStore &store, const Options &before) const;

    bool operator==(const Options &) const = default;

private:
    QString textOf(const OptionRow &row) const;
    // The row's value as a number, its default when missing or invalid.
    double numberOf(const QString &key) const;
};

} // namespace quendral

#pragma once

#include "settings/settingsstore.h"

#include <QString>
#include <QTime>

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
    // Set as the monitoring tick takes it: exactly 1, so 2 is neither on nor 0.
    bool isOn() const { return m_number == 1; }
    // Set as the options window shows it: any number but 0.
    bool isChecked() const { return m_number != 0; }

    bool operator==(const Flag &other) const { return m_text == other.m_text; }

private:
    QString m_text;
    double m_number = 0;
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

    // The stored values as the monitor takes them, defaults for what is
    // missing or out of range.
    static constexpr int kQuietMinutesDefault = 10;
    static constexpr int kQuietMinutesMax = 240;
    static constexpr double kQuietRateDefault = 2;
    int quietMinutes() const;
    double quietRateKBs() const;
    // Invalid when the text is no HH:MM time.
    QTime deadlineTime() const;

    // The numbers as the completion takes them: a missing or unknown action
    // is power-off; a missing timeout 300 s; the countdown 5 to 600, 15 when
    // missing or out of range.
    int powerActionIndex() const;
    int commandTimeoutSeconds() const;
    int countdownSeconds() const;
    static constexpr int kDefaultCountdown = 15, kMinCountdown = 5, kMaxCountdown = 600;
    static constexpr int kDefaultCommandTimeout = 300;

    // Every value in one read of the store.
    static Options read(const SettingsStore &store);
    // Writes the values that differ from `before` in one write of the store
    // (SaveUserSettings); nothing when none does. True when they reached it.
    bool save(SettingsStore &store, const Options &before) const;

    bool operator==(const Options &) const = default;
};

} // namespace quendral

#pragma once

#include "kit/languagepass.h"

#include <QWidget>

#include <functional>

class QLabel;

namespace quendral {

struct AppState;
struct CompletionChoice;
class DesktopNotifier;
class SoundPlayer;

// The completion notice: tells the user that the requested tasks were done,
// with the system's beep, and stays until dismissed. Its title and text also
// go to the desktop's notifications. It stands apart from the countdown
// windows.
class CompletionNotice final : public QWidget
{
    Q_OBJECT

public:
    CompletionNotice(const AppState &state, SoundPlayer &sound, DesktopNotifier &notifier,
                     const LanguagePass &loadLanguage, QWidget *parent = nullptr);

    void apply();
    // Tells why the completion came: the files are there (the language
    // file's title and text), or the connection went quiet, or the deadline
    // came, with the files still missing; kept over later language passes.
    void showReason(const CompletionChoice &choice);
    // One more line under the text: a step of the completion that failed.
    void addReport(const QString &line);

protected:
    void changeEvent(QEvent *event) override;

private:
    void showReasonTexts();

    const AppState &m_state;
    QLabel *m_text = nullptr;
    QLabel *m_reports = nullptr;
    // The reason as texts are made from it; none while the files decided.
    int m_reason = 0;
    QString m_reasonArgument;
    QStringList m_missing;
};

} // namespace quendral

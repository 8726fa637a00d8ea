#pragma once

#include <QWidget>

#include <functional>

class QLabel;

namespace quendral {

class DesktopNotifier;
class SoundPlayer;

// The completion notice: tells the user that the requested tasks were done,
// with the system's beep, and stays until dismissed. Its title and text also
// go to the desktop's notifications. It stands apart from the countdown
// windows.
class frminfo final : public QWidget
{
    Q_OBJECT

public:
    frminfo(SoundPlayer &sound, DesktopNotifier &notifier, const std::function<void()> &loadLanguage,
            QWidget *parent = nullptr);

    void cmdapply_Click();
    // Says why the completion came when the files alone did not decide (the
    // connection went quiet, the deadline passed), in place of the usual text.
    void setReason(const QString &reason);
    // One more line under the text: a step of the completion that failed.
    void addReport(const QString &line);

private:
    QLabel *m_reports = nullptr;
};

} // namespace quendral

#pragma once

#include "kit/languagepass.h"

#include <QElapsedTimer>
#include <QString>
#include <QWidget>

#include <chrono>
#include <functional>

class QLabel;
class QTimer;

namespace quendral {

struct AppState;
class PictureButton;
class SoundPlayer;

// What both countdown windows need from the rest of the program.
struct CountdownDeps
{
    AppState &state;
    SoundPlayer &sound;
    // The language pass.
    LanguagePass loadLanguage;
};

// What the hang-up and power-off countdown windows have in common: a text, the
// seconds left in red (`lbls`), a button that acts at once, a button that
// declines, and a one-second timer driving the window's own count, of the
// length the completion gave it. The windows have no close box; only their
// buttons and their timer close them, and each closing says `closed`.
//
// One window may open where the one before it was, in the second half of a
// double click meant for the first. So the buttons take no press (mouse
// button, Space, Enter, access key) that begins within `clickGuard` of the
// window showing, nor the release of such a press; and where the screen
// allows, the window opens with no button under the pointer. The buttons keep
// their normal look meanwhile: greyed for half a second, they would flicker.
class CountdownWindow : public QWidget
{
    Q_OBJECT

public:
    // About what a desktop's own confirmation boxes wait.
    static constexpr std::chrono::milliseconds clickGuard{500};

    // The count's length in seconds, as the completion gave it.
    int length() const { return m_length; }
    // The seconds the window shows now.
    int secondsLeft() const { return m_left; }
    // Enabling a timer that runs already changes nothing.
    void enableTimer();
    bool timerEnabled() const;
    // True from the moment the window starts closing.
    bool closing() const { return m_ownClose; }
    // What the decline button does, for a request from outside the window.
    void decline();

signals:
    // The window has closed; `declined` when the user declined its action.
    void closed(bool declined);
    // One second less, or the count started again.
    void secondsChanged();

protected:
    struct Design
    {
        QString window, caption;
        QString label, labelText;
        QString act, actCaption, actPicture;
        QString decline, declineCaption, declinePicture;
        QString timer;
        bool timerEnabled;
        bool fixedBorder;
    };

    // Builds the window, counting `seconds`, and runs the load steps.
    CountdownWindow(const CountdownDeps &deps, const Design &design, int seconds, QWidget *parent);

    // The first two steps of a tick: the tick sound to its end, then one
    // second less. True when no second is left; otherwise lbls shows the
    // seconds left.
    bool countDown();
    // The count back at its length, and lbls shows it.
    void restartCount();
    void stopTimer();
    // Closes the window from its own buttons or timer, the only ways it closes.
    void closeWindow(bool declined = false);

    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    PictureButton *actButton() const { return m_act; }
    PictureButton *declineButton() const { return m_decline; }
    QTimer *timer() const { return m_timer; }

    const CountdownDeps m_deps;

private:
    void findTickSound();
    void showSeconds();
    void moveButtonsFromPointer();
    // True when the event is a press, or a part of one, that the buttons refuse.
    bool refusesPress(const QEvent *event);

    QLabel *m_lbls;
    PictureButton *m_act;
    PictureButton *m_decline;
    void startClock();

    QTimer *m_timer;
    // The count's own clock, from the timer's start: each step is due a whole
    // second after it, so a slow tick sound or a busy desktop delays no step
    // after it, and 30 steps take 30 s.
    QElapsedTimer m_clock;
    int m_steps = 0;
    int m_length;
    int m_left;
    bool m_ownClose = false;
    bool m_declined = false;
    QElapsedTimer m_shown;
    // Mouse buttons whose press was refused: their releases are refused too.
    Qt::MouseButtons m_refusedButtons;
};

} // namespace quendral

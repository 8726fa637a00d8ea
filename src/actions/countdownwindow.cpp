#include "actions/countdownwindow.h"

#include "actions/toolwindow.h"
#include "base/soundplayer.h"
#include "kit/picturebutton.h"
#include "kit/titlefit.h"
#include "settings/appstate.h"
#include "settings/settingsstore.h"

#include <QCloseEvent>
#include <QCursor>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace quendral {

namespace {

PictureButton *makeButton(QWidget *window, const QString &name, const QString &caption, const QString &picture)
{
    auto *button = new PictureButton(caption, window);
    button->setObjectName(name);
    button->setPictures(QIcon(picture));
    button->setIconSize(QSize(24, 24));
    button->setToolTip(QStringLiteral("Minimalizuje program do ikonki"));
    return button;
}

} // namespace

CountdownWindow::CountdownWindow(const CountdownDeps &deps, const Design &design, int seconds, QWidget *parent)
    : QWidget(parent)
    , m_deps(deps)
    , m_length(seconds)
    , m_left(seconds)
{
    setObjectName(design.window);
    setAttribute(Qt::WA_DeleteOnClose);
    makeToolWindow(this, false);
    // The window appears while the user may be typing elsewhere: it stays in
    // sight but takes no keystroke meant for another program, so a stray
    // Space or Enter cannot hang up or power off.
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(design.caption);

    auto *text = new QLabel(design.labelText, this);
    text->setObjectName(design.label);
    text->setAlignment(Qt::AlignCenter);

    m_lbls = new QLabel(this);
    m_lbls->setObjectName(QStringLiteral("lbls"));
    m_lbls->setAlignment(Qt::AlignCenter);
    m_lbls->setStyleSheet(QStringLiteral("color: red; font-size: 20pt; font-weight: bold;"));

    m_act = makeButton(this, design.act, design.actCaption, design.actPicture);
    m_decline = makeButton(this, design.decline, design.declineCaption, design.declinePicture);
    // Once the user activates the window, the keyboard starts on declining;
    // Enter presses the button that has the focus and there is no default
    // button, so acting at once takes a deliberate move to the act button.
    m_act->setAutoDefault(true);
    m_decline->setAutoDefault(true);
    m_decline->setFocus();
    m_act->installEventFilter(this);
    m_decline->installEventFilter(this);

    m_timer = new QTimer(this);
    m_timer->setObjectName(design.timer);
    m_timer->setInterval(1000);
    m_timer->setTimerType(Qt::PreciseTimer);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_act);
    buttons->addWidget(m_decline);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_lbls);
    layout->addLayout(buttons);

    // Load steps: the interface texts, the tick sound, a fresh count.
    m_deps.loadLanguage(this);
    findTickSound();
    restartCount();

    // The style sheet of lbls changes its size only once polished.
    ensurePolished();
    if (design.fixedBorder)
        setFixedSize(sizeHint());
    fitTitle(this);
    centreOnScreen(this);
    if (design.timerEnabled)
        startClock();
}

void CountdownWindow::startClock()
{
    m_timer->start(1000);
    m_clock.start();
    m_steps = 0;
}

void CountdownWindow::findTickSound()
{
    // An earlier window's find is kept when the file has gone since.
    const QString candidate = joinPath(m_deps.state.ProgramFolder(), QStringLiteral("beep.wav"));
    if (QFileInfo(candidate).isFile())
        m_deps.state.tickSound = candidate;
}

void CountdownWindow::enableTimer()
{
    if (!m_timer->isActive())
        startClock();
}

bool CountdownWindow::timerEnabled() const
{
    return m_timer->isActive();
}

void CountdownWindow::stopTimer()
{
    m_timer->stop();
}

bool CountdownWindow::countDown()
{
    // The sound is played to its end before the count moves; the clock then
    // makes up for its length at the next step.
    if (!m_deps.state.tickSound.isEmpty())
        m_deps.sound.playSync(m_deps.state.tickSound);
    --m_left;
    if (m_timer->isActive() && m_clock.isValid()) {
        const qint64 due = qint64(++m_steps + 1) * 1000;
        m_timer->start(int(qMax<qint64>(0, due - m_clock.elapsed())));
    }
    if (m_left <= 0)
        return true;
    showSeconds();
    return false;
}

void CountdownWindow::restartCount()
{
    m_left = m_length;
    showSeconds();
}

void CountdownWindow::showSeconds()
{
    m_lbls->setText(QString::number(m_left));
    emit secondsChanged();
}

void CountdownWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        m_lbls->setText(QString::number(m_left));
}

void CountdownWindow::decline()
{
    // The button's own handler; the guard against a stray press is for
    // presses only.
    m_decline->click();
}

void CountdownWindow::closeWindow(bool declined)
{
    m_ownClose = true;
    m_declined = declined;
    close();
}

void CountdownWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The window system showing it again (after minimising) is no new window.
    if (event->spontaneous())
        return;
    moveButtonsFromPointer();
    m_shown.start();
}

void CountdownWindow::moveButtonsFromPointer()
{
    const QScreen *screen = this->screen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    const QPoint pointer = QCursor::pos(screen);
    // The band around the buttons that the pointer keeps out of: a hand's
    // aim is loose, and a window manager may yet push the window down by its
    // title bar.
    const int margin = qMax(m_act->height(), style()->pixelMetric(QStyle::PM_TitleBarHeight));
    const QRect band = m_act->geometry().united(m_decline->geometry()).adjusted(-margin, -margin, margin, margin);
    const QPoint centred = pos();
    if (!band.translated(centred).contains(pointer))
        return;
    // Best with the pointer over the text; else the window below, above or
    // beside the pointer; on a screen too small for any, where it is.
    const QPoint candidates[] = {
        {centred.x(), pointer.y() - band.top() / 2},    {centred.x(), pointer.y() + margin},
        {centred.x(), pointer.y() - margin - height()}, {pointer.x() + margin, centred.y()},
        {pointer.x() - margin - width(), centred.y()},
    };
    for (const QPoint &at : candidates) {
        if (free.contains(QRect(at, size())) && !band.translated(at).contains(pointer)) {
            move(at);
            return;
        }
    }
}

bool CountdownWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_act || watched == m_decline)
        return refusesPress(event);
    return QWidget::eventFilter(watched, event);
}

bool CountdownWindow::refusesPress(const QEvent *event)
{
    const bool early = !m_shown.isValid() || std::chrono::milliseconds(m_shown.elapsed()) < clickGuard;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        // A press refused stays refused when it turns into a double click.
        const Qt::MouseButton button = static_cast<const QMouseEvent *>(event)->button();
        if (!early && !m_refusedButtons.testFlag(button))
            return false;
        m_refusedButtons |= button;
        return true;
    }
    case QEvent::MouseButtonRelease: {
        // Its press must have begun after the guard, however late it ends.
        const Qt::MouseButton button = static_cast<const QMouseEvent *>(event)->button();
        const bool refused = m_refusedButtons.testFlag(button);
        m_refusedButtons.setFlag(button, false);
        return refused;
    }
    case QEvent::KeyPress: {
        // Enter clicks on its press, so a held Enter would click again on its
        // repeats, though the key went down before the window could see it.
        // Space clicks on its release, which does nothing without its press.
        const auto *key = static_cast<const QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Enter || key->key() == Qt::Key_Return;
        return early || (enter && key->isAutoRepeat());
    }
    case QEvent::Shortcut:
        return early;
    default:
        return false;
    }
}

void CountdownWindow::closeEvent(QCloseEvent *event)
{
    // Without a close box a close request from elsewhere (the window
    // manager's Alt+F4, say) has nothing to stand for.
    if (!m_ownClose) {
        event->ignore();
        return;
    }
    // A tick already queued must not reach a window that is going away: it
    // would move the count that the next window shows.
    m_timer->stop();
    event->accept();
    emit closed(m_declined);
}

} // namespace quendral

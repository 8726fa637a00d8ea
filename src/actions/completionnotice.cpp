#include "actions/completionnotice.h"

#include "actions/toolwindow.h"
#include "base/desktopnotifier.h"
#include "base/soundplayer.h"
#include "kit/picturebutton.h"
#include "kit/titlefit.h"
#include "settings/appstate.h"
#include "settings/completionchoice.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPalette>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace quendral {

CompletionNotice::CompletionNotice(const AppState &state, SoundPlayer &sound, DesktopNotifier &notifier,
                                   const LanguagePass &loadLanguage, QWidget *parent)
    : QWidget(parent)
    , m_state(state)
    , m_notifier(notifier)
{
    setObjectName(QStringLiteral("frminfo"));
    setAttribute(Qt::WA_DeleteOnClose);
    makeToolWindow(this, true);
    // Shown unasked: keystrokes stay with the program the user is typing in.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("Żądane zadania zostały wykonane"));

    auto *image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(QIcon(QStringLiteral(":/quendral/actions/notice.svg")).pixmap(48, 48));

    auto *text = m_text = new QLabel(
        QStringLiteral("Quendral stwierdził obecność zadanych plików na dysku i wykonał żądane operacje."), this);
    text->setObjectName(QStringLiteral("lblfile"));
    text->setWordWrap(true);
    text->setMinimumWidth(260);

    auto *apply = new PictureButton(QStringLiteral("&OK"), this);
    apply->setObjectName(QStringLiteral("cmdapply"));
    apply->setPictures(QIcon(QStringLiteral(":/quendral/actions/ok.svg")));
    apply->setDefault(true);
    connect(apply, &PictureButton::clicked, this, &CompletionNotice::apply);

    // What the completion did, set at run time from the choice.
    m_details = new QLabel(this);
    m_details->setObjectName(QStringLiteral("lbldetails"));
    // Line by line, unwrapped: a wrapped label's height is not known until
    // the window's width is, and the window would cut its last lines.
    m_details->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_details->hide();
    auto *texts = new QVBoxLayout;
    texts->addWidget(text);
    texts->addWidget(m_details);
    auto *message = new QHBoxLayout;
    message->addWidget(image, 0, Qt::AlignTop);
    message->addLayout(texts, 1);
    // Empty and out of sight until a step fails.
    m_reports = new QLabel(this);
    m_reports->setObjectName(QStringLiteral("lblreport"));
    m_reports->setWordWrap(true);
    m_reports->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_reports->hide();
    showFailureColour();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(message);
    layout->addWidget(m_reports);
    layout->addWidget(apply, 0, Qt::AlignHCenter);

    // Load steps: the interface texts, then one beep; the desktop hears the
    // texts of the current language.
    loadLanguage(this);
    fitTitle(this);
    centreOnScreen(this);
    sound.beep();
    // Once the event loop runs again, so that a reason given right after the
    // load (showReason) is what the desktop hears; a command's result first.
    QTimer::singleShot(0, this, [this] {
        if (!m_awaitingCommand)
            notifyDesktop();
    });
}

void CompletionNotice::showReason(const CompletionChoice &choice)
{
    m_reason = int(choice.reason);
    m_missing = choice.missing;
    m_ended = choice.ended;
    m_arrived.clear();
    for (const QString &file : choice.files) {
        if (!choice.missing.contains(file))
            m_arrived.append(file);
    }
    m_finished = QDateTime::currentDateTime();
    m_countdowns.clear();
    if (choice.hangUp)
        m_countdowns.append({std::nullopt});
    if (choice.power)
        m_countdowns.append({choice.power});
    m_awaitingCommand = !choice.command.isEmpty() && !m_notified;
    m_reasonArgument = choice.reason == FinishReason::Quiet      ? QString::number(choice.quietMinutes)
                       : choice.reason == FinishReason::Deadline ? choice.deadline.toString(QStringLiteral("H:mm"))
                                                                 : QString();
    showReasonTexts();
}

void CompletionNotice::countdownEnded(std::optional<PowerControl::Action> power, bool declined)
{
    for (CountdownLine &line : m_countdowns) {
        if (line.power == power && line.state == Countdown::Ahead) {
            line.state = declined ? Countdown::Declined : Countdown::Done;
            break;
        }
    }
    showDetails();
}

void CompletionNotice::showDetails()
{
    QStringList lines;
    if (!m_arrived.isEmpty())
        lines += m_state.message(Msg::NoticeFilesIn) + u'\n' + m_arrived.join(u'\n');
    if (m_finished.isValid())
        lines += m_state.message(Msg::NoticeFinishedAt).arg(m_finished.toString(QStringLiteral("H:mm")));
    lines += m_successes;
    for (const CountdownLine &line : std::as_const(m_countdowns)) {
        const QString action = m_state.message(line.power ? powerActionInfo(*line.power).title : Msg::ActionHangUp);
        const Msg text = line.state == Countdown::Ahead  ? Msg::NoticeCountdownAhead
                         : line.state == Countdown::Done ? Msg::NoticeCountdownDone
                                                         : Msg::NoticeCountdownDeclined;
        lines += m_state.message(text).arg(action);
    }
    m_details->setText(lines.join(u'\n'));
    m_details->setVisible(!lines.isEmpty());
    fitContents();
}

void CompletionNotice::fitContents()
{
    // adjustSize() keeps a window with a wrapped label at its first width,
    // which cuts the lines added since: the window takes the width its texts
    // ask for, within the screen, and the height for that width.
    layout()->activate();
    QSize size = sizeHint().expandedTo(minimumSize());
    if (const QScreen *shown = screen())
        size = size.boundedTo(shown->availableGeometry().size());
    if (hasHeightForWidth())
        size.setHeight(qMax(size.height(), heightForWidth(size.width())));
    resize(size);
}

void CompletionNotice::showFailureColour()
{
    // Dark red on a light window, light red on a dark one: readable on both.
    const bool dark = palette().color(QPalette::Window).lightness() < 128;
    QPalette colours = m_reports->palette();
    colours.setColor(QPalette::WindowText, dark ? QColor(255, 140, 140) : QColor(160, 0, 0));
    m_reports->setPalette(colours);
}

QString CompletionNotice::wholeText() const
{
    QStringList parts = {m_text->text()};
    for (const QLabel *label : {m_details, m_reports}) {
        if (!label->text().isEmpty())
            parts.append(label->text());
    }
    return parts.join(u'\n');
}

void CompletionNotice::notifyDesktop()
{
    m_notified = true;
    m_awaitingCommand = false;
    m_notifier.notify(windowTitle(), wholeText());
}

void CompletionNotice::showReasonTexts()
{
    showDetails();
    const auto reason = FinishReason(m_reason);
    if (reason == FinishReason::Files)
        return;
    const bool quiet = reason == FinishReason::Quiet;
    QString text;
    if (reason == FinishReason::Programs) {
        setWindowTitle(m_state.message(Msg::NoticeTitlePrograms));
        text = m_state.message(Msg::FinishedPrograms);
        for (const EndedProgram &program : std::as_const(m_ended))
            text += u'\n' + m_state.message(Msg::NoticeProgramEnded)
                                .arg(program.name, QString::number(program.pid),
                                     program.at.toString(QStringLiteral("H:mm:ss")));
    } else {
        setWindowTitle(m_state.message(quiet ? Msg::NoticeTitleQuiet : Msg::NoticeTitleDeadline));
        text = m_state.message(quiet ? Msg::FinishedQuiet : Msg::FinishedDeadline).arg(m_reasonArgument);
    }
    if (!m_missing.isEmpty())
        text += u'\n' + m_state.message(Msg::MissingFiles) + u'\n' + m_missing.join(u'\n');
    m_text->setText(text);
    fitTitle(this);
    fitContents();
}

void CompletionNotice::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        showReasonTexts();
    else if (event->type() == QEvent::PaletteChange)
        showFailureColour();
}

void CompletionNotice::addReport(const QString &line, bool failure)
{
    if (failure) {
        m_reports->setText(m_reports->text().isEmpty() ? line : m_reports->text() + QLatin1Char('\n') + line);
        m_reports->show();
        fitContents();
    } else {
        m_successes.append(line);
        showDetails();
    }
    if (m_awaitingCommand)
        notifyDesktop();
}

void CompletionNotice::apply()
{
    close();
}

} // namespace quendral

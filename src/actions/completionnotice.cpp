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
#include <QTimer>
#include <QVBoxLayout>

namespace quendral {

CompletionNotice::CompletionNotice(const AppState &state, SoundPlayer &sound, DesktopNotifier &notifier,
                                   const LanguagePass &loadLanguage, QWidget *parent)
    : QWidget(parent)
    , m_state(state)
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

    auto *message = new QHBoxLayout;
    message->addWidget(image, 0, Qt::AlignTop);
    message->addWidget(text, 1);
    // Empty and out of sight until a step fails.
    m_reports = new QLabel(this);
    m_reports->setObjectName(QStringLiteral("lblreport"));
    m_reports->setWordWrap(true);
    m_reports->setStyleSheet(QStringLiteral("color: #a00000;"));
    m_reports->hide();
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
    // load (showReason) is what the desktop hears.
    QTimer::singleShot(0, this, [this, text, &notifier] { notifier.notify(windowTitle(), text->text()); });
}

void CompletionNotice::showReason(const CompletionChoice &choice)
{
    m_reason = int(choice.reason);
    m_missing = choice.missing;
    m_reasonArgument = choice.reason == FinishReason::Quiet      ? QString::number(choice.quietMinutes)
                       : choice.reason == FinishReason::Deadline ? choice.deadline.toString(QStringLiteral("H:mm"))
                                                                 : QString();
    showReasonTexts();
}

void CompletionNotice::showReasonTexts()
{
    const auto reason = FinishReason(m_reason);
    if (reason == FinishReason::Files)
        return;
    const bool quiet = reason == FinishReason::Quiet;
    setWindowTitle(m_state.message(quiet ? Msg::NoticeTitleQuiet : Msg::NoticeTitleDeadline));
    QString text = m_state.message(quiet ? Msg::FinishedQuiet : Msg::FinishedDeadline).arg(m_reasonArgument);
    if (!m_missing.isEmpty())
        text += u'\n' + m_state.message(Msg::MissingFiles) + u'\n' + m_missing.join(u'\n');
    m_text->setText(text);
    fitTitle(this);
    adjustSize();
}

void CompletionNotice::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        showReasonTexts();
}

void CompletionNotice::addReport(const QString &line)
{
    m_reports->setText(m_reports->text().isEmpty() ? line : m_reports->text() + QLatin1Char('\n') + line);
    m_reports->show();
    adjustSize();
}

void CompletionNotice::apply()
{
    close();
}

} // namespace quendral

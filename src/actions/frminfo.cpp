#include "actions/frminfo.h"

#include "actions/toolwindow.h"
#include "kit/desktopnotifier.h"
#include "kit/picturebutton.h"
#include "kit/soundplayer.h"
#include "kit/titlefit.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace quendral {

frminfo::frminfo(SoundPlayer &sound, DesktopNotifier &notifier, const std::function<void()> &loadLanguage,
                 QWidget *parent)
    : QWidget(parent)
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

    auto *text = new QLabel(
        QStringLiteral("Quendral stwierdził obecność zadanych plików na dysku i wykonał żądane operacje."), this);
    text->setObjectName(QStringLiteral("lblfile"));
    text->setWordWrap(true);
    text->setMinimumWidth(260);

    auto *apply = new PictureButton(QStringLiteral("&OK"), this);
    apply->setObjectName(QStringLiteral("cmdapply"));
    apply->setPictures(QIcon(QStringLiteral(":/quendral/actions/ok.svg")));
    apply->setDefault(true);
    connect(apply, &PictureButton::clicked, this, &frminfo::cmdapply_Click);

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
    loadLanguage();
    fitTitle(this);
    centreOnScreen(this);
    sound.beep();
    // Once the event loop runs again, so that a reason given right after the
    // load (setReason) is what the desktop hears.
    QTimer::singleShot(0, this, [this, text, &notifier] { notifier.notify(windowTitle(), text->text()); });
}

void frminfo::setReason(const QString &reason)
{
    findChild<QLabel *>(QStringLiteral("lblfile"))->setText(reason);
    adjustSize();
}

void frminfo::addReport(const QString &line)
{
    m_reports->setText(m_reports->text().isEmpty() ? line : m_reports->text() + QLatin1Char('\n') + line);
    m_reports->show();
    adjustSize();
}

void frminfo::cmdapply_Click()
{
    close();
}

} // namespace quendral

#include "kit/picturebutton.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace quendral {

namespace {
// Drawn before the caption beside a picture; the style's own gap is a few
// pixels, which leaves the picture touching the text.
const QString kSpacer = QStringLiteral("\u2002");
} // namespace

PictureButton::PictureButton(const QString &caption, QWidget *parent)
    : QPushButton(caption, parent)
{
    setAutoDefault(false);
}

void PictureButton::setPictures(const QIcon &normal, const QIcon &hover, const QIcon &pressed)
{
    m_normal = normal;
    m_hover = hover.isNull() ? normal : hover;
    m_pressed = pressed.isNull() ? m_hover : pressed;
    showPicture(m_pointerOver ? m_hover : m_normal);
}

int PictureButton::extraWidth() const
{
    if (text().isEmpty())
        return 0;
    const int padding = fontMetrics().averageCharWidth();
    return padding + (hasPictureAndCaption() ? fontMetrics().horizontalAdvance(kSpacer) : 0);
}

QSize PictureButton::sizeHint() const
{
    return QPushButton::sizeHint() + QSize(extraWidth(), 0);
}

QSize PictureButton::minimumSizeHint() const
{
    return QPushButton::minimumSizeHint() + QSize(extraWidth(), 0);
}

void PictureButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    if (hasPictureAndCaption())
        option.text.prepend(kSpacer);
    painter.drawControl(QStyle::CE_PushButton, option);
}

void PictureButton::showPicture(const QIcon &picture)
{
    setIcon(picture);
}

void PictureButton::focusInEvent(QFocusEvent *event)
{
    QPushButton::focusInEvent(event);
    emit gotFocus();
}

void PictureButton::enterEvent(QEnterEvent *event)
{
    m_pointerOver = true;
    showPicture(m_hover);
    QPushButton::enterEvent(event);
}

void PictureButton::leaveEvent(QEvent *event)
{
    m_pointerOver = false;
    showPicture(m_normal);
    QPushButton::leaveEvent(event);
}

void PictureButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        showPicture(m_pressed);
    QPushButton::mousePressEvent(event);
}

void PictureButton::mouseReleaseEvent(QMouseEvent *event)
{
    // The release may delete the window (a button that unloads it), so the
    // look is restored before the click is handled.
    showPicture(m_pointerOver ? m_hover : m_normal);
    QPushButton::mouseReleaseEvent(event);
}

} // namespace quendral

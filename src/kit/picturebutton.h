#pragma once

#include <QIcon>
#include <QPushButton>

namespace quendral {

// The push button every window uses: a caption whose "&" marks the access key
// (pressed with Alt), pictures for the normal, pointer-over and pressed looks,
// a pop-up hint (toolTip), the pressed event (clicked) and a focus-received
// event (gotFocus). Its caption keeps half a character's room from each edge
// and, beside a picture, a space's room from the picture.
class PictureButton : public QPushButton
{
    Q_OBJECT

public:
    explicit PictureButton(const QString &caption = {}, QWidget *parent = nullptr);

    void setPictures(const QIcon &normal, const QIcon &hover = {}, const QIcon &pressed = {});

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void gotFocus();

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void showPicture(const QIcon &picture);
    bool hasPictureAndCaption() const { return !icon().isNull() && !text().isEmpty(); }
    // The room added to the style's own size, from the spacer and the padding.
    int extraWidth() const;

    QIcon m_normal;
    QIcon m_hover;
    QIcon m_pressed;
    bool m_pointerOver = false;
};

} // namespace quendral

#pragma once

#include <QIcon>
#include <QPushButton>

namespace quendral {

// The push button every window uses: a caption whose "&" marks the access key
// (pressed with Alt), pictures for the normal, pointer-over and pressed looks,
// a pop-up hint (toolTip), the pressed event (clicked) and a focus-received
// event (gotFocus).
class PictureButton : public QPushButton
{
    Q_OBJECT

public:
    explicit PictureButton(const QString &caption = {}, QWidget *parent = nullptr);

    void setPictures(const QIcon &normal, const QIcon &hover = {}, const QIcon &pressed = {});

signals:
    void gotFocus();

protected:
    void focusInEvent(QFocusEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void showPicture(const QIcon &picture);

    QIcon m_normal;
    QIcon m_hover;
    QIcon m_pressed;
    bool m_pointerOver = false;
};

} // namespace quendral

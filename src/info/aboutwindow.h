#pragma once

#include "info/links.h"
#include "kit/languagepass.h"

#include <QWidget>

#include <functional>

class QLabel;

namespace quendral {

// The About window: version, build date, terms of distribution and the
// author's e-mail and web links. The links turn yellow under the pointer.
class AboutWindow : public QWidget
{
    Q_OBJECT

public:
    AboutWindow(LanguagePass loadLanguage, LinkOpener open = openWithDesktop, QWidget *parent = nullptr);

    void Form_MouseMove();
    void Label5_MouseMove();
    void Label6_MouseMove();
    void openMailLink();
    void openWebLink();
    void apply();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QLabel *addLabel(const QString &name, const QString &text);
    QLabel *addLink(const QString &name, const QString &text);
    QLabel *addPicture(const QString &name, const QString &picture);
    void setLinkColours(const QColor &mail, const QColor &web);

    LinkOpener m_open;
    QLabel *m_Label5;
    QLabel *m_Label6;
};

} // namespace quendral

#include "kit/windowfactory.h"

#include <QDialog>
#include <QEventLoop>

namespace quendral {

WindowFactory::WindowFactory(QObject *parent)
    : QObject(parent)
{
}

void WindowFactory::setCreator(const QString &name, Creator creator)
{
    m_creators.insert(name, std::move(creator));
}

QWidget *WindowFactory::loaded(const QString &name) const
{
    return m_loaded.value(name).data();
}

bool WindowFactory::isVisible(const QString &name) const
{
    const QWidget *window = loaded(name);
    return window && window->isVisible();
}

QWidget *WindowFactory::loadWindow(const QString &name)
{
    if (QWidget *window = loaded(name))
        return window;
    const auto creator = m_creators.constFind(name);
    if (creator == m_creators.cend())
        return nullptr;
    QWidget *window = (*creator)();
    if (window)
        m_loaded.insert(name, window);
    return window;
}

QWidget *WindowFactory::load(const QString &name)
{
    emit requested(name, Request::Load);
    return loadWindow(name);
}

QWidget *WindowFactory::show(const QString &name)
{
    emit requested(name, Request::Show);
    QWidget *window = loadWindow(name);
    if (window) {
        window->show();
        window->raise();
        // A window that appears unasked (a countdown, the completion notice)
        // leaves the keyboard with the program the user is typing in.
        if (!window->testAttribute(Qt::WA_ShowWithoutActivating))
            window->activateWindow();
    }
    return window;
}

void WindowFactory::showModal(const QString &name)
{
    emit requested(name, Request::ShowModal);
    QPointer<QWidget> window = loadWindow(name);
    if (!window)
        return;
    if (auto *dialog = qobject_cast<QDialog *>(window.data())) {
        dialog->exec();
        return;
    }
    // A plain window: block here, as a modal window does, until it is hidden
    // or unloaded.
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    QEventLoop loop;
    connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    while (window && window->isVisible())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace quendral

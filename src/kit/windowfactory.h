#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

namespace quendral {

// Loads and shows the program's windows by name ("frmmain", "frmadd", ...).
// Each subsystem registers a creator for its windows; the tray menu and the
// start-up only ask for names. A loaded window is an existing window object,
// shown or hidden; a window unloads by deleting itself (close with
// Qt::WA_DeleteOnClose, or deleteLater), and the next request loads it afresh.
class WindowFactory : public QObject
{
    Q_OBJECT

public:
    enum class Request { Load, Show, ShowModal };
    Q_ENUM(Request)

    // Creates the window; its constructor runs the window's load steps.
    using Creator = std::function<QWidget *()>;

    explicit WindowFactory(QObject *parent = nullptr);

    void setCreator(const QString &name, Creator creator);

    // The loaded window of that name, or nullptr.
    QWidget *loaded(const QString &name) const;
    bool isVisible(const QString &name) const;

    // Loads the window without showing it (nothing happens when it is loaded
    // already). Returns nullptr when no window of that name is registered.
    QWidget *load(const QString &name);
    // Loads if needed and shows without blocking, on top; active unless the
    // window has Qt::WA_ShowWithoutActivating.
    QWidget *show(const QString &name);
    // Loads if needed and shows modally; returns when the window is closed.
    void showModal(const QString &name);

signals:
    // Every request, also for windows that no subsystem has registered yet.
    void requested(const QString &name, quendral::WindowFactory::Request request);

private:
    QWidget *loadWindow(const QString &name);

    QHash<QString, Creator> m_creators;
    QHash<QString, QPointer<QWidget>> m_loaded;
};

} // namespace quendral

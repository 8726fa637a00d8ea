#pragma once

#include <QDBusContext>
#include <QObject>
#include <QVariantMap>

#include <functional>

namespace quendral {

class Control;
struct Reply;

// The running copy's object on the session bus: the slots the adaptor made
// from quendral-control.xml calls, each running its command. An answer is
// sent when the command gives it, which may be before the command is over.
class DBusService : public QObject, protected QDBusContext
{
    Q_OBJECT

public:
    explicit DBusService(Control &control, QObject *parent = nullptr);

public slots:
    QString Monitor();
    QString Stop();
    void CheckNow();
    void Cancel();
    QVariantMap Status();
    QString StatusText(bool json);
    void Add(const QString &path);
    void WaitPid(uint pid);
    void WaitProgram(const QString &name);

signals:
    void StateChanged(const QString &state);

private:
    // The answer's body, from the command's reply when it is done.
    using Answer = std::function<QVariant(const Reply &)>;
    void run(int command, const QString &argument = QString(), const Answer &answer = {});

    Control &m_control;
};

} // namespace quendral

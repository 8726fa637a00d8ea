#pragma once

// Helpers that drive the watch-list windows in tests: acting on the modal
// windows that Add and OK open, and walking the focus chain.

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace quendral::test {

// Acts on the modal window of type T once its exec() has started. When some
// other window is on top instead, the test fails and that window is closed,
// so a wrong window can never leave the test hanging.
template <typename T> void whenModal(std::function<void(T *)> act)
{
    QTimer::singleShot(0, qApp, [act] {
        QWidget *top = QApplication::activeModalWidget();
        if (auto *window = qobject_cast<T *>(top)) {
            act(window);
            return;
        }
        QTest::qFail("the expected modal window is not on top", __FILE__, __LINE__);
        if (top)
            top->close();
    });
}

// Closes any modal window that opens where none should, and says so. Its
// check runs once, at the next turn of an event loop, while it lives.
class RefuseModal
{
public:
    RefuseModal()
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            if (QWidget *top = QApplication::activeModalWidget()) {
                m_opened = true;
                top->close();
            }
        });
        m_timer.start(0);
    }
    bool opened() const { return m_opened; }

private:
    QTimer m_timer;
    bool m_opened = false;
};

// The object names of the focused control and the next ones, pressing Tab
// after each.
inline QStringList tabWalk(int steps)
{
    QStringList names;
    for (int i = 0; i < steps; ++i) {
        names.append(QApplication::focusWidget()->objectName());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    return names;
}

} // namespace quendral::test

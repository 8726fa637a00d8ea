#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;

namespace quendral {

struct AppState;

// The user's running programs, one line per name, to pick those whose end
// monitoring waits for; several may be picked at once.
class ProgramChooser : public QDialog
{
    Q_OBJECT

public:
    ProgramChooser(const AppState &state, const QStringList &programs, QWidget *parent = nullptr);

    QStringList chosen() const;

    // Shows the chooser over `parent` with this user's running programs and
    // returns the names picked, none when cancelled.
    static QStringList choose(const AppState &state, QWidget *parent);
    // The names of this user's running programs, each once, in name order.
    static QStringList runningNames();

private:
    QLabel *m_lblprograms;
    QListWidget *m_lstprograms;
};

} // namespace quendral

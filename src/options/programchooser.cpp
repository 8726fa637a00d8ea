#include "options/programchooser.h"

#include "engine/programwatch.h"
#include "kit/named.h"
#include "settings/appstate.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace quendral {

ProgramChooser::ProgramChooser(const AppState &state, const QStringList &programs, QWidget *parent)
    : QDialog(parent)
    , m_lblprograms(named<QLabel>(this, "lblprograms", state.message(Msg::ProgramsPrompt)))
    , m_lstprograms(named<QListWidget>(this, "lstprograms"))
{
    setObjectName(QStringLiteral("frmprograms"));
    setWindowTitle(state.message(Msg::ProgramsTitle));
    m_lblprograms->setBuddy(m_lstprograms);
    m_lblprograms->setWordWrap(true);
    m_lstprograms->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_lstprograms->setAccessibleName(m_lblprograms->text());
    m_lstprograms->addItems(programs);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // A double click picks the one program.
    connect(m_lstprograms, &QListWidget::itemActivated, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_lblprograms);
    layout->addWidget(m_lstprograms, 1);
    layout->addWidget(buttons);
}

QStringList ProgramChooser::chosen() const
{
    QStringList names;
    for (const QListWidgetItem *item : m_lstprograms->selectedItems())
        names.append(item->text());
    return names;
}

QStringList ProgramChooser::runningNames()
{
    QStringList names;
    for (const RunningProgram &program : programwatch::userPrograms())
        names.append(program.name);
    names.removeDuplicates();
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return names;
}

QStringList ProgramChooser::choose(const AppState &state, QWidget *parent)
{
    ProgramChooser chooser(state, runningNames(), parent);
    return chooser.exec() == QDialog::Accepted ? chooser.chosen() : QStringList();
}

} // namespace quendral

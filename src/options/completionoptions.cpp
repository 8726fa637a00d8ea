#include "options/completionoptions.h"

#include "base/commandline.h"
#include "kit/named.h"
#include "settings/completionchoice.h"
#include "settings/options.h"
#include "settings/storekeys.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>

namespace quendral {

CompletionOptions::CompletionOptions(QCheckBox *comp_off, QVBoxLayout *layout, FileDialogRunner runDialog)
    : QObject(comp_off)
    , m_comp_off(comp_off)
    , m_runDialog(std::move(runDialog))
    , m_action(new QButtonGroup(this))
{
    QWidget *frame = comp_off->parentWidget();
    // One button per power action, its id the stored number.
    auto *actions = new QHBoxLayout;
    actions->addSpacing(24);
    for (const PowerActionInfo &row : powerActions()) {
        auto *option = named<QRadioButton>(frame, row.radio, QString::fromUtf8(row.caption));
        m_action->addButton(option, int(row.action));
        actions->addWidget(option);
    }
    actions->addStretch();
    layout->insertLayout(layout->indexOf(comp_off) + 1, actions);
    connect(comp_off, &QCheckBox::toggled, this, [this](bool on) {
        for (QAbstractButton *option : m_action->buttons())
            option->setEnabled(on);
    });
    connect(m_action, &QButtonGroup::idToggled, this, &CompletionOptions::focusCheckedAction);

    m_txtcommand = named<QLineEdit>(frame, "txtcommand");
    auto *label = named<QLabel>(frame, "lblcommand", QStringLiteral("Po zakończeniu uruchom:"));
    label->setBuddy(m_txtcommand);
    m_cmdcommand = named<QPushButton>(frame, "cmdcommand", QStringLiteral("Przeglądaj..."));
    m_cmdcommand->setToolTip(QStringLiteral("Wybierz program do uruchomienia"));
    connect(m_cmdcommand, &QPushButton::clicked, this, &CompletionOptions::browseCommand);

    m_txtcountdown = named<BoundedField<QSpinBox>>(frame, "txtcountdown");
    const OptionRow &length = Options::row(keys::kCountdown);
    m_txtcountdown->setRange(int(length.min), int(length.max));
    m_txtcountdown->setSuffix(QStringLiteral(" s"));
    auto *countdownLabel = named<QLabel>(frame, "lblcountdown", QStringLiteral("Odliczanie:"));
    countdownLabel->setBuddy(m_txtcountdown);

    // Labels in one column, the fields beside them.
    auto *grid = new QGridLayout;
    grid->addWidget(label, 0, 0);
    auto *command = new QHBoxLayout;
    command->addWidget(m_txtcommand, 1);
    command->addWidget(m_cmdcommand);
    grid->addLayout(command, 0, 1);
    grid->addWidget(countdownLabel, 1, 0);
    grid->addWidget(m_txtcountdown, 1, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
}

QList<QWidget *> CompletionOptions::actionButtons() const
{
    QList<QWidget *> buttons;
    for (QAbstractButton *option : m_action->buttons())
        buttons.append(option);
    return buttons;
}

QList<QWidget *> CompletionOptions::commandControls() const
{
    return {m_txtcommand, m_cmdcommand, m_txtcountdown};
}

void CompletionOptions::focusCheckedAction()
{
    for (QAbstractButton *option : m_action->buttons())
        option->setFocusPolicy(option->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

void CompletionOptions::load(const Options &options)
{
    m_action->button(int(options.powerActionChoice()))->setChecked(true);
    for (QAbstractButton *option : m_action->buttons())
        option->setEnabled(m_comp_off->isChecked());
    m_txtcommand->setText(options.command);
    m_txtcountdown->setValue(options.countdownSeconds());
}

void CompletionOptions::save(Options &options) const
{
    // A value the window did not change keeps its stored text, or its absence.
    if (m_action->checkedId() != int(options.powerActionChoice()))
        options.powerAction = Flag(QString::number(m_action->checkedId()));
    options.command = m_txtcommand->text().trimmed();
    if (m_txtcountdown->value() != options.countdownSeconds())
        options.countdown = Flag(QString::number(m_txtcountdown->value()));
}

QString CompletionOptions::missingProgram() const
{
    const QStringList arguments = splitCommandLine(m_txtcommand->text().trimmed());
    if (arguments.isEmpty())
        return {};
    const QString program = arguments.first();
    // A bare name is looked up on the PATH, as the completion will start it.
    const QString found = program.contains(QDir::separator()) || program.contains(u'/')
                              ? program
                              : QStandardPaths::findExecutable(program);
    const QFileInfo file(found);
    return !found.isEmpty() && file.isFile() && file.isExecutable() ? QString() : program;
}

void CompletionOptions::browseCommand()
{
    QFileDialog dialog(m_txtcommand->window());
    dialog.setObjectName(QStringLiteral("commanddialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QString file = QDir::toNativeSeparators(m_runDialog(dialog));
    if (file.isEmpty())
        return;
    // The path as one program, whatever characters it holds.
    m_txtcommand->setText(quoteCommandArgument(file));
}

} // namespace quendral

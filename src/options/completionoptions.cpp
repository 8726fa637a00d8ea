#include "options/completionoptions.h"

#include "base/commandline.h"
#include "kit/named.h"
#include "settings/options.h"
#include "settings/storekeys.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace quendral {

CompletionOptions::CompletionOptions(QCheckBox *comp_off, QVBoxLayout *layout, FileDialogRunner runDialog)
    : QObject(comp_off)
    , m_comp_off(comp_off)
    , m_runDialog(std::move(runDialog))
    , m_action(new QButtonGroup(this))
{
    QWidget *frame = comp_off->parentWidget();
    // In the order of the stored numbers 0, 1, 2.
    auto *actions = new QHBoxLayout;
    actions->addSpacing(24);
    int id = 0;
    for (const auto &[name, caption] : {std::pair{"optpoweroff", QStringLiteral("Wyłącz")},
                                        {"optsuspend", QStringLiteral("Uśpij")},
                                        {"opthibernate", QStringLiteral("Hibernuj")}}) {
        auto *option = named<QRadioButton>(frame, name, caption);
        m_action->addButton(option, id++);
        actions->addWidget(option);
    }
    actions->addStretch();
    layout->insertLayout(layout->indexOf(comp_off) + 1, actions);
    connect(comp_off, &QCheckBox::toggled, this, [this](bool on) {
        for (QAbstractButton *option : m_action->buttons())
            option->setEnabled(on);
    });

    m_txtcommand = named<QLineEdit>(frame, "txtcommand");
    auto *label = named<QLabel>(frame, "lblcommand", QStringLiteral("Po zakończeniu uruchom:"));
    label->setBuddy(m_txtcommand);
    auto *browse = named<QPushButton>(frame, "cmdcommand", QStringLiteral("..."));
    browse->setToolTip(QStringLiteral("Wybierz program do uruchomienia"));
    connect(browse, &QPushButton::clicked, this, &CompletionOptions::browseCommand);
    auto *command = new QHBoxLayout;
    command->addWidget(label);
    command->addWidget(m_txtcommand, 1);
    command->addWidget(browse);
    layout->addLayout(command);

    m_txtcountdown = named<QSpinBox>(frame, "txtcountdown");
    const OptionRow &length = Options::row(keys::kCountdown);
    m_txtcountdown->setRange(int(length.min), int(length.max));
    auto *countdownLabel = named<QLabel>(frame, "lblcountdown", QStringLiteral("Odliczanie (s):"));
    countdownLabel->setBuddy(m_txtcountdown);
    auto *countdown = new QHBoxLayout;
    countdown->addWidget(countdownLabel);
    countdown->addWidget(m_txtcountdown);
    countdown->addStretch();
    layout->addLayout(countdown);
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

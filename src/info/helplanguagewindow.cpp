#include "info/helplanguagewindow.h"

#include "info/helpwindow.h"
#include "kit/titlefit.h"
#include "kit/windowfactory.h"
#include "settings/appstate.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace quendral {

HelpLanguageWindow::HelpLanguageWindow(AppState &state, WindowFactory &windows, LanguagePass loadLanguage,
                                       QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_state(state)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("frmprehelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Wybierz język pomocy"));

    QPushButton *polish =
        addFlag(QStringLiteral("imgpl"), QStringLiteral(":/quendral/pictures/flag_pl.svg"), QStringLiteral("Polish"));
    QPushButton *english =
        addFlag(QStringLiteral("imgen"), QStringLiteral(":/quendral/pictures/flag_en.svg"), QStringLiteral("English"));
    connect(polish, &QPushButton::clicked, this, &HelpLanguageWindow::showPolishHelp);
    connect(english, &QPushButton::clicked, this, &HelpLanguageWindow::showEnglishHelp);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(polish);
    layout->addWidget(english);
    setFixedSize(sizeHint());

    loadLanguage(this);
    fitTitle(this);
}

QPushButton *HelpLanguageWindow::addFlag(const QString &name, const QString &picture, const QString &hint)
{
    // A flat button is a picture that takes clicks, and the keyboard can reach it.
    auto *flag = new QPushButton(this);
    flag->setObjectName(name);
    flag->setFlat(true);
    flag->setIcon(QIcon(picture));
    flag->setIconSize(QSize(64, 40));
    flag->setToolTip(hint);
    flag->setCursor(Qt::PointingHandCursor);
    return flag;
}

void HelpLanguageWindow::showPolishHelp()
{
    openHelp(QStringLiteral("PL"));
}

void HelpLanguageWindow::showEnglishHelp()
{
    openHelp(QStringLiteral("EN"));
}

void HelpLanguageWindow::openHelp(const QString &language)
{
    m_state.helpLanguage = language;
    // A help window that is open already keeps its window; it only switches
    // to the language chosen now.
    if (auto *help = qobject_cast<HelpWindow *>(m_windows.show(QStringLiteral("frmhelp"))))
        help->showChosenText();
    close();
}

} // namespace quendral

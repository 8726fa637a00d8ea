#include "info/helpwindow.h"

#include "info/helptext.h"
#include "kit/picturebutton.h"
#include "settings/appstate.h"

#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace quendral {

HelpWindow::HelpWindow(AppState &state, LanguagePass loadLanguage, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_state(state)
{
    setObjectName(QStringLiteral("frmhelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Pomoc"));
    resize(600, 480);

    auto *lbltitle = new QLabel(QStringLiteral("Pomoc programu Quendral"), this);
    lbltitle->setObjectName(QStringLiteral("lbltitle"));
    QFont titleFont = lbltitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    lbltitle->setFont(titleFont);

    auto *lblhowuse = new QLabel(QStringLiteral("Jak korzystać z programu?"), this);
    lblhowuse->setObjectName(QStringLiteral("lblhowuse"));

    m_txthelp = addHelpText(QStringLiteral("txthelp"), polishHelpText());
    m_txthelp_en = addHelpText(QStringLiteral("txthelp_en"), englishHelpText());
    // Both texts share one cell: only the chosen one is visible.
    auto *texts = new QGridLayout;
    texts->addWidget(m_txthelp, 0, 0);
    texts->addWidget(m_txthelp_en, 0, 0);

    auto *cmdapply = new PictureButton(QStringLiteral("&OK"), this);
    cmdapply->setObjectName(QStringLiteral("cmdapply"));
    connect(cmdapply, &PictureButton::clicked, this, &HelpWindow::apply);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lbltitle);
    layout->addWidget(lblhowuse);
    layout->addLayout(texts, 1);
    layout->addWidget(cmdapply, 0, Qt::AlignRight);

    loadLanguage(this);
    showChosenText();
}

QPlainTextEdit *HelpWindow::addHelpText(const QString &name, const QString &text)
{
    auto *box = new QPlainTextEdit(text, this);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return box;
}

void HelpWindow::showChosenText()
{
    const bool english = m_state.helpLanguage == QLatin1String("EN");
    m_txthelp->setVisible(!english);
    m_txthelp_en->setVisible(english);
}

void HelpWindow::apply()
{
    close();
}

} // namespace quendral

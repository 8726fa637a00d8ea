#pragma once

#include "kit/languagepass.h"

#include <QWidget>

#include <functional>

class QPlainTextEdit;

namespace quendral {

struct AppState;

// The help window: the fixed Polish and English help texts lie one over the
// other, and the one of the language chosen last (help_lang) is shown.
class HelpWindow : public QWidget
{
    Q_OBJECT

public:
    HelpWindow(AppState &state, LanguagePass loadLanguage, QWidget *parent = nullptr);

    // Shows the text of help_lang: "EN" the English one, otherwise the Polish
    // one (the window's own language, also when help is opened unchosen).
    void showChosenText();

    void apply();

private:
    QPlainTextEdit *addHelpText(const QString &name, const QString &text);

    AppState &m_state;
    QPlainTextEdit *m_txthelp;
    QPlainTextEdit *m_txthelp_en;
};

} // namespace quendral

#pragma once

#include "kit/languagepass.h"

#include <QWidget>

#include <functional>

class QPushButton;

namespace quendral {

struct AppState;
class WindowFactory;

// The help-language chooser: a click on a flag opens the help window in that
// language and closes the chooser.
class HelpLanguageWindow : public QWidget
{
    Q_OBJECT

public:
    HelpLanguageWindow(AppState &state, WindowFactory &windows, LanguagePass loadLanguage, QWidget *parent = nullptr);

    void showPolishHelp();
    void showEnglishHelp();

private:
    QPushButton *addFlag(const QString &name, const QString &picture, const QString &hint);
    void openHelp(const QString &language);

    AppState &m_state;
    WindowFactory &m_windows;
};

} // namespace quendral

#include "watchlist/filenamewindow.h"

#include "kit/messagebox.h"
#include "kit/named.h"
#include "settings/appstate.h"
#include "settings/watchliststore.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quendral {

FileNameWindow::FileNameWindow(AppState &state, LanguagePass loadLanguage, const QString &folder,
                               std::function<QString()> chosenFolder, std::function<QStringList()> listed,
                               std::function<void(const QString &)> addEntry, QWidget *parent)
    : KeyDialog(parent)
    , m_state(state)
    , m_loadLanguage(std::move(loadLanguage))
    , m_chosenFolder(std::move(chosenFolder))
    , m_listed(std::move(listed))
    , m_addEntry(std::move(addEntry))
    , m_lblfile(named<QLabel>(this, "lblfile",
                              QStringLiteral("Podaj nazwę (nie ścieżkę) pliku, który chcesz pobrać. Zostanie on "
                                             "dodany do listy plików monitorowanych:")))
    , m_lbldir(named<QLabel>(this, "lbldir", QStringLiteral("Wybrany folder:")))
    , m_txtdir(named<QLineEdit>(this, "txtdir"))
    , m_lblfile2(named<QLabel>(this, "lblfile2", QStringLiteral("Nazwa pliku:")))
    , m_txtfile(named<QLineEdit>(this, "txtfile"))
    , m_cmdok(named<QPushButton>(this, "cmdok", QStringLiteral("OK")))
    , m_cmdcancel(named<QPushButton>(this, "cmdcancel", QStringLiteral("Anuluj")))
{
    setObjectName(QStringLiteral("frmfile"));
    setWindowTitle(QStringLiteral("Określ nazwę pliku:"));
    m_lblfile->setWordWrap(true);
    m_txtdir->setReadOnly(true);
    m_lbldir->setBuddy(m_txtdir);
    m_lblfile2->setBuddy(m_txtfile);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_lblfile);
    layout->addWidget(m_lbldir);
    layout->addWidget(m_txtdir);
    layout->addWidget(m_lblfile2);
    layout->addWidget(m_txtfile);
    layout->addLayout(buttonRow({m_cmdok, m_cmdcancel}));
    resize(420, sizeHint().height());

    setTabOrder(m_txtfile, m_cmdcancel);
    setTabOrder(m_cmdcancel, m_cmdok);
    setTabOrder(m_cmdok, m_txtdir);
    m_txtfile->setFocus();

    connect(m_cmdok, &QPushButton::clicked, this, &FileNameWindow::confirm);
    connect(m_cmdcancel, &QPushButton::clicked, this, &FileNameWindow::cancel);

    load();
    m_txtdir->setText(folder);
}

void FileNameWindow::load()
{
    m_loadLanguage(this);
}

void FileNameWindow::confirm()
{
    if (!m_txtdir->text().isEmpty() && !m_txtfile->text().isEmpty()) {
        // The name is used as typed, but never one the list would read back
        // as another path, nor a folder, a missing folder or a repeat. The
        // window stays, so the name can be put right.
        const QString entry = joinPath(m_chosenFolder(), m_txtfile->text());
        if (const auto why = watchlist::refusal(m_listed(), entry)) {
            msgbox::show(this, m_state.message(*why), msgbox::Icon::Warning);
            m_txtfile->setFocus();
            return;
        }
        m_addEntry(entry);
        close();
        emit entryAdded();
        return;
    }
    if (m_txtdir->text().isEmpty())
        msgbox::show(this, m_state.message(Msg::PathToFolder), msgbox::Icon::Warning);
    if (m_txtfile->text().isEmpty())
        msgbox::show(this, m_state.message(Msg::PathToFile), msgbox::Icon::Warning);
}

void FileNameWindow::cancel()
{
    close();
}

} // namespace quendral

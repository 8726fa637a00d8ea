#include "kit/picturebutton.h"
#include "kit/windowfactory.h"
#include "lang/messages.h"
#include "options/optionswindow.h"
#include "options/programchooser.h"
#include "settings/appstate.h"
#include "settings/autostart.h"
#include "settings/inifile.h"
#include "settings/launcher.h"
#include "settings/options.h"
#include "settings/regfile.h"
#include "settings/runkey.h"
#include "support/testsupport.h"
#include "support/windowrig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>

#include <optional>

#include <sys/inotify.h>
#include <unistd.h>

using namespace quendral;

namespace {

// The renames onto the file `name` among the events queued on inotify `fd`:
// each atomic write ends in one. Watch IN_CREATE too, as the kernel merges an
// event into an identical one queued right before it.
int renamesOnto(int fd, const QByteArray &name)
{
    alignas(inotify_event) char events[16384];
    const ssize_t size = ::read(fd, events, sizeof events);
    int count = 0;
    for (ssize_t at = 0; at < size;) {
        const auto *event = reinterpret_cast<const inotify_event *>(events + at);
        count += (event->mask & IN_MOVED_TO) && event->len > 0 && name == event->name;
        at += ssize_t(sizeof(inotify_event) + event->len);
    }
    return count;
}

} // namespace

class TestFrmmain : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::WindowRig> m_rig;
    QPointer<OptionsWindow> m_window;
    QStringList m_calls;         // language passes and the dialog, in order
    QStringList m_dialogAnswers; // what the file dialog returns, one per showing
    QString m_dialogTitle;
    QStringList m_dialogFilters;
    QStringList m_picked; // what the programs' chooser answers

    OptionsWindow *load()
    {
        OptionsWindow::Deps deps;
        deps.loadLanguage = [this](QWidget *window) { m_calls.append(window ? "loadLanguage" : "loadLanguage(all)"); };
        deps.browserButtonText = [] { return QStringLiteral("Watch the downloads!"); };
        deps.runDialog = [this](QFileDialog &dialog) {
            m_calls.append("dialog");
            m_dialogTitle = dialog.windowTitle();
            m_dialogFilters = dialog.nameFilters();
            return m_dialogAnswers.isEmpty() ? QString() : m_dialogAnswers.takeFirst();
        };
        deps.choosePrograms = [this](QWidget *) {
            m_calls.append("choosePrograms");
            return m_picked;
        };
        m_window = new OptionsWindow(m_rig->state, m_rig->factory, deps);
        return m_window;
    }

    template <typename T> T *control(const char *name) const
    {
        T *found = m_window->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    QCheckBox *box(const char *name) const { return control<QCheckBox>(name); }

    QString user(const char *key) const { return m_rig->state.store.GetUserSetting(QLatin1String(key)); }
    void setUser(const char *key, const QString &value)
    {
        m_rig->state.store.SaveUserSetting(QLatin1String(key), value);
    }
    QString storedLanguage() const { return ini::read(m_rig->state.store.settingsFilePath(), "options", "language"); }
    QString wav(const char *name) const
    {
        m_rig->folder.write(name, "RIFF");
        return m_rig->folder.file(name);
    }

private slots:
    void init()
    {
        QFile::remove(reg::userHivePath());
        QFile::remove(reg::machineHivePath());
        QFile::remove(launcher::path());
        QDir(runkey::autostartFolder()).removeRecursively();
        m_rig = std::make_unique<test::WindowRig>(test::ProgramFolder::Languages::Shipped);
        setBuiltInMessages(m_rig->state);
        m_rig->state.messages.insert({{"nopathtosound", "NOPATH"},
                                      {"deletefiles", "DELETED"},
                                      {"sounddialogtitle", "SOUND?"},
                                      {"sounddialogfilter", "Sounds (*.wav)"},
                                      {"outofrange", "OUT %1 %2 %3"},
                                      {"commandnotfound", "MISSING %1"}});
        m_calls.clear();
        m_dialogAnswers.clear();
    }

    void cleanup() { delete m_window; }

    // --- the window ---

    void controlsCarryTheirNamesAndTexts()
    {
        load();
        QCOMPARE(m_window->objectName(), "frmmain");
        QCOMPARE(m_window->windowTitle(), "Quendral - opcje");
        QCOMPARE(control<QLabel>("lblintroduction")->text(),
                 "Wybierz żądane opcje i kliknij przycisk \"Zastosuj i ukryj\". Pamiętaj, że program rozpocznie "
                 "pracę, po wybraniu opcji monitorowania z popup menu!");
        QCOMPARE(control<QGroupBox>("frmoption")->title(), "Śledzone pliki");
        QCOMPARE(control<QLabel>("lblmonit")->text(), "Monitorowane pliki:");
        QCOMPARE(control<PictureButton>("cmdlist")->text(), "Pokaż listę plików");
        QCOMPARE(box("disconnect")->text(), "Rozłącz aktywne połączenie gdy zadane pliki zostaną pobrane");
        QCOMPARE(box("comp_off")->text(), "Wyłącz komputer gdy zadane pliki zostaną pobrane");
        QCOMPARE(box("sound")->text(), "Odtwórz dźwięk gdy zadane pliki zostaną pobrane");
        QCOMPARE(box("info_files")->text(), "Wyświetl komunikat gdy zadane pliki zostaną pobrane");
        QCOMPARE(control<QGroupBox>("frmlanguage")->title(), "Język interfejsu");
        QVERIFY(control<QComboBox>("language"));
        QCOMPARE(control<QGroupBox>("frmbonus")->title(), "Uruchamianie i integracja");
        QCOMPARE(box("start")->text(), "Uruchamiaj przy starcie systemu Windows");
        QCOMPARE(box("ie")->text(), "Pokazuj ikonę na pasku narzędzi w Internet Explorer");
        QCOMPARE(control<PictureButton>("cmdapply")->text(), "&Zastosuj i ukryj");
        QCOMPARE(control<PictureButton>("cmdapply")->toolTip(), "Minimalizuje program do ikonki");
        QCOMPARE(control<PictureButton>("cmdcancel")->text(), "&Anuluj i ukryj");
        QCOMPARE(control<PictureButton>("cmdcancel")->toolTip(), "Minimalizuje program do ikonki");
        QVERIFY(!control<QLabel>("Label1")->text().isEmpty());
    }

    // --- load ---

    void firstStartChecksHangUpOnly()
    {
        load();
        QVERIFY(box("disconnect")->isChecked());
        for (const char *name : {"comp_off", "sound", "info_files", "start", "ie"})
            QVERIFY2(!box(name)->isChecked(), name);
        QCOMPARE(user("start"), "0");
        QVERIFY(!m_calls.contains("dialog"));
    }

    void loadShowsStoredValues_data()
    {
        QTest::addColumn<QString>("disconnect");
        QTest::addColumn<QString>("compOff");
        QTest::addColumn<int>("action"); // the option button shown; PowerAction stored as its number
        QTest::newRow("power-off only") << "0"
                                        << "1" << 0;
        QTest::newRow("both, hibernate") << "1"
                                         << "1" << 2;
        QTest::newRow("hang-up only, suspend") << "1"
                                               << "0" << 1;
    }

    void loadShowsStoredValues()
    {
        QFETCH(QString, disconnect);
        QFETCH(QString, compOff);
        setUser("autodisconnect", disconnect);
        setUser("autocomp_off", compOff);
        setUser("infofiles", "1");
        setUser("ie", "1");
        QFETCH(int, action);
        setUser("PowerAction", action ? QString::number(action) : QString());
        load();
        const char *options[] = {"optpoweroff", "optsuspend", "opthibernate"};
        QVERIFY(control<QRadioButton>(options[action])->isChecked());
        QCOMPARE(control<QRadioButton>(options[action])->isEnabled(), compOff == "1");
        QCOMPARE(box("disconnect")->isChecked(), disconnect == "1");
        QCOMPARE(box("comp_off")->isChecked(), compOff == "1");
        QVERIFY(box("info_files")->isChecked());
        QVERIFY(box("ie")->isChecked());
    }

    void startFollowsTheRunEntry()
    {
        setUser("start", "0");
        RemoveAutostart();
        AddAutostart(m_rig->state);
        load();
        QCOMPARE(user("start"), "1");
        QVERIFY(box("start")->isChecked());
        delete m_window;
        RemoveAutostart(); // removed behind the window's back: the next load sees it
        load();
        QCOMPARE(user("start"), "0");
        QVERIFY(!box("start")->isChecked());
    }

    void missingSoundFileSwitchesSoundOff_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("deleted file") << "/no/such/file.wav";
        QTest::newRow("no path") << "";
    }

    void missingSoundFileSwitchesSoundOff()
    {
        QFETCH(QString, path);
        setUser("sound", "1");
        setUser("sound_path", path);
        test::MessageBoxes boxes;
        load();
        QCOMPARE(boxes.texts(), QStringList{"NOPATH"});
        QCOMPARE(boxes.shown().first().icon, msgbox::Icon::Critical);
        QCOMPARE(user("sound"), "0");
        QCOMPARE(user("sound_path"), path);
        QVERIFY(!box("sound")->isChecked());
        QVERIFY(!m_calls.contains("dialog"));
    }

    // A start-up that leaves the window unbuilt makes the same corrections
    // its load makes, and tells of a missing sound file the same way.
    void theLoadsCorrectionsComeWithoutTheWindow_data()
    {
        QTest::addColumn<QString>("sound");
        QTest::addColumn<bool>("fileThere");
        QTest::addColumn<bool>("autostart");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("soundAfter");
        QTest::newRow("sound with no file") << "1" << false << false << QStringList{"NOPATH"} << "0";
        QTest::newRow("sound with its file") << "1" << true << false << QStringList{} << "1";
        QTest::newRow("no sound, started at logon") << "0" << false << true << QStringList{} << "0";
    }
    void theLoadsCorrectionsComeWithoutTheWindow()
    {
        QFETCH(QString, sound);
        QFETCH(bool, fileThere);
        QFETCH(bool, autostart);
        QFETCH(QStringList, boxes);
        QFETCH(QString, soundAfter);
        setUser("sound", sound);
        setUser("sound_path", fileThere ? wav("ding.wav") : m_rig->folder.file("gone.wav"));
        setUser("start", autostart ? "0" : "1");
        if (autostart)
            AddAutostart(m_rig->state);
        test::MessageBoxes shown;
        const Options corrected =
            OptionsWindow::correctStored(m_rig->state, Options::read(m_rig->state.store), nullptr);
        QCOMPARE(shown.texts(), boxes);
        QCOMPARE(user("sound"), soundAfter);
        QCOMPARE(user("start"), autostart ? "1" : "0");
        QCOMPARE(corrected.sound.isOn(), soundAfter == u'1');
        QCOMPARE(corrected.start.isOn(), autostart);
    }

    void storedSoundLoadsWithoutAsking()
    {
        setUser("sound", "1");
        setUser("sound_path", wav("ding.wav"));
        test::MessageBoxes boxes;
        load();
        QVERIFY(boxes.shown().isEmpty());
        QVERIFY(box("sound")->isChecked());
        QVERIFY(!m_calls.contains("dialog"));
    }

    // --- the at-least-one rule ---

    void hangUpAndPowerOffCannotBothBeOff()
    {
        load();
        box("disconnect")->setChecked(false);
        QVERIFY(box("disconnect")->isChecked());
        box("comp_off")->setChecked(true);
        box("disconnect")->setChecked(false);
        QVERIFY(!box("disconnect")->isChecked());
        box("comp_off")->setChecked(false);
        QVERIFY(box("comp_off")->isChecked());
        QTest::mouseClick(box("comp_off"), Qt::LeftButton); // the user's click as well
        QVERIFY(box("comp_off")->isChecked());
    }

    // --- the sound file ---

    void checkingSoundAsksForTheFile()
    {
        load();
        const QString chosen = wav("ding.wav");
        m_dialogAnswers = {m_rig->folder.file("gone.wav"), chosen};
        box("sound")->setChecked(true);
        QCOMPARE(m_calls.count("dialog"), 2); // a name that does not exist asks again
        QCOMPARE(m_dialogTitle, "SOUND?");
        QCOMPARE(m_dialogFilters, QStringList{"Sounds (*.wav)"});
        QCOMPARE(m_window->newsound(), chosen);
        QVERIFY(box("sound")->isChecked());
        box("sound")->setChecked(false); // unchecking keeps the choice
        QCOMPARE(m_window->newsound(), chosen);
    }

    void cancellingTheDialogUnchecksSound()
    {
        setUser("sound_path", "/kept.wav");
        load();
        box("sound")->setChecked(true);
        QCOMPARE(m_calls.count("dialog"), 1);
        QVERIFY(!box("sound")->isChecked());
        QVERIFY(m_window->newsound().isEmpty());
        m_window->apply();
        QCOMPARE(user("sound"), "0");
        QCOMPARE(user("sound_path"), "/kept.wav");
    }

    void cancelSavesNothing()
    {
        setUser("sound", "0");
        setUser("sound_path", "/kept.wav");
        load();
        m_dialogAnswers = {wav("ding.wav")};
        box("sound")->setChecked(true);
        box("comp_off")->setChecked(true);
        const QPointer<OptionsWindow> window = m_window;
        m_window->cancel();
        QTRY_VERIFY(window.isNull());
        QCOMPARE(user("sound"), "0");
        QCOMPARE(user("sound_path"), "/kept.wav");
        QCOMPARE(user("autocomp_off"), "");
        QCOMPARE(storedLanguage(), "");
        QVERIFY(!m_calls.contains("loadLanguage(all)"));
    }

    // --- apply ---

    void applySavesTheBoxesAndTheChosenSound()
    {
        load();
        m_dialogAnswers = {wav("ding.wav")};
        box("comp_off")->setChecked(true);
        box("sound")->setChecked(true);
        box("info_files")->setChecked(true);
        control<QRadioButton>("optsuspend")->setChecked(true);
        control<QLineEdit>("txtcommand")->setText(QStringLiteral(" mv \"a b\" c "));
        control<QSpinBox>("txtcountdown")->setValue(30);
        const QPointer<OptionsWindow> window = m_window;
        m_window->apply();
        QCOMPARE(user("PowerAction") + user("Command") + user("Countdown"), QStringLiteral("1mv \"a b\" c30"));
        QCOMPARE(user("autodisconnect"), "1");
        QCOMPARE(user("autocomp_off"), "1");
        QCOMPARE(user("infofiles"), "1");
        QCOMPARE(user("sound"), "1");
        QCOMPARE(user("sound_path"), m_rig->folder.file("ding.wav"));
        QCOMPARE(user("IE"), "0");
        QTRY_VERIFY(window.isNull());
    }

    // Quiet and deadline values show as stored (defaults when absent); Apply
    // writes only what was changed, so with both never set nothing is written.
    void applyWritesChangedFinishConditions()
    {
        setUser("Deadline", "1");
        setUser("DeadlineTime", "23:15");
        load();
        QVERIFY(!box("chkquiet")->isChecked() && box("chkdeadline")->isChecked());
        QCOMPARE(control<QSpinBox>("txtquiet")->value(), 10);
        QCOMPARE(control<QDoubleSpinBox>("txtquietrate")->value(), 2.0);
        QCOMPARE(control<QTimeEdit>("txtdeadline")->time(), QTime(23, 15));
        control<QComboBox>("cbdeadline")->setCurrentIndex(1);
        m_window->apply();
        QCOMPARE(QStringList({user("Quiet"), user("QuietMinutes"), user("QuietRate"), user("DeadlineTime"),
                              user("DeadlineAction")}),
                 QStringList({"", "", "", "23:15", "1"}));
    }

    // A box ticked over the values it shows stores them: the deadline left at
    // the shown 07:00 is the deadline monitoring arms.
    void aShownValueUnderATickedBoxIsStored()
    {
        load();
        box("chkdeadline")->setChecked(true);
        box("chkquiet")->setChecked(true);
        m_window->apply();
        QCOMPARE(QStringList({user("Deadline"), user("DeadlineTime"), user("Quiet"), user("QuietMinutes")}),
                 QStringList({"1", "07:00", "1", "10"}));
    }

    // Every option in one replacement of the store, so a crash cannot leave
    // some of them saved.
    void applyReplacesTheStoreOnce()
    {
        load();
        m_dialogAnswers = {wav("ding.wav")};
        for (const char *name : {"comp_off", "sound", "info_files"})
            box(name)->setChecked(true);
        const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        const QFileInfo hive(reg::userHivePath());
        QVERIFY(inotify_add_watch(fd, QFile::encodeName(hive.absolutePath()).constData(), IN_MOVED_TO | IN_CREATE) >=
                0);
        m_window->apply();
        QCOMPARE(renamesOnto(fd, QFile::encodeName(hive.fileName())), 1);
        ::close(fd);
        QCOMPARE(user("autocomp_off"), "1");
    }

    // Each store that Apply cannot write is named; the rest is still done,
    // and the window stays for another try.
    void applyNamesWhatFailed_data()
    {
        QTest::addColumn<QString>("folder");      // "" for the program folder
        QTest::addColumn<bool>("fileInItsPlace"); // else the disk under it is full
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("message");
        const QString store = QFileInfo(reg::userHivePath()).absolutePath();
        QTest::newRow("options") << store << true << ""
                                 << "optionsnotsaved";
        QTest::newRow("language") << "" << false << ""
                                  << "languagenotsaved";
        QTest::newRow("start at logon") << runkey::autostartFolder() << true << "start"
                                        << "autostartnotchanged";
        QTest::newRow("launcher") << QFileInfo(launcher::path()).absolutePath() << false << "ie"
                                  << "launchernotchanged";
    }

    void applyNamesWhatFailed()
    {
        QFETCH(QString, folder);
        QFETCH(bool, fileInItsPlace);
        QFETCH(QString, box);
        QFETCH(QString, message);
        m_rig->folder.write("quendral", "program");
        m_rig->folder.write("quendral.svg", "icon");
        m_rig->state.messages.insert(message, message.toUpper());
        load();
        if (!box.isEmpty())
            this->box(qPrintable(box))->setChecked(true);
        auto *language = control<QComboBox>("language");
        language->setCurrentIndex(language->findText("English.ini"));
        std::optional<test::FullDisk> full;
        if (fileInItsPlace) {
            QDir(folder).removeRecursively();
            QVERIFY(QFile(folder).open(QIODevice::WriteOnly));
        } else {
            full.emplace(folder.isEmpty() ? m_rig->folder.path() : folder);
            if (!full->ok())
                QSKIP("this process may not mount a small disk");
        }
        test::MessageBoxes boxes;
        m_window->show();
        m_window->apply();
        if (fileInItsPlace)
            QFile::remove(folder);
        QCOMPARE(boxes.texts(), QStringList{message.toUpper()});
        QVERIFY(m_window->isVisible());
        if (message != "optionsnotsaved")
            QCOMPARE(user("IE"), box == "ie" ? "1" : "0");
    }

    void applySwitchesStartAtLogon()
    {
        load();
        box("start")->setChecked(true);
        m_window->apply();
        QVERIFY(IsAutostartOn());
        load();
        QVERIFY(box("start")->isChecked());
        box("start")->setChecked(false);
        m_window->apply();
        QVERIFY(!IsAutostartOn());
    }

    void applySwitchesTheBrowserButton()
    {
        m_rig->folder.write("quendral", "program");
        m_rig->folder.write("quendral.svg", "icon");
        load();
        box("ie")->setChecked(true);
        test::MessageBoxes boxes;
        m_window->apply();
        QVERIFY(boxes.shown().isEmpty());
        QFile entry(launcher::path());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QVERIFY(entry.readAll().contains("\nComment=Watch the downloads!\n"));
        QCOMPARE(user("ie"), "1");

        load();
        QVERIFY(box("ie")->isChecked());
        box("ie")->setChecked(false);
        m_window->apply();
        QVERIFY(!QFile::exists(launcher::path()));
        QCOMPARE(user("ie"), "0");
    }

    // Run from the package, whose menu entry starts this very program file,
    // the box says so, and Apply adds no second entry (and drops an old one).
    void packageMenuEntryLocksTheBrowserButton_data()
    {
        QTest::addColumn<QByteArray>("keys"); // "<folder>" stands for the program folder
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("locked");
        QTest::newRow("found on PATH") << QByteArray("Exec=quendral\nTryExec=quendral") << "<folder>" << true;
        QTest::newRow("an older entry, Exec only") << QByteArray("Exec=<folder>quendral") << "" << true;
        QTest::newRow("another program") << QByteArray("Exec=quendral\nTryExec=quendral") << "/nonexistent" << false;
    }

    void packageMenuEntryLocksTheBrowserButton()
    {
        QFETCH(QByteArray, keys);
        QFETCH(QString, path);
        QFETCH(bool, locked);
        m_rig->folder.write("quendral", "program");
        m_rig->folder.write("quendral.svg", "icon");
        QFile::setPermissions(m_rig->folder.file("quendral"), QFile::ReadOwner | QFile::ExeOwner);
        AddBrowserButton(m_rig->folder.path(), "x"); // from a run before the package
        test::ProgramFolder data;
        data.write("applications/quendral.desktop", "[Desktop Entry]\nType=Application\nName=Quendral\n" +
                                                        keys.replace("<folder>", m_rig->folder.path().toUtf8()));
        const QByteArray saved[] = {qgetenv("XDG_DATA_DIRS"), qgetenv("PATH")};
        qputenv("XDG_DATA_DIRS", data.path().toUtf8());
        qputenv("PATH", path.replace("<folder>", m_rig->folder.path()).toUtf8());
        m_rig->state.messages.insert("packagemenuentry", "PACKAGE");
        load();
        const bool shown = box("ie")->isChecked() && !box("ie")->isEnabled() && box("ie")->toolTip() == "PACKAGE";
        m_window->apply();
        qputenv("XDG_DATA_DIRS", saved[0]);
        qputenv("PATH", saved[1]);
        QCOMPARE(shown, locked);
        QVERIFY(!QFile::exists(launcher::path()));
    }

    void missingButtonFilesWarnAfterSavingIE()
    {
        load();
        box("ie")->setChecked(true);
        test::MessageBoxes boxes;
        m_window->apply();
        QCOMPARE(boxes.texts(), QStringList{"DELETED"});
        QCOMPARE(boxes.shown().first().icon, msgbox::Icon::Warning);
        QCOMPARE(user("IE"), "1");
        QVERIFY(!QFile::exists(launcher::path()));
    }

    // --- the language list ---

    void languageListComesFromTheFolder_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("selected");
        QTest::newRow("nothing stored") << ""
                                        << "English.ini";
        QTest::newRow("exact name") << "Polish.ini"
                                    << "Polish.ini";
        QTest::newRow("letter case differs") << "polish.ini"
                                             << "English.ini";
        QTest::newRow("file gone") << "German.ini"
                                   << "English.ini";
    }

    void languageListComesFromTheFolder()
    {
        QFETCH(QString, stored);
        QFETCH(QString, selected);
        ini::write(m_rig->state.store.settingsFilePath(), "OPTIONS", "Language", stored);
        load();
        auto *language = control<QComboBox>("language");
        QCOMPARE(language->count(), 2);
        QCOMPARE(language->currentText(), selected);
        QVERIFY(language->isEnabled());
        QCOMPARE(m_calls, QStringList{"loadLanguage"});
    }

    void usersOwnLanguagesJoinTheList()
    {
        // Installed programs take a user's language files from their data folder.
        const QString own = qEnvironmentVariable("XDG_DATA_HOME") + "/Quendral/Languages/";
        QDir().mkpath(own);
        for (const char *name : {"Czech.ini", "Polish.ini"})
            QFile(own + name).open(QIODevice::WriteOnly);
        ini::write(m_rig->state.store.settingsFilePath(), "options", "language", "Czech.ini");
        load();
        QDir(own).removeRecursively();
        auto *language = control<QComboBox>("language");
        QCOMPARE(language->count(), 3);
        QCOMPARE(language->currentText(), "Czech.ini");
    }

    void noLanguageFilesLocksPolish()
    {
        QDir(m_rig->folder.path() + "Languages").removeRecursively();
        load();
        auto *language = control<QComboBox>("language");
        QCOMPARE(language->count(), 1);
        QCOMPARE(language->currentText(), "Polish");
        QVERIFY(!language->isEnabled());
        QVERIFY(m_calls.isEmpty());
        m_window->apply();
        QVERIFY(m_calls.isEmpty());
        QVERIFY(!QFile::exists(m_rig->state.store.settingsFilePath()));
    }

    void atMostHundredLanguages()
    {
        for (int i = 0; i < 120; ++i)
            m_rig->folder.write(QStringLiteral("Languages/L%1.ini").arg(i, 3, 10, QChar(u'0')), "");
        load();
        QCOMPARE(control<QComboBox>("language")->count(), 100);
    }

    // Only a changed language is applied to every window.
    void applyPassesTheLanguageOnlyWhenItChanged()
    {
        load();
        auto *language = control<QComboBox>("language");
        language->setCurrentIndex(language->findText("English.ini"));
        m_calls.clear();
        m_window->apply();
        QCOMPARE(storedLanguage(), "English.ini");
        QCOMPARE(m_calls, QStringList({"loadLanguage(all)"}));
        load();
        m_calls.clear();
        m_window->apply();
        QVERIFY(m_calls.isEmpty());
    }

    void vanishedLanguageFileChangesNothing()
    {
        load();
        QFile::remove(m_rig->folder.file("Languages/English.ini"));
        m_calls.clear();
        m_window->apply();
        QCOMPARE(storedLanguage(), "");
        QVERIFY(m_calls.isEmpty());
    }

    // --- the keyboard ---

    // Tab goes through the window as it reads: the power actions right
    // after their box (only the checked one; arrows move among them), the
    // command and the countdown with the actions, the finish conditions
    // before the language.
    void tabFollowsTheLayout_data()
    {
        QTest::addColumn<bool>("powerOff");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("presses"); // Tab first goes through the parts of the time
        const QStringList order = {"cmdlist",         "disconnect",      "comp_off",    "optsuspend",   "sound",
                                   "info_files",      "txtcommand",      "cmdcommand",  "txtcountdown", "chkquiet",
                                   "txtquiet",        "txtquietrate",    "chkdeadline", "txtdeadline",  "cbdeadline",
                                   "txtwaitprograms", "cmdwaitprograms", "language",    "start",        "ie",
                                   "cmdapply",        "cmdcancel"};
        for (qsizetype i = 1; i < order.size(); ++i)
            QTest::addRow("%s", qPrintable(order[i - 1]))
                << true << order[i - 1] << order[i] << (order[i - 1] == "txtdeadline" ? 2 : 1);
        QTest::newRow("actions off") << false << "comp_off"
                                     << "sound" << 1;
    }

    void tabFollowsTheLayout()
    {
        QFETCH(bool, powerOff);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, presses);
        setUser("autocomp_off", powerOff ? "1" : "0");
        setUser("PowerAction", "1");
        setUser("Quiet", "1");
        setUser("Deadline", "1");
        load();
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        m_window->findChild<QWidget *>(from)->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < presses; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *focus = QApplication::focusWidget();
        while (focus && focus->objectName().startsWith("qt_"))
            focus = focus->parentWidget();
        QCOMPARE(focus ? focus->objectName() : QString(), to);
    }

    void escapeCancels()
    {
        load();
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        box("comp_off")->setChecked(true);
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : m_window.data(), Qt::Key_Escape);
        QTRY_VERIFY(m_window.isNull());
        QCOMPARE(user("autocomp_off"), "");
    }

    // --- the fields ---

    // A typed value outside a field's range, or no number at all, stays in
    // the field and Apply says so instead of storing the old value.
    void outOfRangeIsTold_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored"); // "" when Apply refuses
        QTest::newRow("countdown 0") << "txtcountdown"
                                     << "0"
                                     << "Countdown"
                                     << "";
        QTest::newRow("countdown 4") << "txtcountdown"
                                     << "4"
                                     << "Countdown"
                                     << "";
        QTest::newRow("countdown 9999") << "txtcountdown"
                                        << "9999"
                                        << "Countdown"
                                        << "";
        QTest::newRow("countdown letters") << "txtcountdown"
                                           << "abc"
                                           << "Countdown"
                                           << "";
        QTest::newRow("countdown 600") << "txtcountdown"
                                       << "600"
                                       << "Countdown"
                                       << "600";
        QTest::newRow("quiet 0") << "txtquiet"
                                 << "0"
                                 << "QuietMinutes"
                                 << "";
        QTest::newRow("quiet 999") << "txtquiet"
                                   << "999"
                                   << "QuietMinutes"
                                   << "";
        QTest::newRow("quiet 240") << "txtquiet"
                                   << "240"
                                   << "QuietMinutes"
                                   << "240";
        QTest::newRow("rate 0") << "txtquietrate"
                                << "0"
                                << "QuietRate"
                                << "";
    }

    void outOfRangeIsTold()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, key);
        QFETCH(QString, stored);
        setUser("Quiet", "1");
        load();
        test::MessageBoxes boxes;
        auto *spin = control<QAbstractSpinBox>(qPrintable(field));
        spin->selectAll();
        QTest::keyClicks(spin, typed);
        QTest::keyClick(spin, Qt::Key_Tab); // leaving the field keeps what was typed
        QVERIFY(spin->text().startsWith(typed));
        const QPointer<OptionsWindow> window = m_window;
        m_window->apply();
        QCOMPARE(user(qPrintable(key)), stored);
        if (stored.isEmpty()) {
            QCOMPARE(boxes.texts().size(), 1);
            QVERIFY2(boxes.texts().first().startsWith("OUT " + typed + ' '), qPrintable(boxes.texts().first()));
            QVERIFY(!window.isNull());
        } else {
            QVERIFY(boxes.texts().isEmpty());
        }
    }

    // Numbers read and show as the interface language writes them, whatever
    // the system's locale.
    void numbersFollowTheInterfaceLanguage_data()
    {
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("English under Polish") << "pl_PL"
                                              << "en_GB"
                                              << "0.5"
                                              << "2.0 kB/s";
        QTest::newRow("Polish under English") << "en_US"
                                              << "pl_PL"
                                              << "0,5"
                                              << "2,0 kB/s";
    }

    void numbersFollowTheInterfaceLanguage()
    {
        QFETCH(QString, system);
        QFETCH(QString, language);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        const QLocale before;
        QLocale::setDefault(QLocale(system));
        m_rig->state.messages.insert("locale", language);
        setUser("Quiet", "1");
        load();
        QLocale::setDefault(before);
        auto *rate = control<QDoubleSpinBox>("txtquietrate");
        QCOMPARE(rate->text(), shown);
        rate->selectAll();
        QTest::keyClicks(rate, typed);
        m_window->apply();
        QCOMPARE(user("QuietRate"), "0.5");
    }

    // A command whose program is nowhere to run is named at Apply; the user
    // may keep it or stay to correct it.
    void missingProgramIsTold_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("answer"); // msgbox::Answer, when asked
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("stored");
        QTest::newRow("on the path") << "sh -c true" << int(msgbox::Answer::No) << false << true;
        QTest::newRow("no such name kept") << "quendral-no-such-program x" << int(msgbox::Answer::Yes) << true << true;
        QTest::newRow("no such name") << "quendral-no-such-program x" << int(msgbox::Answer::No) << true << false;
        QTest::newRow("not executable") << "<folder>plain.txt" << int(msgbox::Answer::No) << true << false;
    }

    void missingProgramIsTold()
    {
        QFETCH(QString, command);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(bool, stored);
        m_rig->folder.write("plain.txt", "text");
        command.replace("<folder>", m_rig->folder.path());
        load();
        test::MessageBoxes boxes{msgbox::Answer(answer)};
        control<QLineEdit>("txtcommand")->setText(command);
        m_window->apply();
        QCOMPARE(boxes.texts().size(), asked ? 1 : 0);
        if (asked)
            QCOMPARE(boxes.texts().first(), "MISSING " + command.section(' ', 0, 0));
        QCOMPARE(user("Command"), stored ? command : QString());
    }

    // --- the programs waited for ---

    // The field shows WaitPrograms; Apply stores the names as typed, one
    // blank between them, and writes nothing when they read the same.
    void programsAreStoredAsTyped_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<std::optional<QString>>("typed"); // none: left as shown
        QTest::addColumn<QString>("saved");
        QTest::newRow("never set, left alone") << "" << std::optional<QString>() << "";
        QTest::newRow("kept as stored") << " wget  curl" << std::optional<QString>() << " wget  curl";
        QTest::newRow("typed with extra blanks") << "" << std::optional<QString>("  wget \t yt-dlp ") << "wget yt-dlp";
        QTest::newRow("emptied") << "wget" << std::optional<QString>("") << "";
        QTest::newRow("a Windows name") << "" << std::optional<QString>("wget.exe") << "wget.exe";
    }
    void programsAreStoredAsTyped()
    {
        QFETCH(QString, stored);
        QFETCH(std::optional<QString>, typed);
        QFETCH(QString, saved);
        setUser("WaitPrograms", stored);
        load();
        auto *field = control<QLineEdit>("txtwaitprograms");
        QCOMPARE(field->text(), stored);
        if (typed)
            field->setText(*typed);
        m_window->apply();
        QCOMPARE(user("WaitPrograms"), saved);
    }

    // The chooser's pick joins the names in the field, each once, and the
    // field keeps the focus; a cancelled chooser changes nothing.
    void chosenProgramsJoinTheField_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QStringList>("picked");
        QTest::addColumn<QString>("after");
        QTest::newRow("into an empty field") << "" << QStringList{"wget", "curl"} << "wget curl";
        QTest::newRow("after the typed ones") << "rsync " << QStringList{"scp"} << "rsync scp";
        QTest::newRow("a name there already") << "wget" << QStringList{"wget", "aria2c"} << "wget aria2c";
        QTest::newRow("cancelled") << "wget  curl" << QStringList{} << "wget curl";
    }
    void chosenProgramsJoinTheField()
    {
        QFETCH(QString, before);
        QFETCH(QStringList, picked);
        QFETCH(QString, after);
        m_picked = picked;
        load();
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        control<QLineEdit>("txtwaitprograms")->setText(before);
        m_calls.clear();
        QTest::mouseClick(control<QPushButton>("cmdwaitprograms"), Qt::LeftButton);
        QCOMPARE(m_calls, QStringList{"choosePrograms"});
        QCOMPARE(control<QLineEdit>("txtwaitprograms")->text(), after);
        QCOMPARE(QApplication::focusWidget(), control<QLineEdit>("txtwaitprograms"));
    }

    // The chooser lists the programs given, in its language, and answers
    // those selected (none when cancelled).
    void theChooserAnswersTheSelection_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QStringList>("chosen");
        QTest::newRow("one") << QList<int>{1} << true << QStringList{"wget"};
        QTest::newRow("two") << QList<int>{0, 2} << true << QStringList{"curl", "yt-dlp"};
        QTest::newRow("none") << QList<int>{} << true << QStringList{};
        QTest::newRow("cancelled") << QList<int>{1} << false << QStringList{};
    }
    void theChooserAnswersTheSelection()
    {
        QFETCH(QList<int>, selected);
        QFETCH(bool, accepted);
        QFETCH(QStringList, chosen);
        ProgramChooser chooser(m_rig->state, {"curl", "wget", "yt-dlp"});
        QCOMPARE(chooser.windowTitle(), m_rig->state.message(Msg::ProgramsTitle));
        auto *list = chooser.findChild<QListWidget *>("lstprograms");
        QCOMPARE(list->count(), 3);
        QTimer::singleShot(0, &chooser, [&] {
            for (const int row : selected)
                list->item(row)->setSelected(true);
            accepted ? chooser.accept() : chooser.reject();
        });
        const bool ok = chooser.exec() == QDialog::Accepted;
        QCOMPARE(ok, accepted);
        QCOMPARE(ok ? chooser.chosen() : QStringList(), chosen);
    }

    // --- the watch list ---

    void listButtonOpensTheWatchListOnce()
    {
        QSignalSpy requests(&m_rig->factory, &WindowFactory::requested);
        load();
        m_window->showWatchList(); // no frmadd registered: the request alone shows it was made
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.at(0).at(0).toString(), "frmadd");
        QCOMPARE(requests.at(0).at(1).value<WindowFactory::Request>(), WindowFactory::Request::ShowModal);

        m_rig->factory.setCreator("frmadd", [] { return new QWidget; });
        m_rig->factory.show("frmadd");
        requests.clear();
        m_window->showWatchList();
        QVERIFY(requests.isEmpty());
        delete m_rig->factory.loaded("frmadd");
    }
};

QTEST_MAIN(TestFrmmain)
#include "test_optionswindow.moc"

// The shipped language files against the program's windows: every text line
// names a window, a control and a property that exist, so that code and files
// cannot drift apart.
#include "actions/actionwindows.h"
#include "actions/completionnotice.h"
#include "actions/completionsequence.h"
#include "actions/hangupcountdown.h"
#include "actions/powercountdown.h"
#include "base/powercontrol.h"
#include "engine/monitor.h"
#include "info/aboutwindow.h"
#include "info/helplanguagewindow.h"
#include "info/helpwindow.h"
#include "kit/windowfactory.h"
#include "lang/language.h"
#include "lang/messages.h"
#include "lang/property.h"
#include "options/optionswindow.h"
#include "settings/appstate.h"
#include "settings/inifile.h"
#include "support/fakes.h"
#include "support/testsupport.h"
#include "tray/singleinstance.h"
#include "tray/splashwindow.h"
#include "tray/traystandin.h"
#include "tray/traywindow.h"
#include "watchlist/filenamewindow.h"
#include "watchlist/folderchooser.h"
#include "watchlist/watchlistwindow.h"

#include <QFile>
#include <QLabel>
#include <QSet>
#include <QStringDecoder>
#include <QTest>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>

using namespace quendral;

namespace {

// What the windows' constructors need. A window whose language pass would run
// gets a pass that does nothing: the test applies the lines itself.
struct NoPowerOff : PowerControl
{
    Ability canPowerOff() override { return Ability::Yes; }
    QString powerOff() override { return {}; }
};

struct Deps
{
    test::ProgramFolder folder;
    AppState state{folder.path()};
    WindowFactory factory;
    LanguagePass noLanguage = [](QWidget *) {};
    test::FakeDialup dialup;
    test::FakeSound sound;
    NoPowerOff power;
    test::FakeInhibitor inhibitor;
    test::FakeNotifier notifier;
    CountdownDeps countdown{state, sound, noLanguage};
    ActionWindows actionWindows{countdown, dialup, power, notifier};
    CompletionSequence completion{{actionWindows, sound}};
    Monitor monitor{state, {dialup, inhibitor, power, completion}};
    SingleInstance instance{folder.file(QStringLiteral("quendral"))};
    QList<DriveEntry> drives{{QStringLiteral("/"), QStringLiteral("/")}, {folder.path(), folder.path()}};
    // The tray window whose menu the stand-in window shows.
    std::unique_ptr<TrayWindow> menuOwner;
};

struct WindowMaker
{
    QString name;
    std::function<QWidget *(Deps &)> make;
};

// One line per window of the program; windows not listed here are reported
// as skipped.
const QList<WindowMaker> &windowMakers()
{
    static const QList<WindowMaker> makers = {
        {QStringLiteral("splash"),
         [](Deps &d) -> QWidget * { return new SplashWindow(d.state, d.factory, d.instance); }},
        {QStringLiteral("frmnotunload"),
         [](Deps &d) -> QWidget * { return new TrayWindow(d.state, d.monitor, d.factory, d.notifier, d.noLanguage); }},
        {QStringLiteral("frmtray"),
         [](Deps &d) -> QWidget * {
             d.menuOwner = std::make_unique<TrayWindow>(d.state, d.monitor, d.factory, d.notifier, d.noLanguage);
             return new TrayStandIn(d.menuOwner->trayMenu(), d.menuOwner->trayIcon(), d.noLanguage);
         }},
        {QStringLiteral("frmmain"),
         [](Deps &d) -> QWidget * {
             return new OptionsWindow(d.state, d.factory, {d.noLanguage, [] { return QString(); }});
         }},
        {QStringLiteral("frmadd"),
         [](Deps &d) -> QWidget * { return new WatchListWindow(d.state, d.noLanguage, [&d] { return d.drives; }); }},
        {QStringLiteral("frmdir"),
         [](Deps &d) -> QWidget * {
             return new FolderChooser(
                 d.state, d.noLanguage, d.drives, [] { return QStringList(); }, [](const QString &) {});
         }},
        {QStringLiteral("frmfile"),
         [](Deps &d) -> QWidget * {
             return new FileNameWindow(
                 d.state, d.noLanguage, d.folder.path(), [&d] { return d.folder.path(); }, [] { return QStringList(); },
                 [](const QString &) {});
         }},
        {QStringLiteral("frmdis"), [](Deps &d) -> QWidget * { return new HangUpCountdown(d.countdown, d.dialup, 15); }},
        {QStringLiteral("frmshut"),
         [](Deps &d) -> QWidget * {
             return new PowerCountdown(d.countdown, d.power, d.notifier, PowerControl::Action::PowerOff, 15);
         }},
        {QStringLiteral("frminfo"),
         [](Deps &d) -> QWidget * { return new CompletionNotice(d.state, d.sound, d.notifier, d.noLanguage); }},
        {QStringLiteral("frmprehelp"),
         [](Deps &d) -> QWidget * { return new HelpLanguageWindow(d.state, d.factory, d.noLanguage); }},
        {QStringLiteral("frmhelp"), [](Deps &d) -> QWidget * { return new HelpWindow(d.state, d.noLanguage); }},
        {QStringLiteral("frmabout"), [](Deps &d) -> QWidget * { return new AboutWindow(d.noLanguage); }},
    };
    return makers;
}

// The windows and controls whose texts every language file must carry. The
// version number and build date of the About window are the build's, not
// texts; the Monitor/Stop entry shows lblstart or lblstop, and a line of its
// own would reset the monitoring state at every pass.
const QStringList kRequiredNames = {
    QStringLiteral("splash.Label1"),
    QStringLiteral("splash.Label2"),
    QStringLiteral("splash.lblloading"),
    QStringLiteral("frmnotunload.cmdaddfile"),
    QStringLiteral("frmnotunload.cmdoptions"),
    QStringLiteral("frmnotunload.cmdhelp"),
    QStringLiteral("frmnotunload.cmdabout"),
    QStringLiteral("frmnotunload.cmdexit"),
    QStringLiteral("frmnotunload.lblstart"),
    QStringLiteral("frmnotunload.lblstop"),
    QStringLiteral("frmnotunload.lbltooltipactive"),
    QStringLiteral("frmnotunload.lbltooltipnotactive"),
    QStringLiteral("frmnotunload.lblIE"),
    QStringLiteral("frmtray.cmdaddfile"),
    QStringLiteral("frmtray.cmdoptions"),
    QStringLiteral("frmtray.cmdhelp"),
    QStringLiteral("frmtray.cmdabout"),
    QStringLiteral("frmtray.cmdexit"),
    QStringLiteral("frmmain"),
    QStringLiteral("frmmain.frmoption"),
    QStringLiteral("frmmain.frmbonus"),
    QStringLiteral("frmmain.frmlanguage"),
    QStringLiteral("frmmain.lblintroduction"),
    QStringLiteral("frmmain.lblmonit"),
    QStringLiteral("frmmain.disconnect"),
    QStringLiteral("frmmain.comp_off"),
    QStringLiteral("frmmain.info_files"),
    QStringLiteral("frmmain.sound"),
    QStringLiteral("frmmain.start"),
    QStringLiteral("frmmain.ie"),
    QStringLiteral("frmmain.cmdlist"),
    QStringLiteral("frmmain.chkquiet"),
    QStringLiteral("frmmain.lblquietrate"),
    QStringLiteral("frmmain.chkdeadline"),
    QStringLiteral("frmmain.lbldeadlineall"),
    QStringLiteral("frmmain.lbldeadlinehangup"),
    QStringLiteral("frmmain.cmdapply"),
    QStringLiteral("frmmain.cmdcancel"),
    QStringLiteral("frmadd"),
    QStringLiteral("frmadd.cmdadd"),
    QStringLiteral("frmadd.cmddel"),
    QStringLiteral("frmadd.cmdapply"),
    QStringLiteral("frmadd.cmdcancel"),
    QStringLiteral("frmadd.frmplus"),
    QStringLiteral("frmadd.optall"),
    QStringLiteral("frmadd.opt_not_all"),
    QStringLiteral("frmdir"),
    QStringLiteral("frmdir.lblfile"),
    QStringLiteral("frmdir.cmdok"),
    QStringLiteral("frmdir.cmdcancel"),
    QStringLiteral("frmfile"),
    QStringLiteral("frmfile.lblfile"),
    QStringLiteral("frmfile.lbldir"),
    QStringLiteral("frmfile.lblfile2"),
    QStringLiteral("frmfile.cmdok"),
    QStringLiteral("frmfile.cmdcancel"),
    QStringLiteral("frmdis"),
    QStringLiteral("frmdis.lbldis"),
    QStringLiteral("frmdis.cmddis"),
    QStringLiteral("frmdis.cmdnotdis"),
    QStringLiteral("frmshut"),
    QStringLiteral("frmshut.lblshut"),
    QStringLiteral("frmshut.cmdshut"),
    QStringLiteral("frmshut.cmdnotshut"),
    QStringLiteral("frminfo"),
    QStringLiteral("frminfo.lblfile"),
    QStringLiteral("frminfo.cmdapply"),
    QStringLiteral("frmabout"),
    QStringLiteral("frmabout.lblversion"),
    QStringLiteral("frmabout.lblcompilation"),
    QStringLiteral("frmabout.lblabout"),
    QStringLiteral("frmabout.lblauthor"),
    QStringLiteral("frmabout.Label5"),
    QStringLiteral("frmabout.Label6"),
    QStringLiteral("frmabout.cmdapply"),
    QStringLiteral("frmhelp"),
    QStringLiteral("frmhelp.lbltitle"),
    QStringLiteral("frmhelp.lblhowuse"),
    QStringLiteral("frmhelp.cmdapply"),
    QStringLiteral("frmprehelp"),
    QStringLiteral("frmprehelp.imgpl"),
    QStringLiteral("frmprehelp.imgen"),
};

struct TextLine
{
    QStringList names; // window, [control,] property
    QString value;
};

QByteArray shipped(const QString &file)
{
    QFile f(test::shippedLanguagesDir() + u'/' + file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<TextLine> textLines(const QString &text)
{
    QList<TextLine> lines;
    for (const QString &line : text.split(QStringLiteral("\r\n"))) {
        const qsizetype separator = line.indexOf(QStringLiteral("=="));
        if (separator > 0 && line.left(separator).contains(u'.'))
            lines.append({line.left(separator).split(u'.'), line.mid(separator + 2)});
    }
    return lines;
}

// The value of the file's text line `name` (window.control.property).
QString valueInFile(const QString &file, const QString &name)
{
    for (const TextLine &line : textLines(QString::fromUtf8(shipped(file)))) {
        if (line.names.join(u'.') == name)
            return line.value;
    }
    return {};
}

QString captionInFile(const QString &file, const QString &name)
{
    return valueInFile(file, name + QStringLiteral(".Caption"));
}

QString sectionAfter(const QString &text, const QString &header)
{
    const qsizetype at = text.indexOf(header);
    return at < 0 ? QString() : text.mid(at + header.size());
}

} // namespace

class TestLanguageFiles : public QObject
{
    Q_OBJECT

private slots:
    void files_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("Polish") << QStringLiteral("Polish.ini");
        QTest::newRow("English") << QStringLiteral("English.ini");
    }

    // --- the file's form ---
    void filesAreUtf8WithCrLfLines_data() { files_data(); }
    void filesAreUtf8WithCrLfLines()
    {
        QFETCH(QString, file);
        const QByteArray bytes = shipped(file);
        QVERIFY(!bytes.isEmpty());
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8.decode(bytes);
        QVERIFY(!utf8.hasError());
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
        QCOMPARE(bytes.count('\r'), bytes.count("\r\n"));
    }

    void messagesSectionIsLastAndComplete_data() { files_data(); }
    void messagesSectionIsLastAndComplete()
    {
        QFETCH(QString, file);
        const QString text = QString::fromUtf8(shipped(file));
        const QString messages = sectionAfter(text, QStringLiteral("[Messages]\r\n"));
        QVERIFY(!messages.isEmpty());
        QVERIFY2(textLines(messages).isEmpty(), "text lines belong before the [Messages] section");
        QVERIFY(!messages.contains(u'['));
        for (const QString &line : messages.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
            QVERIFY2(messageKeys().contains(line.section(u'=', 0, 0)), qPrintable(line));
        for (const QString &key : messageKeys()) {
            const QString value = ini::readFromText(text, QStringLiteral("Messages"), key);
            QVERIFY2(!value.isEmpty(), qPrintable(key));
            QVERIFY2(value.size() < ini::kMaxValueLength, qPrintable(key));
        }
    }

    void bothFilesCarryTheSameTexts()
    {
        QSet<QString> polish;
        QSet<QString> english;
        for (const TextLine &line : textLines(QString::fromUtf8(shipped(QStringLiteral("Polish.ini")))))
            polish.insert(line.names.join(u'.'));
        for (const TextLine &line : textLines(QString::fromUtf8(shipped(QStringLiteral("English.ini")))))
            english.insert(line.names.join(u'.'));
        QCOMPARE(polish, english);
        for (const QString &name : kRequiredNames) {
            const bool carried = std::any_of(polish.cbegin(), polish.cend(),
                                             [&](const QString &line) { return line.startsWith(name + u'.'); });
            QVERIFY2(carried, qPrintable(name));
        }
    }

    // Each countdown button's hint says what that button does: an act
    // button's hint is not its decline button's, and none tells of the tray.
    void countdownHintsTellTheButtonsApart_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("act");
        QTest::addColumn<QString>("decline");
        QTest::addColumn<QString>("trayHint");
        QTest::newRow("Polish hang-up") << "Polish.ini"
                                        << "frmdis.cmddis"
                                        << "frmdis.cmdnotdis"
                                        << "Minimalizuje program do ikonki";
        QTest::newRow("Polish power-off") << "Polish.ini"
                                          << "frmshut.cmdshut"
                                          << "frmshut.cmdnotshut"
                                          << "Minimalizuje program do ikonki";
        QTest::newRow("English hang-up") << "English.ini"
                                         << "frmdis.cmddis"
                                         << "frmdis.cmdnotdis"
                                         << "Minimises the program to the tray icon";
        QTest::newRow("English power-off") << "English.ini"
                                           << "frmshut.cmdshut"
                                           << "frmshut.cmdnotshut"
                                           << "Minimises the program to the tray icon";
    }
    void countdownHintsTellTheButtonsApart()
    {
        QFETCH(QString, file);
        QFETCH(QString, act);
        QFETCH(QString, decline);
        QFETCH(QString, trayHint);
        const QString actHint = valueInFile(file, act + QStringLiteral(".ToolTipText"));
        const QString declineHint = valueInFile(file, decline + QStringLiteral(".ToolTipText"));
        QVERIFY(!actHint.isEmpty());
        QVERIFY(!declineHint.isEmpty());
        QVERIFY(actHint != declineHint);
        QVERIFY(actHint != trayHint);
        QVERIFY(declineHint != trayHint);
    }

    // --- the lines against the windows ---
    void everyTextLineNamesWhatExists_data() { files_data(); }
    void everyTextLineNamesWhatExists()
    {
        QFETCH(QString, file);
        test::MessageBoxes boxes;
        Deps deps;
        std::map<QString, std::unique_ptr<QWidget>> windows;
        for (const WindowMaker &maker : windowMakers())
            windows[maker.name].reset(maker.make(deps));

        QSet<QString> skipped;
        int checked = 0;
        for (const TextLine &line : textLines(QString::fromUtf8(shipped(file)))) {
            const QString where = file + u':' + line.names.join(u'.');
            QVERIFY2(line.names.size() == 2 || line.names.size() == 3, qPrintable(where));
            const bool known = std::any_of(kRequiredNames.cbegin(), kRequiredNames.cend(),
                                           [&](const QString &n) { return n.section(u'.', 0, 0) == line.names.at(0); });
            QVERIFY2(known, qPrintable(where + QStringLiteral(": no such window")));
            const auto found = windows.find(line.names.at(0));
            if (found == windows.end()) {
                skipped.insert(line.names.at(0));
                continue;
            }
            QWidget *window = found->second.get();
            QCOMPARE(window->objectName(), line.names.at(0));
            const bool onControl = line.names.size() == 3;
            QObject *target = onControl ? findControl(window, line.names.at(1)) : window;
            QVERIFY2(target, qPrintable(where + QStringLiteral(": no such control")));
            QVERIFY2(setPropertyByName(target, !onControl, line.names.last(), line.value),
                     qPrintable(where + QStringLiteral(": no such property")));
            ++checked;
        }
        for (const QString &name : std::as_const(skipped))
            qWarning("%s: window %s is not in the table yet; its lines were not checked", qPrintable(file),
                     qPrintable(name));
        QVERIFY(checked > 0);
        // The whole file in one pass, as the program applies it.
        QVERIFY(ApplyTextLines(QString::fromUtf8(shipped(file))));
    }

    // The Monitor/Stop entry's caption is the monitoring state; the pass that
    // every window load runs (About, help, a countdown) must leave it alone.
    void aPassKeepsTheMonitoringStateOfTheTrayMenu_data() { files_data(); }
    void aPassKeepsTheMonitoringStateOfTheTrayMenu()
    {
        QFETCH(QString, file);
        test::MessageBoxes boxes;
        Deps deps;
        deps.folder.write(QStringLiteral("Languages/") + file, shipped(file));
        deps.state.store.settingsFile().WriteIni(QStringLiteral("options"), QStringLiteral("language"), file);
        deps.state.store.settingsFile().WriteIni(QStringLiteral("Files"), QStringLiteral("file0"),
                                                 deps.folder.file(QStringLiteral("a.zip")));
        const LanguagePass pass = [&deps](QWidget *window) { LoadLanguage(deps.state, window); };
        TrayWindow tray(deps.state, deps.monitor, deps.factory, deps.notifier, pass);
        auto *cmdmonit = findControl(&tray, QStringLiteral("cmdmonit"));
        auto *lblstart = tray.findChild<QLabel *>(QStringLiteral("lblstart"));
        auto *lblstop = tray.findChild<QLabel *>(QStringLiteral("lblstop"));
        QVERIFY(cmdmonit && lblstart && lblstop);
        // The entry still speaks the file's language, through lblstart.
        QCOMPARE(cmdmonit->property("text").toString(), lblstart->text());
        QCOMPARE(lblstart->text(), captionInFile(file, QStringLiteral("frmnotunload.lblstart")));

        tray.startOrStopMonitoring();
        QCOMPARE(cmdmonit->property("text").toString(), lblstop->text());
        pass(nullptr);
        QCOMPARE(cmdmonit->property("text").toString(), lblstop->text());
        // So choosing the entry now stops monitoring instead of starting it again.
        tray.startOrStopMonitoring();
        QVERIFY(!deps.monitor.running());
        QVERIFY(boxes.shown().isEmpty());
    }
};

QTEST_MAIN(TestLanguageFiles)
#include "test_languagefiles.moc"

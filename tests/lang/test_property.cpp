// Windows and controls addressed by name, and properties assigned by name.
#include "kit/picturebutton.h"
#include "lang/property.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

using namespace quendral;

namespace {

template <typename T> T *named(QWidget *parent, const QString &name)
{
    auto *object = new T(parent);
    object->setObjectName(name);
    return object;
}

// A window with one control of every kind that takes text.
struct Window
{
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QLabel *label;
    PictureButton *button;
    QCheckBox *check;
    QRadioButton *radio;
    QGroupBox *frame;
    QLineEdit *line;
    QTextEdit *textEdit;
    QPlainTextEdit *plain;
    QMenu *menu;
    QAction *entry;
    QTimer *timer;

    explicit Window(const QString &name = QStringLiteral("frmtest"))
    {
        window->setObjectName(name);
        frame = named<QGroupBox>(window.get(), QStringLiteral("frmplus"));
        auto *layout = new QVBoxLayout(frame);
        radio = named<QRadioButton>(frame, QStringLiteral("optall"));
        layout->addWidget(radio);
        label = named<QLabel>(window.get(), QStringLiteral("lblstart"));
        label->hide();
        button = new PictureButton(QStringLiteral("Dodaj"), window.get());
        button->setObjectName(QStringLiteral("cmdadd"));
        check = named<QCheckBox>(window.get(), QStringLiteral("sound"));
        line = named<QLineEdit>(window.get(), QStringLiteral("txtfile"));
        textEdit = named<QTextEdit>(window.get(), QStringLiteral("txthelp"));
        plain = named<QPlainTextEdit>(window.get(), QStringLiteral("txtplain"));
        menu = named<QMenu>(window.get(), QStringLiteral("mnutray"));
        entry = menu->addAction(QStringLiteral("Monitoruj"));
        entry->setObjectName(QStringLiteral("cmdmonit"));
        timer = new QTimer(window.get());
        timer->setObjectName(QStringLiteral("tloop"));
    }
};

} // namespace

class TestProperty : public QObject
{
    Q_OBJECT

private slots:
    // --- finding windows ---
    void loadedWindowsFindsHiddenWindowsByExactName()
    {
        Window w(QStringLiteral("frmadd"));
        QCOMPARE(loadedWindows(QStringLiteral("frmadd")), QList<QWidget *>{w.window.get()});
        QVERIFY(loadedWindows(QStringLiteral("frmAdd")).isEmpty());
        QVERIFY(loadedWindows(QString()).isEmpty());
    }

    void loadedWindowsIgnoresControlsAndUnloadedWindows()
    {
        auto w = std::make_unique<Window>(QStringLiteral("frmadd"));
        QVERIFY(loadedWindows(QStringLiteral("cmdadd")).isEmpty());
        w.reset();
        QVERIFY(loadedWindows(QStringLiteral("frmadd")).isEmpty());
    }

    // --- finding controls ---
    void findControlReachesNestedHiddenAndMenuControls()
    {
        Window w;
        QCOMPARE(findControl(w.window.get(), QStringLiteral("optall")), w.radio);
        QCOMPARE(findControl(w.window.get(), QStringLiteral("lblstart")), w.label);
        QCOMPARE(findControl(w.window.get(), QStringLiteral("cmdmonit")), w.entry);
        QCOMPARE(findControl(w.window.get(), QStringLiteral("tloop")), w.timer);
    }

    void findControlComparesNamesExactly()
    {
        Window w;
        QCOMPARE(findControl(w.window.get(), QStringLiteral("cmdAdd")), nullptr);
        QCOMPARE(findControl(w.window.get(), QStringLiteral("cmdadd ")), nullptr);
        // Unnamed internals of a control must never answer to an empty name.
        QCOMPARE(findControl(w.window.get(), QString()), nullptr);
    }

    void findControlSkipsWindowsOpenedAboveIt()
    {
        Window w(QStringLiteral("frmadd"));
        auto *chooser = named<QDialog>(w.window.get(), QStringLiteral("frmdir"));
        named<QLabel>(chooser, QStringLiteral("lblfile"));
        QCOMPARE(findControl(w.window.get(), QStringLiteral("lblfile")), nullptr);
    }

    void findControlPrefersTheControlNearestTheWindow()
    {
        Window w;
        auto *deep = named<QLabel>(w.frame, QStringLiteral("lbltwin"));
        auto *near = named<QLabel>(w.window.get(), QStringLiteral("lbltwin"));
        QCOMPARE(findControl(w.window.get(), QStringLiteral("lbltwin")), near);
        Q_UNUSED(deep);
    }

    // --- Caption ---
    void captionIsTheWindowTitleOfAWindow()
    {
        Window w;
        QVERIFY(setPropertyByName(w.window.get(), true, QStringLiteral("Caption"), QStringLiteral("Lista")));
        QCOMPARE(w.window->windowTitle(), QStringLiteral("Lista"));
    }

    void captionIsTheTextOfEveryCaptionedControl()
    {
        Window w;
        const auto set = [](QObject *target, const QString &text) {
            return setPropertyByName(target, false, QStringLiteral("Caption"), text);
        };
        QVERIFY(set(w.label, QStringLiteral("Monitor")));
        QVERIFY(set(w.button, QStringLiteral("&Add")));
        QVERIFY(set(w.check, QStringLiteral("Sound")));
        QVERIFY(set(w.radio, QStringLiteral("All")));
        QVERIFY(set(w.entry, QStringLiteral("Stop")));
        QVERIFY(set(w.frame, QStringLiteral("More")));
        QVERIFY(set(w.menu, QStringLiteral("Tray")));
        QCOMPARE(w.label->text(), QStringLiteral("Monitor"));
        QCOMPARE(w.button->text(), QStringLiteral("&Add"));
        QCOMPARE(w.check->text(), QStringLiteral("Sound"));
        QCOMPARE(w.radio->text(), QStringLiteral("All"));
        QCOMPARE(w.entry->text(), QStringLiteral("Stop"));
        QCOMPARE(w.frame->title(), QStringLiteral("More"));
        QCOMPARE(w.menu->title(), QStringLiteral("Tray"));
    }

    void captionOfAControlWithoutOneIsRefused()
    {
        Window w;
        QVERIFY(!setPropertyByName(w.line, false, QStringLiteral("Caption"), QStringLiteral("x")));
        QVERIFY(!setPropertyByName(w.timer, false, QStringLiteral("Caption"), QStringLiteral("x")));
        QCOMPARE(w.line->text(), QString());
    }

    void captionOfAWindowBeingALabelIsStillItsTitle()
    {
        QLabel window(QStringLiteral("Quendral"));
        QVERIFY(setPropertyByName(&window, true, QStringLiteral("Caption"), QStringLiteral("Title")));
        QCOMPARE(window.windowTitle(), QStringLiteral("Title"));
        QCOMPARE(window.text(), QStringLiteral("Quendral"));
    }

    // --- Text and ToolTipText ---
    void textIsTheContentsOfATextBox()
    {
        Window w;
        QVERIFY(setPropertyByName(w.line, false, QStringLiteral("Text"), QStringLiteral("plik.zip")));
        QVERIFY(setPropertyByName(w.textEdit, false, QStringLiteral("Text"), QStringLiteral("a\nb")));
        QVERIFY(setPropertyByName(w.plain, false, QStringLiteral("Text"), QStringLiteral("c")));
        QCOMPARE(w.line->text(), QStringLiteral("plik.zip"));
        QCOMPARE(w.textEdit->toPlainText(), QStringLiteral("a\nb"));
        QCOMPARE(w.plain->toPlainText(), QStringLiteral("c"));
    }

    void textOfALabelIsItsQtTextProperty()
    {
        Window w;
        QVERIFY(setPropertyByName(w.label, false, QStringLiteral("text"), QStringLiteral("Zatrzymaj")));
        QCOMPARE(w.label->text(), QStringLiteral("Zatrzymaj"));
        QVERIFY(!setPropertyByName(w.timer, false, QStringLiteral("Text"), QStringLiteral("x")));
    }

    void toolTipTextIsThePopUpHint()
    {
        Window w;
        QVERIFY(setPropertyByName(w.button, false, QStringLiteral("ToolTipText"), QStringLiteral("Hint")));
        QVERIFY(setPropertyByName(w.entry, false, QStringLiteral("ToolTipText"), QStringLiteral("Entry hint")));
        QVERIFY(setPropertyByName(w.window.get(), true, QStringLiteral("ToolTipText"), QStringLiteral("Win")));
        QCOMPARE(w.button->toolTip(), QStringLiteral("Hint"));
        QCOMPARE(w.entry->toolTip(), QStringLiteral("Entry hint"));
        QCOMPARE(w.window->toolTip(), QStringLiteral("Win"));
        QVERIFY(!setPropertyByName(w.timer, false, QStringLiteral("ToolTipText"), QStringLiteral("x")));
    }

    void propertyNamesIgnoreLetterCase()
    {
        Window w;
        QVERIFY(setPropertyByName(w.button, false, QStringLiteral("CAPTION"), QStringLiteral("A")));
        QVERIFY(setPropertyByName(w.button, false, QStringLiteral("tooltiptext"), QStringLiteral("B")));
        QVERIFY(setPropertyByName(w.line, false, QStringLiteral("tExT"), QStringLiteral("C")));
        QVERIFY(setPropertyByName(w.button, false, QStringLiteral("ENABLED"), QStringLiteral("false")));
        QCOMPARE(w.button->text(), QStringLiteral("A"));
        QCOMPARE(w.button->toolTip(), QStringLiteral("B"));
        QCOMPARE(w.line->text(), QStringLiteral("C"));
        QVERIFY(!w.button->isEnabled());
    }

    // --- other Qt properties ---
    void otherNamesAreQtPropertiesConvertedFromText()
    {
        Window w;
        QVERIFY(setPropertyByName(w.timer, false, QStringLiteral("Interval"), QStringLiteral("1000")));
        QVERIFY(setPropertyByName(w.check, false, QStringLiteral("checked"), QStringLiteral("true")));
        QVERIFY(setPropertyByName(w.line, false, QStringLiteral("focusPolicy"), QStringLiteral("NoFocus")));
        QVERIFY(setPropertyByName(w.line, false, QStringLiteral("placeholderText"), QString()));
        QCOMPARE(w.timer->interval(), 1000);
        QVERIFY(w.check->isChecked());
        QCOMPARE(w.line->focusPolicy(), Qt::NoFocus);
    }

    void aValueThePropertyRefusesLeavesItUnchanged()
    {
        Window w;
        w.timer->setInterval(30000);
        QVERIFY(!setPropertyByName(w.timer, false, QStringLiteral("interval"), QStringLiteral("soon")));
        QVERIFY(!setPropertyByName(w.line, false, QStringLiteral("focusPolicy"), QStringLiteral("Sometimes")));
        QCOMPARE(w.timer->interval(), 30000);
        QCOMPARE(w.line->focusPolicy(), Qt::StrongFocus);
    }

    void unknownAndReadOnlyPropertiesAreRefused()
    {
        Window w;
        QVERIFY(!setPropertyByName(w.button, false, QStringLiteral("Caption "), QStringLiteral("x")));
        QVERIFY(!setPropertyByName(w.button, false, QStringLiteral("Colour"), QStringLiteral("x")));
        QVERIFY(!setPropertyByName(w.button, false, QString(), QStringLiteral("x")));
        QVERIFY(!setPropertyByName(w.button, false, QStringLiteral("width"), QStringLiteral("10")));
        QCOMPARE(w.button->text(), QStringLiteral("Dodaj"));
    }
};

QTEST_MAIN(TestProperty)
#include "test_property.moc"

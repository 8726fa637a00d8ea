#include "actions/frminfo.h"

#include "kit/picturebutton.h"
#include "support/fakes.h"

#include <QApplication>
#include <QLabel>
#include <QtTest>

using namespace quendral;
using namespace quendral::test;

class TestFrminfo : public QObject
{
    Q_OBJECT

private slots:
    void loadAppliesTheTextsThenBeepsOnce()
    {
        FakeSound sound;
        FakeNotifier notifier;
        QStringList steps;
        frminfo window(sound, notifier, [&] { steps.append(QStringLiteral("language:") + sound.played.join(u',')); });
        QCOMPARE(steps, QStringList{QStringLiteral("language:")});
        QCOMPARE(sound.played, QStringList{QStringLiteral("beep")});
    }

    void theDesktopHearsTheNoticeInTheCurrentLanguage()
    {
        FakeSound sound;
        FakeNotifier notifier;
        frminfo window(sound, notifier, [&] {
            QVERIFY(notifier.sent.isEmpty());
            for (QWidget *top : QApplication::topLevelWidgets()) {
                if (top->objectName() == QLatin1String("frminfo")) {
                    top->setWindowTitle(QStringLiteral("Done"));
                    top->findChild<QLabel *>(QStringLiteral("lblfile"))->setText(QStringLiteral("Files are here."));
                }
            }
        });
        window.setReason(QStringLiteral("Quiet."));
        QTRY_COMPARE(notifier.sent, QStringList{QStringLiteral("Done|Quiet.")});
    }

    void showsTheNoticeWithPictureAndButton()
    {
        FakeSound sound;
        FakeNotifier notifier;
        frminfo window(sound, notifier, [] {});
        QCOMPARE(window.objectName(), QStringLiteral("frminfo"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Żądane zadania zostały wykonane"));
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("lblfile"))->text(),
                 QStringLiteral("Quendral stwierdził obecność zadanych plików na dysku i wykonał żądane operacje."));
        QVERIFY(!window.findChild<QLabel *>(QStringLiteral("Image1"))->pixmap().isNull());
        auto *apply = window.findChild<PictureButton *>(QStringLiteral("cmdapply"));
        QCOMPARE(apply->text(), QStringLiteral("&OK"));
        QVERIFY(!apply->icon().isNull());
        const Qt::WindowFlags flags = window.windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    }

    void okAndTheCloseBoxBothCloseIt()
    {
        FakeSound sound;
        FakeNotifier notifier;
        QPointer<frminfo> byButton = new frminfo(sound, notifier, [] {});
        byButton->show();
        byButton->cmdapply_Click();
        QVERIFY(!byButton->isVisible());
        QTRY_VERIFY(!byButton);

        QPointer<frminfo> byBox = new frminfo(sound, notifier, [] {});
        byBox->show();
        QVERIFY(QTest::qWaitForWindowExposed(byBox));
        byBox->windowHandle()->close();
        QTRY_VERIFY(!byBox);
    }
};

QTEST_MAIN(TestFrminfo)
#include "test_frminfo.moc"

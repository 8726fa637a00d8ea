#include "actions/completionnotice.h"

#include "kit/picturebutton.h"
#include "settings/appstate.h"
#include "settings/completionchoice.h"
#include "support/fakes.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QLabel>
#include <QtTest>

using namespace quendral;
using namespace quendral::test;

class TestFrminfo : public QObject
{
    Q_OBJECT

    ProgramFolder m_folder;
    AppState m_state{m_folder.path()};

private slots:
    void loadAppliesTheTextsThenBeepsOnce()
    {
        FakeSound sound;
        FakeNotifier notifier;
        QStringList steps;
        CompletionNotice window(m_state, sound, notifier, [&](QWidget *) {
            steps.append(QStringLiteral("language:") + sound.played.join(u','));
        });
        QCOMPARE(steps, QStringList{QStringLiteral("language:")});
        QCOMPARE(sound.played, QStringList{QStringLiteral("beep")});
    }

    // The reason and the missing files are the notice's own texts: a later
    // language pass puts the file's captions back, and the notice its reason.
    void theReasonOutlivesALanguagePass()
    {
        FakeSound sound;
        FakeNotifier notifier;
        m_state.messages.insert(
            {{"noticetitledeadline", "LATE"}, {"finisheddeadline", "AT %1"}, {"missingfiles", "MISSING:"}});
        const auto pass = [](QWidget *) {
            for (QWidget *top : QApplication::topLevelWidgets()) {
                if (top->objectName() == QLatin1String("frminfo")) {
                    top->setWindowTitle(QStringLiteral("Done"));
                    top->findChild<QLabel *>(QStringLiteral("lblfile"))->setText(QStringLiteral("Files are here."));
                }
            }
        };
        CompletionNotice window(m_state, sound, notifier, pass);
        CompletionChoice choice;
        choice.reason = FinishReason::Deadline;
        choice.deadline = QTime(7, 5);
        choice.missing = QStringList{"/d/b.zip"};
        window.showReason(choice);
        const QString text = QStringLiteral("AT 7:05\nMISSING:\n/d/b.zip");
        QTRY_COMPARE(notifier.sent, QStringList{QStringLiteral("LATE|") + text});
        pass(nullptr);
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(&window, &change);
        QCOMPARE(window.windowTitle(), QStringLiteral("LATE"));
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("lblfile"))->text(), text);
    }

    void showsTheNoticeWithPictureAndButton()
    {
        FakeSound sound;
        FakeNotifier notifier;
        CompletionNotice window(m_state, sound, notifier, [](QWidget *) {});
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
        QPointer<CompletionNotice> byButton = new CompletionNotice(m_state, sound, notifier, [](QWidget *) {});
        byButton->show();
        byButton->apply();
        QVERIFY(!byButton->isVisible());
        QTRY_VERIFY(!byButton);

        QPointer<CompletionNotice> byBox = new CompletionNotice(m_state, sound, notifier, [](QWidget *) {});
        byBox->show();
        QVERIFY(QTest::qWaitForWindowExposed(byBox));
        byBox->windowHandle()->close();
        QTRY_VERIFY(!byBox);
    }
};

QTEST_MAIN(TestFrminfo)
#include "test_completionnotice.moc"

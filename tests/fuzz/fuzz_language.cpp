// Any bytes as a language file, applied to a loaded window: the pass never
// fails on text it cannot use.
#include "lang/language.h"

#include <QApplication>
#include <QPushButton>
#include <QWidget>

using namespace quendral;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_language";
    static char *argv[] = {name, nullptr};
    static const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    static QWidget window;
    static QPushButton *button = [] {
        window.setObjectName(QStringLiteral("frmadd"));
        auto *b = new QPushButton(&window);
        b->setObjectName(QStringLiteral("cmdadd"));
        return b;
    }();
    Q_UNUSED(offscreen);
    Q_UNUSED(button);
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    ApplyTextFile(bytes);
    ApplyTextLines(QString::fromUtf8(bytes));
    return 0;
}

#include "tray/splashwindow.h"

#include "kit/messagebox.h"
#include "kit/windowfactory.h"
#include "settings/appstate.h"
#include "settings/options.h"
#include "settings/programfile.h"
#include "settings/storekeys.h"
#include "settings/userdata.h"
#include "tray/singleinstance.h"

#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QScreen>

namespace quendral {

namespace {
constexpr int kWidth = 400;
constexpr int kHeight = 230;
constexpr int kDotCount = 9;
constexpr int kDotSize = 10;    // the dots are lines of width 10
constexpr int kDotSpacing = 16; // 240 twips
constexpr int kDotsTop = 160;
constexpr int kPictureSize = 48;
constexpr int kTickMs = 100;
constexpr int kLastTick = 10;
constexpr int kLineSpacingTenths = 14; // line height per em, in tenths
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
} // namespace

SplashDot::SplashDot(QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(kDotSize, kDotSize);
}

void SplashDot::setColor(const QColor &color)
{
    m_color = color;
    update();
}

void SplashDot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_color);
    painter.drawEllipse(rect());
}

SplashWindow::SplashWindow(AppState &state, WindowFactory &factory, SingleInstance &instance, QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_state(state)
    , m_factory(factory)
    , m_instance(instance)
    , m_timer1(new QTimer(this))
{
    setObjectName(QStringLiteral("splash"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    load();
}

void SplashWindow::addLabel(const QString &name, const QString &caption, const QString &family, int pointSize, int y)
{
    auto *label = new QLabel(caption, this);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(QFont(family, pointSize));
    // Sized as designed, from the point size, with room for the tallest
    // common fonts' line: measuring the font would load the font system
    // before the timer runs, and hold the tray icon back by as much.
    const int emIn72ths = pointSize * logicalDpiY(); // the em, in 1/72 pixel
    const int height = (emIn72ths * kLineSpacingTenths + 719) / 720 + 4;
    label->setGeometry(16, y, kWidth - 32, height);
}

void SplashWindow::buildControls()
{
    setWindowTitle(QStringLiteral("Quendral"));
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);

    // Line1 to Line4 frame the window: top, right, bottom, left.
    const QRect frames[] = {
        {0, 0, kWidth, 2}, {kWidth - 2, 0, 2, kHeight}, {0, kHeight - 2, kWidth, 2}, {0, 0, 2, kHeight}};
    for (int i = 0; i < 4; ++i) {
        auto *line = new QFrame(this);
        line->setObjectName(QStringLiteral("Line%1").arg(i + 1));
        line->setFrameShape(frames[i].width() > frames[i].height() ? QFrame::HLine : QFrame::VLine);
        line->setGeometry(frames[i]);
    }

    const QPixmap picture = QIcon(m_state.ProgramFolder() + programfile::programPicture()).pixmap(kPictureSize);
    const QPoint picturePlaces[] = {{16, 16}, {kWidth - 16 - kPictureSize, 16}};
    for (int i = 0; i < 2; ++i) {
        auto *image = new QLabel(this);
        image->setObjectName(QStringLiteral("Image%1").arg(i + 1));
        image->setPixmap(picture);
        image->setGeometry(QRect(picturePlaces[i], QSize(kPictureSize, kPictureSize)));
    }

    addLabel(QStringLiteral("Label1"), QStringLiteral("Quendral"), QStringLiteral("Comic Sans MS"), 24, 24);
    addLabel(QStringLiteral("Label2"), QStringLiteral("Kontrola pobieranych plików dla połączeń modemowych"),
             QStringLiteral("MS Sans Serif"), 8, 90);
    addLabel(QStringLiteral("lblloading"), QStringLiteral("Program is loading..."), QStringLiteral("MS Sans Serif"), 8,
             130);

    const int firstDot = (kWidth - (kDotCount - 1) * kDotSpacing - kDotSize) / 2;
    for (int index = 1; index <= kDotCount; ++index) {
        auto *dot = new SplashDot(this);
        dot->setObjectName(QStringLiteral("Linia%1").arg(index));
        dot->move(firstDot + (index - 1) * kDotSpacing, kDotsTop);
        m_linia.append(dot);
    }

    if (const QScreen *place = screen())
        move(place->availableGeometry().center() - rect().center());

    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(kTickMs);
    // Ten ticks make the splash's second; coarse ticks may each come up to 5%
    // late, and the tray icon with them.
    m_timer1->setTimerType(Qt::PreciseTimer);
    connect(m_timer1, &QTimer::timeout, this, &SplashWindow::animate);
}

void SplashWindow::load()
{
    if (!m_instance.acquire()) {
        msgbox::show(nullptr, m_state.message(Msg::DoubleRun), msgbox::Icon::Information);
        m_refused = true;
        return;
    }
    // Said once, at start-up: every later write there fails alike.
    if (const QString folder = unusableDataFolder(m_state.store.settingsFilePath()); !folder.isEmpty())
        msgbox::show(nullptr,
                     m_state.message(Msg::DataFolderUnusable) + QStringLiteral("\n\n") +
                         QDir::toNativeSeparators(folder),
                     msgbox::Icon::Warning);
    m_ticks = 0;
    m_timer1->start();
}

void SplashWindow::closeEvent(QCloseEvent *event)
{
    // Closed before its tenth tick, the splash would take the tray window's
    // loading with it and leave a copy running with no icon, holding the
    // single-instance lock: it goes only when its timer is done.
    if (m_timer1->isActive()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void SplashWindow::animate()
{
    ++m_ticks;
    if (m_ticks == kLastTick) {
        m_timer1->stop();
        m_factory.load(QStringLiteral("frmnotunload"));
        // The rest waits for the loop's next turn, so that the tray icon's
        // request reaches the tray host first and the host takes the icon in
        // while the options window is built.
        QMetaObject::invokeMethod(this, &SplashWindow::loadOptionsAndClose, Qt::QueuedConnection);
        return;
    }
    if (m_ticks > kLastTick)
        return;
    SplashDot *dot = Linia(m_ticks);
    dot->setColor(dot->color() == kRed ? kGreen : kRed);
}

void SplashWindow::loadOptionsAndClose()
{
    if (Options::read(m_state.store).first.number() != 0) {
        m_factory.load(QStringLiteral("frmmain"));
    } else {
        m_state.store.SaveUserSetting(keys::kFirst, QStringLiteral("1"));
        m_factory.show(QStringLiteral("frmmain"));
    }
    close();
}

} // namespace quendral

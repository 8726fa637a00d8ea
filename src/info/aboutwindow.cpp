#include "info/aboutwindow.h"

#include "kit/picturebutton.h"

#include <QDate>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>

namespace quendral {

namespace {

const QColor linkColour(0, 128, 0);
const QColor linkHoverColour(255, 255, 0);

// The day this file was compiled, as dd.MM.yyyy. The compiler gives it as
// "Apr 11 2005" (a single-digit day padded with a blank).
QString buildDate()
{
    const QDate date = QDate::fromString(QString::fromLatin1(__DATE__).simplified(), QStringLiteral("MMM d yyyy"));
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

} // namespace

AboutWindow::AboutWindow(LanguagePass loadLanguage, LinkOpener open, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_open(std::move(open))
{
    setObjectName(QStringLiteral("frmabout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Informacje o programie..."));
    // Pointer movement over the background restores the link colours.
    setMouseTracking(true);

    QLabel *lblabout = addLabel(
        QStringLiteral("lblabout"),
        QStringLiteral("Program jest darmowy (freeware). Możesz go używać, kopiować i rozpowszechniać bez opłat, pod "
                       "warunkiem że nie zmieniasz jego plików. Autor nie odpowiada za szkody wynikłe z używania "
                       "programu."));
    lblabout->setWordWrap(true);
    m_Label5 = addLink(QStringLiteral("Label5"), authorEmail());
    m_Label6 = addLink(QStringLiteral("Label6"), authorPage());
    Form_MouseMove();

    auto *cmdapply = new PictureButton(QStringLiteral("&OK"), this);
    cmdapply->setObjectName(QStringLiteral("cmdapply"));
    connect(cmdapply, &PictureButton::clicked, this, &AboutWindow::apply);

    auto *layout = new QGridLayout(this);
    layout->setColumnStretch(1, 1);
    layout->addWidget(addLabel(QStringLiteral("lblversion"), QStringLiteral("Wersja:")), 0, 0);
    layout->addWidget(addLabel(QStringLiteral("lblnumber"), QStringLiteral(QUENDRAL_VERSION)), 0, 1);
    layout->addWidget(addLabel(QStringLiteral("lblcompilation"), QStringLiteral("Data kompilacji:")), 1, 0);
    layout->addWidget(addLabel(QStringLiteral("lbldate"), buildDate()), 1, 1);
    layout->addWidget(lblabout, 2, 0, 1, 2);
    layout->addWidget(addLabel(QStringLiteral("lblauthor"), QStringLiteral("Autor programu:")), 3, 0, 1, 2);
    layout->addWidget(addPicture(QStringLiteral("imgmail"), QStringLiteral(":/quendral/pictures/mail.svg")), 4, 0,
                      Qt::AlignRight);
    layout->addWidget(m_Label5, 4, 1);
    layout->addWidget(addPicture(QStringLiteral("imgweb"), QStringLiteral(":/quendral/pictures/web.svg")), 5, 0,
                      Qt::AlignRight);
    layout->addWidget(m_Label6, 5, 1);
    layout->addWidget(cmdapply, 6, 0, 1, 2, Qt::AlignRight);
    setFixedWidth(420);

    loadLanguage(this);
}

QLabel *AboutWindow::addLabel(const QString &name, const QString &text)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(name);
    return label;
}

QLabel *AboutWindow::addLink(const QString &name, const QString &text)
{
    QLabel *link = addLabel(name, text);
    QFont font = link->font();
    font.setBold(true);
    link->setFont(font);
    link->setCursor(Qt::PointingHandCursor);
    link->setMouseTracking(true);
    link->installEventFilter(this);
    return link;
}

QLabel *AboutWindow::addPicture(const QString &name, const QString &picture)
{
    QLabel *label = addLabel(name, {});
    label->setPixmap(QIcon(picture).pixmap(QSize(24, 24)));
    return label;
}

void AboutWindow::setLinkColours(const QColor &mail, const QColor &web)
{
    for (const auto &[link, colour] : {std::pair{m_Label5, mail}, std::pair{m_Label6, web}}) {
        QPalette palette = link->palette();
        palette.setColor(QPalette::WindowText, colour);
        link->setPalette(palette);
    }
}

void AboutWindow::Form_MouseMove()
{
    setLinkColours(linkColour, linkColour);
}

void AboutWindow::Label5_MouseMove()
{
    setLinkColours(linkHoverColour, linkColour);
}

void AboutWindow::Label6_MouseMove()
{
    setLinkColours(linkColour, linkHoverColour);
}

void AboutWindow::openMailLink()
{
    open_mail_link(authorEmail(), {}, {}, m_open);
}

void AboutWindow::openWebLink()
{
    m_open(authorPage());
}

void AboutWindow::apply()
{
    close();
}

bool AboutWindow::eventFilter(QObject *watched, QEvent *event)
{
    const bool mail = watched == m_Label5;
    if (!mail && watched != m_Label6)
        return QWidget::eventFilter(watched, event);

    if (event->type() == QEvent::MouseMove) {
        // Consumed here: passed on, the move would reach the window as a
        // background move and undo the colour.
        mail ? Label5_MouseMove() : Label6_MouseMove();
        return true;
    }
    if (event->type() == QEvent::Leave) {
        // Leaving a link for a neighbouring label or for outside the window
        // brings no background move, and the link would stay lit.
        Form_MouseMove();
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *release = static_cast<QMouseEvent *>(event);
        const bool onLink = static_cast<QWidget *>(watched)->rect().contains(release->position().toPoint());
        if (release->button() == Qt::LeftButton && onLink) {
            mail ? openMailLink() : openWebLink();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void AboutWindow::mouseMoveEvent(QMouseEvent *event)
{
    Form_MouseMove();
    QWidget::mouseMoveEvent(event);
}

} // namespace quendral

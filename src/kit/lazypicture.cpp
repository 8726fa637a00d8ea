#include "kit/lazypicture.h"

#include <QIconEngine>

namespace quendral {

namespace {

class LazyPictureEngine : public QIconEngine
{
public:
    explicit LazyPictureEngine(QString file)
        : m_file(std::move(file))
    {
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        loaded().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return loaded().pixmap(size, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return loaded().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return loaded().availableSizes(mode, state);
    }
    // Asked by menus to decide whether entries have pictures: answered
    // without reading the file.
    bool isNull() override { return m_file.isEmpty(); }
    QString key() const override { return QStringLiteral("quendral-lazy"); }
    QIconEngine *clone() const override { return new LazyPictureEngine(*this); }

private:
    const QIcon &loaded()
    {
        if (m_picture.isNull())
            m_picture = QIcon(m_file);
        return m_picture;
    }

    QString m_file;
    QIcon m_picture;
};

} // namespace

QIcon lazyPicture(const QString &file)
{
    return QIcon(new LazyPictureEngine(file));
}

} // namespace quendral

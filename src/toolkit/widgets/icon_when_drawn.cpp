#include "toolkit/widgets/icon_when_drawn.h"

#include <QIconEngine>
#include <QPainter>

#include <memory>
#include <mutex>

namespace toolkit {
namespace {

class IconWhenDrawn : public QIconEngine {
public:
    explicit IconWhenDrawn(std::function<QIcon()> lookUp) : m_shared(std::make_shared<Shared>())
    {
        m_shared->lookUp = std::move(lookUp);
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        return icon().pixmap(size, scale, mode, state);
    }
    // Laying out asks for the size and whether there is a picture: answered
    // without the look-up, as the size asked for and yes.
    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override { return size; }
    bool isNull() override { return false; }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    QString iconName() override { return icon().name(); }
    QString key() const override { return QStringLiteral("IconWhenDrawn"); }
    QIconEngine *clone() const override { return new IconWhenDrawn(*this); }

private:
    // Copies of the icon share one look-up.
    struct Shared {
        std::once_flag once;
        std::function<QIcon()> lookUp;
        QIcon icon;
    };

    const QIcon &icon() const
    {
        Shared &shared = *m_shared;
        std::call_once(shared.once, [&shared] { shared.icon = std::exchange(shared.lookUp, {})(); });
        return shared.icon;
    }

    std::shared_ptr<Shared> m_shared;
};

} // namespace

QIcon iconWhenDrawn(std::function<QIcon()> lookUp)
{
    return QIcon(new IconWhenDrawn(std::move(lookUp)));
}

} // namespace toolkit

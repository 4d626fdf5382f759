#include "app/icon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>

namespace app {
namespace {

// Drawn on a 128-unit square whose edges all lie on multiples of 8 units, so
// that the 16-pixel icon stays sharp.
void paintIcon(QPainter& painter, const QRectF& target) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(target.topLeft());
    painter.scale(target.width() / 128.0, target.height() / 128.0);

    const QColor pin(0x9a, 0xa2, 0xac);
    for (int x : {24, 48, 72, 96}) {
        painter.fillRect(QRectF(x, 8, 8, 24), pin);
        painter.fillRect(QRectF(x, 96, 8, 24), pin);
    }

    QPainterPath body;
    body.addRoundedRect(QRectF(8, 32, 112, 64), 8, 8);
    QPainterPath notch;
    notch.addEllipse(QPointF(8, 64), 12, 12);
    painter.fillPath(body.subtracted(notch), QColor(0x3a, 0x42, 0x4e));

    painter.setPen(QPen(QColor(0x3c, 0xe0, 0x6a), 16, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    const QPolygonF wave{{24, 80}, {40, 80}, {40, 56}, {64, 56}, {64, 80}, {88, 80}, {88, 56}, {104, 56}};
    painter.drawPolyline(wave);
    painter.restore();
}

// Transparent around the drawing; a size that is not square gets the
// drawing centred in the largest square that fits.
QImage drawnImage(const QSize& size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const int side = std::min(size.width(), size.height());
    QPainter painter(&image);
    paintIcon(painter, QRectF((size.width() - side) / 2, (size.height() - side) / 2, side, side));
    return image;
}

class DrawnIconEngine : public QIconEngine {
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        paintIcon(*painter, rect);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override {
        return QPixmap::fromImage(drawnImage(size));
    }
    QIconEngine* clone() const override { return new DrawnIconEngine; }
    // The sizes the drawing is designed for; any other is drawn as well.
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return {{16, 16}, {32, 32}, {128, 128}}; }
};

}  // namespace

QImage drawIcon(int size) { return drawnImage(QSize(size, size)); }

QIcon applicationIcon() { return QIcon(new DrawnIconEngine); }

}  // namespace app

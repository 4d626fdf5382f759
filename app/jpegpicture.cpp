#include "app/jpegpicture.h"

#include <turbojpeg.h>

#include <QFile>
#include <QMouseEvent>
#include <QPainter>

#include <cstdio>
#include <memory>

namespace app {

namespace {

// A damaged header can claim up to 65500 x 65500 pixels; refuse anything far
// beyond what a window could show before allocating for it.
constexpr qint64 kMaxPixels = qint64(8192) * 8192;

struct TjDestroy {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjDestroy>;

JpegDecoding failure(QString reason) { return {QImage(), std::move(reason)}; }

JpegDecoding failure(const TjHandle& handle) {
    return failure(QString::fromUtf8(tjGetErrorStr2(handle.get())));
}

}  // namespace

JpegDecoding decodeJpeg(QByteArrayView jpeg) {
    const TjHandle handle(tjInitDecompress());
    if (!handle)
        return failure(QString::fromUtf8(tjGetErrorStr2(nullptr)));
    const auto* bytes = reinterpret_cast<const unsigned char*>(jpeg.data());
    const auto size = static_cast<unsigned long>(jpeg.size());
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle.get(), bytes, size, &width, &height, &subsampling, &colorspace) != 0)
        return failure(handle);
    if (qint64(width) * height > kMaxPixels)
        return failure("picture too large: " + QString::number(width) + " x " + QString::number(height));
    QImage image(width, height, QImage::Format_RGB888);
    if (image.isNull())
        return failure(QStringLiteral("out of memory"));
    if (tjDecompress2(handle.get(), bytes, size, image.bits(), width, int(image.bytesPerLine()), height,
                      TJPF_RGB, TJFLAG_LIMITSCANS) != 0)
        return failure(handle);
    return {image, QString()};
}

JpegPicture::JpegPicture(const QString& path, QWidget* parent) : QWidget(parent), path_(path) {}

void JpegPicture::paintEvent(QPaintEvent*) {
    if (!loaded_)
        load();
    if (image_.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), image_);
}

void JpegPicture::load() {
    loaded_ = true;
    QFile file(path_);
    QString problem;
    if (!file.open(QIODevice::ReadOnly)) {
        problem = "cannot read picture " + path_ + ": " + file.errorString();
    } else {
        JpegDecoding decoded = decodeJpeg(file.readAll());
        image_ = std::move(decoded.image);
        if (image_.isNull())
            problem = "cannot decode picture " + path_ + ": " + decoded.error;
    }
    if (!problem.isEmpty())
        std::fputs(qPrintable("avrtimer: " + problem.simplified() + '\n'), stderr);
}

void JpegPicture::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

void JpegPicture::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click)
        emit clicked();
}

}  // namespace app

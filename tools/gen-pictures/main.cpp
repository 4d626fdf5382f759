// Draws the clock-select pictures of the prescaler window, and the
// application icon with the program's own drawing, and writes them into the
// resource folder given on the command line:
//   gen-pictures RESDIR  ->  RESDIR/timer0.jpg, RESDIR/timer2.jpg,
//                            RESDIR/icons/avrtimer-{16,32,128}.png
// The outputs are committed; the normal build only embeds them.
#include "app/icon.h"
#include "tablelayout.h"

#include <turbojpeg.h>

#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr int kJpegQuality = 90;
constexpr int kTextPadding = 6;
constexpr int kTextPixelSize = 12;
constexpr int kTitlePixelSize = 13;
const QColor kHeaderGrey(0xd9, 0xd9, 0xd9);

void fail(const QString& message) {
    std::fputs(qPrintable("gen-pictures: " + message + '\n'), stderr);
    std::exit(EXIT_FAILURE);
}

// A fallback family would silently change every committed picture.
QFont dejaVuSans(int pixelSize, bool bold) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    const QString resolved = QFontInfo(font).family();
    if (resolved != font.family())
        fail("DejaVu Sans is not installed (got " + resolved + "); install fonts-dejavu-core");
    return font;
}

void drawGrid(QPainter& painter, const pictures::TableGeometry& g) {
    painter.setPen(QPen(Qt::black, 0));
    for (int k = 0; k <= pictures::TableGeometry::kRows; ++k)
        painter.drawLine(g.table.left(), g.lineY(k), g.table.right(), g.lineY(k));
    painter.drawLine(g.table.topLeft(), g.table.bottomLeft());
    painter.drawLine(g.table.topRight(), g.table.bottomRight());
}

QImage drawClockSelect(const pictures::ClockSelectPicture& picture) {
    const pictures::TableGeometry g(picture.size);
    QImage image(picture.size, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);

    painter.setFont(dejaVuSans(kTitlePixelSize, true));
    painter.setPen(Qt::black);
    painter.drawText(g.title, Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(picture.title));

    painter.fillRect(g.cell(0), kHeaderGrey);
    drawGrid(painter, g);

    painter.setPen(Qt::black);
    painter.setFont(dejaVuSans(kTextPixelSize, true));
    painter.drawText(g.cell(0), Qt::AlignCenter, QStringLiteral("Description"));
    painter.setFont(dejaVuSans(kTextPixelSize, false));
    for (int code = 0; code < 8; ++code) {
        const QRect text = g.cell(code + 1).adjusted(kTextPadding, 0, -kTextPadding, 0);
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(picture.rows[code]));
    }
    return image;
}

struct TjDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};

QByteArray encodeJpeg(const QImage& rgb888) {
    const std::unique_ptr<void, TjDeleter> handle(tjInitCompress());
    if (!handle)
        fail(QString::fromUtf8(tjGetErrorStr2(nullptr)));
    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    const int rc = tjCompress2(handle.get(), rgb888.constBits(), rgb888.width(),
                               int(rgb888.bytesPerLine()), rgb888.height(), TJPF_RGB, &jpeg,
                               &jpegSize, TJSAMP_444, kJpegQuality, 0);
    if (rc != 0)
        fail(QString::fromUtf8(tjGetErrorStr2(handle.get())));
    QByteArray bytes(reinterpret_cast<const char*>(jpeg), qsizetype(jpegSize));
    tjFree(jpeg);
    return bytes;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        fail("cannot write " + path + ": " + file.errorString());
}

void writePng(const QString& path, const QImage& image) {
    if (!image.save(path, "PNG"))
        fail("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
    // The pictures are drawn off screen; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2)
        fail("usage: gen-pictures RESDIR");
    const QDir res(QString::fromLocal8Bit(argv[1]));
    if (!res.mkpath(QStringLiteral("icons")))
        fail("cannot create " + res.filePath(QStringLiteral("icons")));

    for (const auto& picture : pictures::clockSelectPictures())
        writeFile(res.filePath(QString::fromUtf8(picture.fileName)),
                  encodeJpeg(drawClockSelect(picture)));
    for (int size : {16, 32, 128})
        writePng(res.filePath("icons/avrtimer-" + QString::number(size) + ".png"), app::drawIcon(size));
    return EXIT_SUCCESS;
}

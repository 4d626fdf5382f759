// decodeJpeg on arbitrary bytes: an image of positive size and no error, or
// a null image and the reason.
#include "app/jpegpicture.h"
#include "tests/fuzz/fuzzcheck.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const app::JpegDecoding decoded = app::decodeJpeg(QByteArrayView(data, static_cast<qsizetype>(size)));
    const QImage& image = decoded.image;
    if (image.isNull()) {
        if (decoded.error.isEmpty())
            fuzz::fail({"no image and no reason"});
        return 0;
    }
    if (!decoded.error.isEmpty())
        fuzz::fail({"an image and a reason:", decoded.error.toStdString()});
    if (image.width() <= 0 || image.height() <= 0 || image.format() != QImage::Format_RGB888)
        fuzz::fail({"image of", fuzz::show(static_cast<long long>(image.width())), "x",
                    fuzz::show(static_cast<long long>(image.height()))});
    return 0;
}

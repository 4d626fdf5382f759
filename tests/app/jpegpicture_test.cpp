#include "app/jpegpicture.h"
#include "app/shell.h"
#include "tools/gen-pictures/tablelayout.h"

#include <QFile>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>
#include <functional>

namespace pictures {
// Names a picture's test row by its file rather than by its bytes.
void PrintTo(const ClockSelectPicture& picture, std::ostream* out) { *out << picture.fileName; }
}  // namespace pictures

namespace {

QByteArray resource(const QString& path) {
    app::initResources();
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

QByteArray timer0Jpeg() { return resource(QString::fromLatin1(app::kTimer0Picture)); }

class EmbeddedPicture : public testing::TestWithParam<pictures::ClockSelectPicture> {};

TEST_P(EmbeddedPicture, DecodesToTheDrawnTable) {
    const auto& picture = GetParam();
    const app::JpegDecoding decoded = app::decodeJpeg(resource(":/pictures/" + QString::fromLatin1(picture.fileName)));
    ASSERT_TRUE(decoded.error.isEmpty()) << decoded.error.toStdString();
    ASSERT_EQ(decoded.image.size(), picture.size);

    const pictures::TableGeometry g(picture.size);
    const QImage& image = decoded.image;
    const QRect header = g.cell(0);
    const QRect firstRow = g.cell(1);
    // Left of the centred heading, and right of the left-aligned row text.
    const QColor grey = image.pixelColor(header.left() + 8, header.center().y());
    const QColor white = image.pixelColor(firstRow.right() - 8, firstRow.center().y());
    EXPECT_LT(qGray(image.pixel(g.table.left(), g.cell(4).center().y())), 96) << "vertical grid line";
    EXPECT_LT(qGray(image.pixel(g.table.center().x(), g.lineY(5))), 96) << "horizontal grid line";
    EXPECT_GT(white.lightness(), 240);
    EXPECT_GT(image.pixelColor(g.table.right() - 3, g.lineY(9) + 3).lightness(), 240) << "below the table";
    EXPECT_GT(grey.lightness(), 190);
    EXPECT_LT(grey.lightness(), 235);
    EXPECT_LT(grey.hsvSaturation(), 16);
}

INSTANTIATE_TEST_SUITE_P(Pictures, EmbeddedPicture, testing::ValuesIn(pictures::clockSelectPictures()),
                         [](const auto& info) {
                             return QString::fromLatin1(info.param.fileName).section('.', 0, 0).toStdString();
                         });

// Offset of the frame header's height field (FF C0, length, precision).
qsizetype sofHeightOffset(const QByteArray& jpeg) {
    const qsizetype sof = jpeg.indexOf(QByteArrayLiteral("\xff\xc0"));
    EXPECT_GT(sof, 0);
    return sof + 5;
}

QByteArray withDimensions(QByteArray jpeg, quint16 width, quint16 height) {
    const qsizetype at = sofHeightOffset(jpeg);
    jpeg[at] = char(height >> 8);
    jpeg[at + 1] = char(height & 0xff);
    jpeg[at + 2] = char(width >> 8);
    jpeg[at + 3] = char(width & 0xff);
    return jpeg;
}

struct Damage {
    const char* name;
    std::function<QByteArray(const QByteArray&)> apply;
};

void PrintTo(const Damage& row, std::ostream* out) { *out << row.name; }

class DamagedJpeg : public testing::TestWithParam<Damage> {};

TEST_P(DamagedJpeg, GivesAnErrorAndNoImage) {
    const app::JpegDecoding decoded = app::decodeJpeg(GetParam().apply(timer0Jpeg()));
    EXPECT_TRUE(decoded.image.isNull());
    EXPECT_FALSE(decoded.error.isEmpty());
    EXPECT_FALSE(decoded.error.contains('\n'));
}

const Damage kDamages[] = {
    {"Empty", [](const QByteArray&) { return QByteArray(); }},
    {"NotAJpeg", [](const QByteArray&) { return QByteArrayLiteral("GIF89a\x01\x00\x01\x00"); }},
    {"StartMarkerOnly", [](const QByteArray& j) { return j.left(2); }},
    {"CutBeforeTheScan", [](const QByteArray& j) { return j.left(j.indexOf("\xff\xda")); }},
    {"CutInTheScan", [](const QByteArray& j) { return j.left(j.size() / 2); }},
    {"EndMarkerMissing", [](const QByteArray& j) { return j.chopped(2); }},
    {"ZeroHeight", [](const QByteArray& j) { return withDimensions(j, 356, 0); }},
};

INSTANTIATE_TEST_SUITE_P(Data, DamagedJpeg, testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

// A damaged header could make the decoder fill gigabytes with nothing;
// such a size is refused before anything is allocated.
TEST(DecodeJpeg, RefusesSizesNoWindowCouldShow) {
    const app::JpegDecoding decoded = app::decodeJpeg(withDimensions(timer0Jpeg(), 20000, 20000));
    EXPECT_TRUE(decoded.image.isNull());
    EXPECT_THAT(decoded.error.toStdString(), testing::HasSubstr("20000 x 20000"));
}

struct BadFile {
    const char* name;
    QByteArray contents;  // null: the file does not exist
    const char* message;
};

void PrintTo(const BadFile& row, std::ostream* out) { *out << row.name; }

class BadPictureFile : public testing::TestWithParam<BadFile> {};

// Damaged data must cost nothing before the picture is first painted and
// only one line however often it is painted.
TEST_P(BadPictureFile, ReportsOnceWhenFirstPaintedAndStaysEmpty) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("picture.jpg"));
    if (!GetParam().contents.isNull()) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(GetParam().contents);
    }
    testing::internal::CaptureStderr();
    app::JpegPicture picture(path);
    picture.resize(40, 30);
    const std::string beforePaint = testing::internal::GetCapturedStderr();

    testing::internal::CaptureStderr();
    const QImage first = picture.grab().toImage();
    picture.grab();
    const std::string afterPaint = testing::internal::GetCapturedStderr();

    const std::string prefix = "avrtimer: " + std::string(GetParam().message) + " " + path.toStdString() + ": ";
    EXPECT_EQ(beforePaint, "");
    EXPECT_THAT(afterPaint, testing::StartsWith(prefix));
    EXPECT_GT(afterPaint.size(), prefix.size() + 1) << "the reason is missing";
    EXPECT_EQ(std::count(afterPaint.begin(), afterPaint.end(), '\n'), 1);
    EXPECT_EQ(afterPaint.back(), '\n');
    EXPECT_EQ(first.pixel(20, 15), picture.palette().color(QPalette::Window).rgb());
}

INSTANTIATE_TEST_SUITE_P(Files, BadPictureFile,
                         testing::Values(BadFile{"Missing", QByteArray(), "cannot read picture"},
                                         BadFile{"NotAJpeg", QByteArrayLiteral("<svg/>"), "cannot decode picture"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

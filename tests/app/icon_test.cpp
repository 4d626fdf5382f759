#include "app/icon.h"

#include <QPixmap>

#include <gtest/gtest.h>

namespace {

class IconSizes : public testing::TestWithParam<int> {};

// The installed icons are drawn by the same code; a drawing changed without
// running tools/gen-pictures would leave the desktop showing another icon.
TEST_P(IconSizes, MatchesTheInstalledPicture) {
    const int size = GetParam();
    const QImage installed(QStringLiteral(AVRTIMER_RES_DIR "/icons/avrtimer-%1.png").arg(size));
    ASSERT_FALSE(installed.isNull());
    EXPECT_TRUE(app::drawIcon(size) == installed.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

TEST_P(IconSizes, IsWhatTheWindowSystemGets) {
    const int size = GetParam();
    const QIcon icon = app::applicationIcon();
    EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size)));
    const QImage given = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    EXPECT_TRUE(given == app::drawIcon(size));
}

INSTANTIATE_TEST_SUITE_P(Sizes, IconSizes, testing::Values(16, 32, 128));

}  // namespace

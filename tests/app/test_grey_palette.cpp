// The palette picture behind an 8-bit grey BMP: Qt's BMP writer writes each row as the picture
// holds it, the padding up to 32 bits included, so that padding must be zeros.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <vector>

#include "document_save.h"
#include "support/qt_app_env.h"
#include "wsq_grey.h"

namespace {

TEST(GreyPalette, BmpRowsArePaddedWithZerosNotLeftoverMemory) {
    const int width = 37, height = 23;  // rows of 37 bytes, padded to 40
    std::vector<uint8_t> grey(size_t(width) * height);
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = uint8_t(1 + i % 254);
    const QImage grey8 = wsqgrey::grey8Image(grey.data(), width, height);

    // Leaves blocks of the palette picture's size full of 0xFF for the allocator to hand out
    // again (the sanitizer build fills fresh blocks itself).
    for (int i = 0; i < 4; ++i) {
        QImage dirty(width, height, QImage::Format_Indexed8);
        std::memset(dirty.bits(), 0xFF, size_t(dirty.sizeInBytes()));
    }
    const QImage palette = wsqgrey::greyPaletteImage(grey8);
    ASSERT_EQ(palette.bytesPerLine(), 40);
    for (int y = 0; y < height; ++y) {
        SCOPED_TRACE(y);
        const uchar* row = palette.constScanLine(y);
        EXPECT_EQ(std::memcmp(row, grey.data() + size_t(y) * width, width), 0);
        EXPECT_EQ(row[37] | row[38] | row[39], 0);
    }

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("grey.bmp");
    document::SaveSettings settings;
    settings.keepGrey = true;
    ASSERT_TRUE(document::savePicture(grey8, path, document::SaveType::Bmp, settings).ok());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bmp = file.readAll();
    // 14 + 40 header bytes and 256 palette entries, then the rows, bottom first.
    const qsizetype pixels = 14 + 40 + 256 * 4;
    ASSERT_EQ(bmp.size(), pixels + 40 * height);
    for (int y = 0; y < height; ++y) {
        SCOPED_TRACE(y);
        const QByteArray row = bmp.mid(pixels + 40 * (height - 1 - y), 40);
        EXPECT_EQ(row.left(width),
                  QByteArray(reinterpret_cast<const char*>(grey.data()) + y * width, width));
        EXPECT_EQ(row.mid(width), QByteArray(3, '\0'));
    }
}

}  // namespace

// PGM and PPM files as wsqconvert reads them: the document layer's load of the types only
// wsqconvert takes (Qt's netpbm reader, the damage checks after it, grey pictures kept as 8-bit
// grey) over arbitrary bytes, named .pgm or .ppm. A load that succeeds gives one page whose
// picture, 8-bit grey or 32-bit, has the size its facts give; one that fails gives no picture
// and no damage note.
#include <QImage>
#include <QImageReader>

#include <cstdint>
#include <cstdlib>

#include "document_load.h"
#include "fuzz/fuzz_input_file.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Qt refuses pictures above its allocation limit (megabytes); a low one keeps every run
    // fast, bitmaps of 1 bit a pixel included, which become 32-bit pictures on the way.
    static const bool limited = [] {
        QImageReader::setAllocationLimit(4);
        return true;
    }();
    (void)limited;
    // The name only hints: Qt goes by the content when the suffix's reader declines.
    FuzzInputFile file(data, size, size % 2 == 0 ? ".pgm" : ".ppm");
    require(file.ok());
    document::LoadOptions options;
    options.scope = document::TypeScope::Wsqconvert;
    options.greyPictures = true;
    const document::Document doc =
        document::loadDocument(QString::fromLocal8Bit(file.path()), options);
    require(doc.pages.size() <= 1);
    const QImage picture = doc.picture();
    if (!doc.ok()) {
        require(picture.isNull() && doc.damage.isEmpty() && !doc.error.isEmpty());
        return 0;
    }
    require(doc.pages.size() == 1 && !picture.isNull());
    require(picture.format() == QImage::Format_Grayscale8 ||
            picture.format() == QImage::Format_RGB32 ||
            picture.format() == QImage::Format_ARGB32_Premultiplied);
    require(doc.pages[0].facts.width == picture.width() &&
            doc.pages[0].facts.height == picture.height());
    return 0;
}

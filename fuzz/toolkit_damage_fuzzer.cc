// The checks that tell a whole file from a damaged one among those Qt reads (toolkit_damage.h):
// the GIF block and LZW walk, the BMP row and run-length walk, the JPEG marker walk, the XBM
// count and the plain PGM and PPM sample walk, each over arbitrary bytes, and the dispatch by
// format with a reader message. They read hostile files before and after Qt does, so they must stay
// inside the bytes and end.
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <span>
#include <vector>

#include "bmp_damage.h"
#include "gif_damage.h"
#include "jpeg_damage.h"
#include "pnm_damage.h"
#include "toolkit_damage.h"
#include "xbm_damage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    (void)gifDamage(bytes);
    (void)bmpDamage(bytes);
    (void)jpegDamage(bytes);
    (void)xbmDamage(bytes);
    (void)pnmDamage(bytes);
    // A reader's message that means damage is reported as it is, whatever the file says.
    const QString message = QStringLiteral("Corrupt JPEG data: bad Huffman code");
    const std::vector<DecoderMessages::Message> messages = {
        {QtWarningMsg, QStringLiteral("qt.gui.imageio.jpeg"), message}};
    if (toolkitDamage(bytes, QByteArrayLiteral("jpeg"), messages) != message) std::abort();
    return 0;
}

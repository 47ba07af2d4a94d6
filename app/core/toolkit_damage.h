// Whether a picture Qt's readers made of a file is the whole picture the file holds. Qt's
// readers return what they managed to decode of a damaged file without an error; what gives
// them away is the readers' own warnings (JPEG, XPM) or the file's structure (JPEG, GIF, BMP,
// XBM, plain PGM and PPM), which Qt does not check. PNG, MNG and raw netpbm files need
// neither: Qt refuses those files when they are cut short or their data are broken.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <span>
#include <vector>

#include "decoder_messages.h"

// What was wrong with the file `fileName`, which Qt read as `format` (QImageReader::format())
// into a picture while saying `messages`, in the words of the reader or of the check; empty
// when the picture is whole. A file that cannot be mapped is judged by the messages alone.
QString toolkitDamage(const QString& fileName, const QByteArray& format,
                      const std::vector<DecoderMessages::Message>& messages);
// The same for the file's bytes.
QString toolkitDamage(std::span<const uint8_t> bytes, const QByteArray& format,
                      const std::vector<DecoderMessages::Message>& messages);

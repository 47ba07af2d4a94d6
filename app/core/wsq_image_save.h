// A picture saved as WSQ: the viewer's grey conversion, the encoder and the whole-file writer.
#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

// Encodes the grey of `image` ((red + green + blue) / 3) at `bitrate` and `ppi` with the comment
// (null for none). 0, or the encoder's negative code with *encoded left empty and the codec's
// line for it (empty when it printed none) in *why.
int encodeWsqImage(const QImage& image, double bitrate, int ppi, const char* comment,
                   std::vector<uint8_t>* encoded, QString* why = nullptr);

// Writes the bytes to exactly `outputName`, never destroying an existing file: 0, -2 when the
// file cannot be created, -3 when writing it failed.
int writeWsqFile(const QString& outputName, const std::vector<uint8_t>& encoded);

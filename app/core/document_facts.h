// What the facts panel lists about a document: the file's facts as name/value rows, every
// comment, the NISTCOM entries and the segments of a WSQ stream. Plain values, no widgets.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "document.h"

namespace document {

struct FactRow {
    QString name;
    QString value;
};

struct DocumentFacts {
    std::vector<FactRow> file;      // name, bytes, format, size, resolution, depth, ...
    QStringList comments;           // WSQ: every comment in file order
    std::vector<FactRow> nistcom;   // WSQ: the first NISTCOM list ahead of the first block
    std::vector<FactRow> segments;  // WSQ: marker name, "offset N, length M"
};

// Bits per pixel a file of `bytes` spends on a width x height picture, and how many times
// smaller it is than the 8-bit grey pixels; 0 when the picture has no pixels.
double achievedBitRate(qint64 bytes, int width, int height);
double compressionRatio(qint64 bytes, int width, int height);

// The rows of a saved WSQ file: its bytes, achieved bit rate and ratio.
std::vector<FactRow> savedWsqFacts(const QString& fileName, qint64 bytes, int width, int height);

// The facts of the document's first page and of the file.
DocumentFacts documentFacts(const Document& doc);

}  // namespace document

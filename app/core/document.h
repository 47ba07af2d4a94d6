// A file as the viewer, the converter window and wsqconvert see it: one or more pages, each a
// picture with its facts, the facts of the file itself, and, when the load fell short, why, in
// the reader's own words.
#pragma once

#include <QImage>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

#include "format_registry.h"
#include "imagefile/formats.h"
#include "wsq/wsq.h"

namespace ansinist {
class TransactionFile;
}  // namespace ansinist

namespace document {

struct PageFacts {
    int width = 0;
    int height = 0;
    int depth = 0;  // bits per pixel as the file stores the picture; 0 when unknown
    int ppi = -1;   // -1: the file gives no resolution
};

struct Page {
    // Null when the content did not decode (the window shows it as an empty 0 x 0 picture),
    // or, in a transaction, until the page is decoded (decodePage).
    QImage image;
    PageFacts facts;
    int record = 0;       // a transaction's record the page shows (from 1); 0 for other files
    bool decoded = true;  // false until a transaction's picture was asked for
    QString problem;      // why the picture is missing, in the reader's words
};

// How far a load got.
enum class LoadFailure {
    None,
    UnsupportedType,  // no reader takes this name
    Unreadable,       // the file could not be read (the window's critical box)
    NotAStream,       // a WSQ file without SOI and a first marker (the window's critical box)
    Undecodable,      // the content did not decode: the page's picture is null
};

struct Document {
    QString fileName;
    const ReadableType* type = nullptr;  // the reader's entry; null for an unsupported name
    QString extension;                   // the extension that chose it (dispatchExtension)
    QString format;                      // "WSQ", "TIFF", or what Qt found in the content
    qint64 fileSize = -1;                // -1 when the file was not read

    // Every picture of the file; one for every format read today. After an undecodable file
    // the one page has a null picture and the facts of a failed decode.
    std::vector<Page> pages;

    // WSQ files: the stream's facts from its one walk (frame, every comment, NISTCOM entries,
    // segments), and the decoder's facts (its defaults after a failed decode).
    std::optional<wsq::StreamFacts> wsqStream;
    std::optional<wsq::ImageFacts> wsqFrame;
    // TIFF files: how the file was stored, for a save that wants the same; the library's
    // defaults after a failed read (what its designed read keeps for the next TIFF save).
    std::optional<imagefile::TiffSaveInfo> tiff;
    // Library formats: the depth of the true-colour picture the reader made (24, or 32 with
    // alpha), which the designed read reports when it is not 8 or 24.
    int trueColourDepth = 0;
    // Transactions: the file, mapped, and its records; a page per image record.
    std::shared_ptr<const ansinist::TransactionFile> transaction;

    LoadFailure failure = LoadFailure::None;
    // Why the load fell short: the window's text where it has one ("Error reading SOI WSQ
    // marker"), otherwise the reader's own sentence.
    QString error;
    // The codec's own line behind a WSQ failure, when it printed one.
    QString detail;
    int code = 0;  // the reader's own code (the codec's negative code, the library's code)
    // Set when the reader got less than the whole picture (a file cut short, a broken
    // compressed stream) but still made one: the pages hold what could be read and this says
    // what was wrong, in the reader's words. Empty for a whole file and for a failed load.
    QString damage;

    // Grey pictures are kept as 8-bit grey (QImage::Format_Grayscale8) rather than 32-bit:
    // set by LoadOptions::greyPictures, and used for the pages decoded later too.
    bool greyPictures = false;

    bool ok() const { return failure == LoadFailure::None; }
    // The first page's picture, null when there is none.
    QImage picture() const { return pages.empty() ? QImage() : pages.front().image; }
};

}  // namespace document

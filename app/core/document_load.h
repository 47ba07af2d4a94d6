// Loading a file into a document: the reader its name chooses (format_registry.h), one read of
// the file, and everything the window, the converter and wsqconvert show of it.
#pragma once

#include <QString>

#include "document.h"
#include "format_registry.h"

namespace ansinist {
struct Record;
}  // namespace ansinist

namespace document {

// Reads `fileName` with the reader its extension chooses. Never shows anything and never
// changes a process-wide setting: what a read could leave behind for a later save (a TIFF
// file's storage) is in the document. The outcome is in the document's failure, error and
// code; every failure but an undecodable content leaves no page.
struct LoadOptions {
    // Keep grey pictures as 8-bit grey: WSQ pictures, grey transaction pictures, and pictures
    // of other files whose pixels are all grey and opaque. The window shows 32-bit pictures;
    // wsqconvert keeps grey to write grey files.
    bool greyPictures = false;
    // The types a name may have: wsqconvert's include pgm and ppm.
    TypeScope scope = TypeScope::Window;
};

Document loadDocument(const QString& fileName, const LoadOptions& options = {});
// Reads `fileName` with the reader of `extension` (any case, without the dot), whatever the
// file is called: for a caller that knows the type from the content.
Document loadDocumentAs(const QString& fileName, const QString& extension,
                        const LoadOptions& options = {});

// Decodes a page that was not decoded yet (a transaction decodes only the pictures asked
// for). True when the page has a picture; otherwise its problem says why.
bool decodePage(Document* document, size_t page);

// The picture of one image record of a transaction, decoded without keeping it anywhere (for
// thumbnails). Null when the record has none; then `problem`, when given, says why.
QImage recordPicture(const ansinist::TransactionFile& file, const ansinist::Record& record,
                     QString* problem = nullptr);

// The WSQ load's summary line: "Image info: width = ..., height =  ..., dpi = ..., depth = ...,
// Comments: ..., implementation number =  ..." (the last comment ahead of the first block).
QString wsqSummaryLine(const Document& document);
// "Image info: width = W, height =  H" of the first page (0 and 0 when it has no picture).
QString sizeSummaryLine(const Document& document);
// A transaction page's line in the same style: size, resolution, depth, the record, its
// positions and its compression.
QString recordSummaryLine(const Document& document, size_t page);
// The window's status line for a document: the WSQ summary for WSQ files, the record's for a
// transaction's first page, the size otherwise.
QString summaryLine(const Document& document);

// The text of the last comment ahead of a WSQ stream's first block, if there is one.
std::optional<QString> lastHeaderComment(const wsq::StreamFacts& stream);

}  // namespace document

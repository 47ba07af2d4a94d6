#include "document_load.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include "ansinist/codes.h"
#include "ansinist/picture.h"
#include "ansinist/transaction_file.h"
#include "imagefile/checked_image_io.h"
#include "library_planes.h"
#include "toolkit_image_io.h"
#include "wsq_grey.h"

namespace document {

namespace {

QString latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString windowText(const char* text) {
    return QCoreApplication::translate("wsqimageviewer", text);
}

// The whole file, decoded, then walked to its first block for the comment; the texts of the
// window's boxes for a file it cannot read or that is no WSQ stream.
void loadWsq(Document* doc) {
    const wsq::FileBytes file = wsq::read_file(QFile::encodeName(doc->fileName).constData());
    if (file.error) {
        doc->failure = LoadFailure::Unreadable;
        doc->code = file.error.code;
        doc->detail = latin1(file.error.message);
        switch (file.error.code) {
            case -2:
                doc->error = windowText("Error opening file for reading");
                break;
            case -3:
                doc->error = windowText("Error: file stream size = NULL");
                break;
            default:
                doc->error = windowText("Error reading input file");
                break;
        }
        return;
    }
    doc->fileSize = static_cast<qint64>(file.bytes.size());
    doc->format = QStringLiteral("WSQ");

    wsq::Decoded decoded = wsq::decode(file.bytes);
    doc->code = decoded.error.code;
    doc->detail = latin1(decoded.error.message);
    doc->wsqFrame = decoded.facts;
    doc->wsqStream = std::move(decoded.stream);
    if (doc->wsqStream->header_stop == wsq::CommentWalkStop::NoSoi) {
        doc->failure = LoadFailure::NotAStream;
        doc->error = windowText("Error reading SOI WSQ marker");
        return;
    }
    if (doc->wsqStream->header_stop == wsq::CommentWalkStop::NoFirstMarker) {
        doc->failure = LoadFailure::NotAStream;
        doc->error = windowText("Error reading ANY WSQ marker");
        return;
    }

    const wsq::ImageFacts& frame = decoded.facts;
    Page page;
    page.facts = {frame.width, frame.height, frame.depth, frame.ppi};
    const uint64_t expected =
        uint64_t(frame.width > 0 ? frame.width : 0) * uint64_t(frame.height > 0 ? frame.height : 0);
    if (decoded.error) {
        doc->failure = LoadFailure::Undecodable;
        doc->error = decoded.error.message.empty() ? latin1(decoded.error.text()) : doc->detail;
    } else if (expected == 0 || decoded.pixels.size() < expected) {
        doc->failure = LoadFailure::Undecodable;
        doc->error = QStringLiteral("the file holds no picture");
    } else {
        page.image = doc->greyPictures
                         ? wsqgrey::grey8Image(decoded.pixels.data(), frame.width, frame.height)
                         : wsqgrey::greyImage(decoded.pixels.data(), frame.width, frame.height);
    }
    doc->pages.push_back(std::move(page));
}

void loadWithToolkit(Document* doc) {
    ToolkitRead read = readToolkitImage(doc->fileName);
    doc->fileSize = QFileInfo(doc->fileName).size();
    doc->format = read.format;
    Page page;
    page.facts = {read.image.width(), read.image.height(), read.depth, -1};
    if (read.image.isNull()) {
        doc->failure = LoadFailure::Undecodable;
        doc->error = read.error;
    } else {
        doc->damage = read.damage;
    }
    page.image = std::move(read.image);
    doc->pages.push_back(std::move(page));
}

void loadWithLibrary(Document* doc) {
    imagefile::CheckedImageRead read = imagefile::ReadImageFileChecked(
        QFile::encodeName(doc->fileName).constData(), doc->type->libraryFormat);
    doc->fileSize = QFileInfo(doc->fileName).size();
    doc->format = QString::fromLatin1(doc->type->format);
    doc->tiff = read.tiff;
    doc->trueColourDepth = read.depth;
    Page page;
    if (!read.ok()) {
        doc->failure = LoadFailure::Undecodable;
        doc->code = static_cast<int>(read.code);
        doc->error = QString::fromLatin1(read.message());
    } else {
        page.image = imageFromPlanes(read.width, read.height, read.planes.data());
        page.facts = {read.width, read.height, read.fileDepth, read.ppi};
        doc->damage = QString::fromStdString(read.damage);
    }
    doc->pages.push_back(std::move(page));
}

const ansinist::Record* transactionRecord(const Document& doc, int index) {
    if (!doc.transaction) return nullptr;
    for (const ansinist::Record& record : doc.transaction->transaction().records)
        if (record.index == index) return &record;
    return nullptr;
}

QImage imageFromPicture(const ansinist::Picture& picture, bool keepGrey = false) {
    if (picture.channels == 1 && keepGrey)
        return wsqgrey::grey8Image(picture.pixels.data(), picture.width, picture.height);
    if (picture.channels == 1)
        return wsqgrey::greyImage(picture.pixels.data(), picture.width, picture.height);
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    if (image.isNull()) return image;
    wsqgrey::setStandardResolution(&image);
    for (int y = 0; y < picture.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const uint8_t* in = picture.pixels.data() + size_t(y) * size_t(picture.width) * 3;
        for (int x = 0; x < picture.width; ++x, in += 3) line[x] = qRgb(in[0], in[1], in[2]);
    }
    return image;
}

// Every record is listed; every image record becomes a page, and only the first page's picture
// is decoded now.
void loadTransaction(Document* doc) {
    ansinist::OpenResult opened =
        ansinist::TransactionFile::open(QFile::encodeName(doc->fileName).toStdString());
    if (!opened.file) {
        doc->failure = LoadFailure::Unreadable;
        doc->error = QString::fromStdString(opened.error);
        return;
    }
    doc->transaction = std::move(opened.file);
    const ansinist::Transaction& transaction = doc->transaction->transaction();
    doc->format = QStringLiteral("ANSI/NIST");
    doc->fileSize = static_cast<qint64>(transaction.fileSize);
    for (const ansinist::Record& record : transaction.records) {
        if (!record.image) continue;
        Page page;
        page.record = record.index;
        page.decoded = false;
        page.facts = {record.image->width, record.image->height, record.image->bitsPerPixel,
                      record.image->ppi.value_or(-1)};
        page.problem = QString::fromStdString(record.problem);
        doc->pages.push_back(std::move(page));
    }
    if (doc->pages.empty()) {
        doc->failure = LoadFailure::Undecodable;
        doc->error = QStringLiteral("the transaction holds no picture");
        return;
    }
    decodePage(doc, 0);
}

}  // namespace

bool decodePage(Document* doc, size_t index) {
    if (index >= doc->pages.size()) return false;
    Page& page = doc->pages[index];
    if (page.decoded) return !page.image.isNull();
    page.decoded = true;
    const ansinist::Record* record = transactionRecord(*doc, page.record);
    if (!record) return false;
    const ansinist::Picture picture = ansinist::decodePicture(*doc->transaction, *record);
    if (!picture) {
        page.problem = QString::fromStdString(picture.error);
        return false;
    }
    page.image = imageFromPicture(picture, doc->greyPictures);
    page.facts.width = picture.width;
    page.facts.height = picture.height;
    if (picture.ppi) page.facts.ppi = *picture.ppi;
    return !page.image.isNull();
}

QImage recordPicture(const ansinist::TransactionFile& file, const ansinist::Record& record,
                     QString* problem) {
    const ansinist::Picture picture = ansinist::decodePicture(file, record);
    if (!picture) {
        if (problem) *problem = QString::fromStdString(picture.error);
        return QImage();
    }
    QImage image = imageFromPicture(picture);
    if (image.isNull() && problem) *problem = QStringLiteral("the picture is too large to show");
    return image;
}

Document loadDocument(const QString& fileName, const LoadOptions& options) {
    return loadDocumentAs(fileName, dispatchExtension(fileName, options.scope), options);
}

Document loadDocumentAs(const QString& fileName, const QString& extension,
                        const LoadOptions& options) {
    Document doc;
    doc.fileName = fileName;
    doc.greyPictures = options.greyPictures;
    doc.extension = extension.toLower();
    doc.type = readableType(doc.extension, options.scope);
    if (!doc.type) {
        doc.failure = LoadFailure::UnsupportedType;
        doc.error = QStringLiteral("cannot read files of type \"%1\"").arg(doc.extension);
        return doc;
    }
    switch (doc.type->reader) {
        case Reader::Wsq:
            loadWsq(&doc);
            break;
        case Reader::Toolkit:
            loadWithToolkit(&doc);
            break;
        case Reader::RasterLibrary:
            loadWithLibrary(&doc);
            break;
        case Reader::Transaction:
            loadTransaction(&doc);
            break;
    }
    if (doc.greyPictures && doc.type->reader != Reader::Transaction) {
        for (Page& page : doc.pages) wsqgrey::keepGrey(&page.image);
    }
    return doc;
}

std::optional<QString> lastHeaderComment(const wsq::StreamFacts& stream) {
    if (stream.header_comments == 0 || stream.header_comments > stream.comments.size())
        return std::nullopt;
    return latin1(stream.comments[stream.header_comments - 1]);
}

// The two spaces after "height =" and "implementation number =" are the window's own text.
QString wsqSummaryLine(const Document& document) {
    const wsq::ImageFacts frame = document.wsqFrame.value_or(wsq::ImageFacts{});
    const std::optional<QString> comment =
        document.wsqStream ? lastHeaderComment(*document.wsqStream) : std::nullopt;
    QString line = windowText("Image info: width = ") + QString::number(frame.width) +
                   windowText(", height =  ") + QString::number(frame.height);
    line += frame.ppi != -1 ? QStringLiteral(", dpi = ") + QString::number(frame.ppi)
                            : QStringLiteral(", dpi = unknown");
    line += QStringLiteral(", depth = ") + QString::number(frame.depth);
    line += QStringLiteral(", Comments: ") + comment.value_or(QString());
    line += QStringLiteral(", implementation number =  ") + QString::number(frame.software);
    return line;
}

QString sizeSummaryLine(const Document& document) {
    const QImage picture = document.picture();
    return windowText("Image info: width = ") + QString::number(picture.width()) +
           windowText(", height =  ") + QString::number(picture.height());
}

QString recordSummaryLine(const Document& document, size_t index) {
    if (index >= document.pages.size()) return sizeSummaryLine(document);
    const Page& page = document.pages[index];
    QString line = windowText("Image info: width = ") + QString::number(page.facts.width) +
                   windowText(", height =  ") + QString::number(page.facts.height);
    line += page.facts.ppi > 0 ? QStringLiteral(", dpi = ") + QString::number(page.facts.ppi)
                               : QStringLiteral(", dpi = unknown");
    line += QStringLiteral(", depth = ") + QString::number(page.facts.depth);
    if (const ansinist::Record* record = transactionRecord(document, page.record)) {
        line += QStringLiteral(", record = %1 (Type-%2").arg(page.record).arg(record->type);
        for (int position : record->image->positions) {
            const char* name = ansinist::positionName(record->type, position);
            if (*name) line += QStringLiteral(", ") + QString::fromUtf8(name);
        }
        line += QStringLiteral("), compression = ") +
                QString::fromLatin1(ansinist::compressionName(record->image->compression));
    }
    if (!page.problem.isEmpty()) line += QStringLiteral(", problem: ") + page.problem;
    return line;
}

QString summaryLine(const Document& document) {
    if (!document.type) return sizeSummaryLine(document);
    switch (document.type->reader) {
        case Reader::Wsq:
            return wsqSummaryLine(document);
        case Reader::Transaction:
            return recordSummaryLine(document, 0);
        default:
            return sizeSummaryLine(document);
    }
}

}  // namespace document

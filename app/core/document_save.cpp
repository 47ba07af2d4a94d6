#include "document_save.h"

#include <QFile>
#include <QFileInfo>

#include <optional>
#include <vector>

#include "fileio/atomic_file.h"
#include "imagefile/checked_image_io.h"
#include "library_planes.h"
#include "toolkit_image_io.h"
#include "wsq/wsq.h"
#include "wsq_grey.h"

namespace document {

namespace {

QString latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

SaveResult saveWsq(const QImage& image, const QString& outputName, const SaveSettings& settings) {
    SaveResult result;
    const std::vector<uint8_t> grey = wsqgrey::greyBytes(image);
    const wsq::Encoded encoded = wsq::encode(
        grey, image.width(), image.height(), static_cast<float>(settings.wsqBitRate),
        settings.wsqPpi, settings.wsqComment ? settings.wsqComment->constData() : nullptr);
    if (encoded.error) {
        result.failure = SaveFailure::EncodeFailed;
        result.code = encoded.error.code;
        result.error = latin1(encoded.error.message);
        return result;
    }
    const wsq::Error written =
        wsq::write_file(QFile::encodeName(outputName).constData(), encoded.bytes);
    if (written) {
        result.failure = written.code == -2 ? SaveFailure::CannotCreate : SaveFailure::WriteFailed;
        result.code = written.code;
        result.error = latin1(written.message);
    }
    return result;
}

SaveResult saveWithToolkit(const QImage& image, const QString& outputName, const char* format) {
    SaveResult result;
    const int written = saveToolkitImage(image, outputName, format);
    if (written == -2) result.failure = SaveFailure::CannotCreate;
    if (written != 0 && written != -2) result.failure = SaveFailure::WriteFailed;
    result.code = written;
    return result;
}

SaveResult saveWithLibrary(const QImage& image, const QString& outputName,
                           imagefile::ImageFormat format, const SaveSettings& settings) {
    SaveResult result;
    const std::vector<uint8_t> planes = planesFromImage(image);
    imagefile::SaveSettings library;
    library.tiff = settings.tiff;
    const imagefile::CheckedImageWrite written =
        imagefile::WriteImageFileChecked(QFile::encodeName(outputName).constData(), format,
                                         image.width(), image.height(), planes.data(), library);
    if (!written.ok()) {
        result.failure = SaveFailure::WriterFailed;
        result.code = static_cast<int>(written.code);
        result.error = QString::fromLatin1(written.message());
    }
    return result;
}

// The raster library's format for a grey file of a save type, or none when the type has no grey
// form.
std::optional<imagefile::ImageFormat> greyFileFormat(SaveType type) {
    switch (type) {
        case SaveType::Tiff:
            return imagefile::ImageFormat::Tiff;
        case SaveType::Png:
            return imagefile::ImageFormat::Png;
        case SaveType::Jpeg:
            return imagefile::ImageFormat::Jpeg;
        default:
            return std::nullopt;
    }
}

SaveResult saveGreyWithLibrary(const QImage& image, const QString& outputName,
                               imagefile::ImageFormat format, const SaveSettings& settings) {
    SaveResult result;
    const std::vector<uint8_t> grey = wsqgrey::greyBytes(image);
    imagefile::SaveSettings library;
    library.tiff = settings.tiff;
    const imagefile::CheckedImageWrite written =
        imagefile::WriteGreyImageFileChecked(QFile::encodeName(outputName).constData(), format,
                                             image.width(), image.height(), grey.data(), library);
    if (!written.ok()) {
        result.failure = SaveFailure::WriterFailed;
        result.code = static_cast<int>(written.code);
        result.error = QString::fromLatin1(written.message());
    }
    return result;
}

}  // namespace

SaveResult savePgm(const QImage& image, const QString& outputName) {
    SaveResult result;
    if (image.isNull()) {
        result.failure = SaveFailure::NoPicture;
        result.error = QStringLiteral("no picture to write");
        return result;
    }
    const std::vector<uint8_t> grey = wsqgrey::greyBytes(image);
    const QByteArray header =
        QStringLiteral("P5\n%1 %2\n255\n").arg(image.width()).arg(image.height()).toLatin1();
    fileio::AtomicFile file;
    if (!file.open(QFile::encodeName(outputName).constData())) {
        result.failure = SaveFailure::CannotCreate;
        result.error = QStringLiteral("cannot create the file");
        return result;
    }
    if (!file.write(header.constData(), static_cast<size_t>(header.size())) ||
        !file.write(grey.data(), grey.size()) || !file.commit()) {
        result.failure = SaveFailure::WriteFailed;
        result.error = QStringLiteral("cannot write the file whole");
        return result;
    }
    result.bytes = QFileInfo(outputName).size();
    return result;
}

SaveResult savePicture(const QImage& image, const QString& outputName, SaveType type,
                       const SaveSettings& settings) {
    const SaveFormat* format = saveFormat(type);
    if (image.isNull() || !format) {
        SaveResult result;
        result.failure = SaveFailure::NoPicture;
        result.error = QStringLiteral("no picture to write");
        return result;
    }
    SaveResult result;
    const bool grey = image.format() == QImage::Format_Grayscale8;
    if (grey && settings.keepGrey && type == SaveType::Bmp) {
        // Qt writes a palette picture as an 8-bit BMP with its palette.
        return saveWithToolkit(wsqgrey::greyPaletteImage(image), outputName, format->toolkitFormat);
    }
    if (grey && settings.keepGrey && greyFileFormat(type)) {
        result = saveGreyWithLibrary(image, outputName, *greyFileFormat(type), settings);
        if (result.ok()) result.bytes = QFileInfo(outputName).size();
        return result;
    }
    // Without keepGrey, or for a type with no grey form, a grey picture goes the way the
    // window's 32-bit pictures go.
    if (grey && format->writer != Writer::Wsq)
        return savePicture(image.convertToFormat(QImage::Format_RGB32), outputName, type, settings);
    switch (format->writer) {
        case Writer::Wsq:
            result = saveWsq(image, outputName, settings);
            break;
        case Writer::Toolkit:
            result = saveWithToolkit(image, outputName, format->toolkitFormat);
            break;
        case Writer::RasterLibrary:
            result = saveWithLibrary(image, outputName, format->libraryFormat, settings);
            break;
    }
    if (result.ok()) result.bytes = QFileInfo(outputName).size();
    return result;
}

SaveSettings settingsKeeping(const Document& source, size_t page) {
    SaveSettings settings;
    if (page < source.pages.size() && source.pages[page].facts.ppi > 0)
        settings.wsqPpi = source.pages[page].facts.ppi;
    if (source.tiff) settings.tiff = *source.tiff;
    return settings;
}

SaveResult saveDocument(const Document& source, const QString& outputName, SaveType type,
                        const SaveSettings& settings) {
    return savePicture(source.picture(), outputName, type, settings);
}

}  // namespace document

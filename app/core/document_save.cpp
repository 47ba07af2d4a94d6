#include "document_save.h"

#include <QFile>
#include <QFileInfo>

#include <optional>
#include <span>
#include <vector>

#include "fileio/atomic_file.h"
#include "imagefile/checked_image_io.h"
#include "imagefile/stated_resolution.h"
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
    std::vector<uint8_t> copy;
    const std::span<const uint8_t> grey = wsqgrey::encoderInput(image, &copy);
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

// The library's settings for a save with these settings.
imagefile::SaveSettings librarySettings(const SaveSettings& settings) {
    imagefile::SaveSettings library;
    library.tiff = settings.tiff;
    library.resolution = settings.resolution;
    return library;
}

// A library write's outcome as a save's.
SaveResult libraryResult(const imagefile::CheckedImageWrite& written) {
    SaveResult result;
    if (!written.ok()) {
        result.failure = SaveFailure::WriterFailed;
        result.code = static_cast<int>(written.code);
        result.error = QString::fromLatin1(written.message());
    }
    return result;
}

SaveResult saveWithLibrary(const QImage& image, const QString& outputName,
                           imagefile::ImageFormat format, const SaveSettings& settings) {
    const std::vector<uint8_t> planes = planesFromImage(image);
    return libraryResult(imagefile::WriteImageFileChecked(
        QFile::encodeName(outputName).constData(), format, image.width(), image.height(),
        planes.data(), librarySettings(settings)));
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
    const std::vector<uint8_t> grey = wsqgrey::greyBytes(image);
    return libraryResult(imagefile::WriteGreyImageFileChecked(
        QFile::encodeName(outputName).constData(), format, image.width(), image.height(),
        grey.data(), librarySettings(settings)));
}

// The format whose resolution field a save type fills: BMP and the types with a grey form; none
// for the types that state no resolution (WSQ states its own, wsqPpi).
std::optional<imagefile::ImageFormat> resolutionFormat(SaveType type) {
    if (type == SaveType::Bmp) return imagefile::ImageFormat::Bmp;
    return greyFileFormat(type);
}

// A resolution the format cannot hold is refused before anything is written: a file stating
// another one, or none, would lose it without a word.
std::optional<SaveResult> refusedResolution(SaveType type, const SaveSettings& settings) {
    const std::optional<imagefile::ImageFormat> format = resolutionFormat(type);
    if (!settings.resolution || !format ||
        imagefile::CanStateResolution(*format, *settings.resolution))
        return std::nullopt;
    SaveResult result;
    result.failure = SaveFailure::WriterFailed;
    result.code = static_cast<int>(imagefile::kUnsupportedOption);
    result.error = QStringLiteral(
                       "a %1 file cannot state a resolution of %2 pixels per inch "
                       "(it states 1 to %3)")
                       .arg(QLatin1String(saveFormat(type)->name))
                       .arg(*settings.resolution)
                       .arg(imagefile::MaxStatedResolution(*format));
    return result;
}

// The picture a BMP save writes: Qt takes the header's pixels per metre from the picture.
QImage withBmpResolution(const QImage& image, const SaveSettings& settings) {
    if (!settings.resolution) return image;
    QImage stated = image;
    const int perMetre = static_cast<int>(imagefile::PixelsPerMetre(*settings.resolution));
    stated.setDotsPerMeterX(perMetre);
    stated.setDotsPerMeterY(perMetre);
    return stated;
}

}  // namespace

SaveResult savePgm(const QImage& image, const QString& outputName) {
    SaveResult result;
    if (image.isNull()) {
        result.failure = SaveFailure::NoPicture;
        result.error = QStringLiteral("no picture to write");
        return result;
    }
    // An 8-bit grey picture goes out row by row; any other is made grey first.
    const bool grey8 = image.format() == QImage::Format_Grayscale8;
    const std::vector<uint8_t> grey = grey8 ? std::vector<uint8_t>() : wsqgrey::greyBytes(image);
    const QByteArray header =
        QStringLiteral("P5\n%1 %2\n255\n").arg(image.width()).arg(image.height()).toLatin1();
    fileio::AtomicFile file;
    if (!file.open(QFile::encodeName(outputName).constData())) {
        result.failure = SaveFailure::CannotCreate;
        result.error = QStringLiteral("cannot create the file");
        return result;
    }
    bool written = file.write(header.constData(), static_cast<size_t>(header.size()));
    const auto width = static_cast<size_t>(image.width());
    if (grey8) {
        for (int y = 0; written && y < image.height(); ++y)
            written = file.write(image.constScanLine(y), width);
    } else {
        written = written && file.write(grey.data(), grey.size());
    }
    if (!written || !file.commit()) {
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
    if (std::optional<SaveResult> refused = refusedResolution(type, settings)) return *refused;
    SaveResult result;
    const bool grey = image.format() == QImage::Format_Grayscale8;
    if (grey && settings.keepGrey && type == SaveType::Bmp) {
        // Qt writes a palette picture as an 8-bit BMP with its palette.
        return saveWithToolkit(withBmpResolution(wsqgrey::greyPaletteImage(image), settings),
                               outputName, format->toolkitFormat);
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
            result =
                saveWithToolkit(type == SaveType::Bmp ? withBmpResolution(image, settings) : image,
                                outputName, format->toolkitFormat);
            break;
        case Writer::RasterLibrary:
            result = saveWithLibrary(image, outputName, format->libraryFormat, settings);
            break;
    }
    if (result.ok()) result.bytes = QFileInfo(outputName).size();
    return result;
}

bool statesResolution(SaveType type) {
    return resolutionFormat(type).has_value();
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

#include "format_registry.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <array>

namespace document {

namespace {

constexpr const char* kTransactionLabel = QT_TRANSLATE_NOOP("document", "ANSI/NIST files");

// The texts are the dialogs' own, misspellings included ("Muti-image").
constexpr ReadableType kReadable[] = {
    {"wsq", QT_TRANSLATE_NOOP("document", "WSQ - FBI's Wavelet Scalar Quantization"), "WSQ",
     Reader::Wsq, true},
    {"tiff",
     QT_TRANSLATE_NOOP("document", "TIFF - Macintosh Tagged Information File Format images"),
     "TIFF", Reader::RasterLibrary, false, imagefile::ImageFormat::Tiff},
    {"tif", QT_TRANSLATE_NOOP("document", "TIF - PC Tagged Information File Format images"), "TIFF",
     Reader::RasterLibrary, false, imagefile::ImageFormat::Tiff},
    {"png", QT_TRANSLATE_NOOP("document", "PNG - Portable network graphic images"), "PNG",
     Reader::Toolkit, false},
    {"jpg", QT_TRANSLATE_NOOP("document", "JPG - Joint Photographic Experts Group images"), "JPEG",
     Reader::Toolkit, false},
    {"jpeg", QT_TRANSLATE_NOOP("document", "JPEG - Joint Photographic Experts Group images"),
     "JPEG", Reader::Toolkit, false},
    {"bmp", QT_TRANSLATE_NOOP("document", "BMP - Windows bitmaps"), "BMP", Reader::Toolkit, false},
    {"tga", QT_TRANSLATE_NOOP("document", "TGA - Truevision Targa Graphics images"), "Targa",
     Reader::RasterLibrary, false, imagefile::ImageFormat::Targa},
    {"cel", QT_TRANSLATE_NOOP("document", "CEL - Autodesk images"), "CEL", Reader::RasterLibrary,
     false, imagefile::ImageFormat::Cel},
    {"rgb", QT_TRANSLATE_NOOP("document", "RGB - Silicon Graphics International true color images"),
     "SGI image", Reader::RasterLibrary, false, imagefile::ImageFormat::Sgi},
    {"gif", QT_TRANSLATE_NOOP("document", "GIF - Compuserve Graphic Interchange Format"), "GIF",
     Reader::Toolkit, false},
    {"psd", QT_TRANSLATE_NOOP("document", "PSD - Photoshop images"), "Photoshop",
     Reader::RasterLibrary, false, imagefile::ImageFormat::Psd},
    {"iff", QT_TRANSLATE_NOOP("document", "IFF - Amiga Bitmap Graphic"), "IFF ILBM",
     Reader::RasterLibrary, false, imagefile::ImageFormat::Iff},
    {"pcx", QT_TRANSLATE_NOOP("document", "PCX - ZSoft Paintbrush images"), "PCX",
     Reader::RasterLibrary, false, imagefile::ImageFormat::Pcx},
    {"xbm", QT_TRANSLATE_NOOP("document", "XBM - X Bitmap Graphic images"), "XBM", Reader::Toolkit,
     false},
    {"xpm", QT_TRANSLATE_NOOP("document", "XPM - BMC Software Patrol UNIX Icon File"), "XPM",
     Reader::Toolkit, false},
    {"pnm", QT_TRANSLATE_NOOP("document", "PNM - PBM Portable Any Map Graphic Bitmap"), "PNM",
     Reader::Toolkit, false},
    {"mng", QT_TRANSLATE_NOOP("document", "MNG - Muti-image Network Graphic Animation"), "MNG",
     Reader::Toolkit, false},
    // Transactions hold many pictures; one entry of the dialogs takes all their extensions.
    {"eft", kTransactionLabel, "ANSI/NIST", Reader::Transaction, false},
    {"an2", kTransactionLabel, "ANSI/NIST", Reader::Transaction, false},
    {"nist", kTransactionLabel, "ANSI/NIST", Reader::Transaction, false},
    {"ebts", kTransactionLabel, "ANSI/NIST", Reader::Transaction, false},
    {"int", kTransactionLabel, "ANSI/NIST", Reader::Transaction, false},
};

// Read by wsqconvert beside the window's types: Qt's Netpbm reader, as for pnm (a grey map comes
// out 8-bit grey, with no 32-bit step).
constexpr ReadableType kWsqconvertOnly[] = {
    {"pgm", QT_TRANSLATE_NOOP("document", "PGM - Portable grey map"), "PNM", Reader::Toolkit,
     false},
    {"ppm", QT_TRANSLATE_NOOP("document", "PPM - Portable pixel map"), "PNM", Reader::Toolkit,
     false},
};

// The "All Bitmap Files" entry names tif before tiff; everything else is in list order.
constexpr std::array<const char*, 2> kAllFilesSwapped = {"tiff", "tif"};

constexpr SaveFormat kSave[] = {
    {SaveType::Wsq, QT_TRANSLATE_NOOP("document", "WSQ - FBI's Wavelet Scalar Quantization"), "wsq",
     nullptr, "WSQ", Writer::Wsq, nullptr, true},
    {SaveType::Bmp, QT_TRANSLATE_NOOP("document", "BMP - Windows bitmaps"), "bmp", nullptr, "BMP",
     Writer::Toolkit, "BMP", false},
    {SaveType::Tiff, QT_TRANSLATE_NOOP("document", "TIF - Tagged Information File Format"), "tif",
     "tiff", "TIFF", Writer::RasterLibrary, nullptr, false, imagefile::ImageFormat::Tiff},
    {SaveType::Png, QT_TRANSLATE_NOOP("document", "PNG - Portable network graphic images"), "png",
     nullptr, "PNG", Writer::RasterLibrary, nullptr, false, imagefile::ImageFormat::Png},
    {SaveType::Jpeg, QT_TRANSLATE_NOOP("document", "JPG - Joint Photographic Experts Group images"),
     "jpg", "jpeg", "JPEG", Writer::RasterLibrary, nullptr, false, imagefile::ImageFormat::Jpeg},
    {SaveType::Sgi,
     QT_TRANSLATE_NOOP("document", "RGB - Silicon Graphics International true color images"), "rgb",
     nullptr, "SGI image", Writer::RasterLibrary, nullptr, false, imagefile::ImageFormat::Sgi},
    {SaveType::Targa, QT_TRANSLATE_NOOP("document", "TGA - Truevision Targa Graphics images"),
     "tga", nullptr, "Targa", Writer::RasterLibrary, nullptr, false, imagefile::ImageFormat::Targa},
    {SaveType::Xbm, QT_TRANSLATE_NOOP("document", "XBM - X Bitmap Graphic images"), "xbm", nullptr,
     "XBM", Writer::Toolkit, "XBM", false},
    {SaveType::Xpm, QT_TRANSLATE_NOOP("document", "XPM - BMC Software Patrol UNIX Icon File"),
     "xpm", nullptr, "XPM", Writer::Toolkit, "XPM", false},
};

QString translated(const char* text) {
    return QCoreApplication::translate("document", text);
}

QString saveEntry(const char* label, const char* extension) {
    return translated(label) + QStringLiteral(" (*.") + QLatin1String(extension) + QLatin1Char(')');
}

}  // namespace

std::span<const ReadableType> readableTypes() {
    return kReadable;
}

std::span<const SaveFormat> saveFormats() {
    return kSave;
}

const ReadableType* readableType(const QString& extension, TypeScope scope) {
    const QString lower = extension.toLower();
    for (const ReadableType& type : kReadable)
        if (lower == QLatin1String(type.extension)) return &type;
    if (scope == TypeScope::Wsqconvert)
        for (const ReadableType& type : kWsqconvertOnly)
            if (lower == QLatin1String(type.extension)) return &type;
    return nullptr;
}

QString dispatchExtension(const QString& fileName, TypeScope scope) {
    const QFileInfo info(fileName);
    const QString complete = info.completeSuffix().toLower();
    if (readableType(complete, scope)) return complete;
    // Names with dots are everyday names (dates, versions, initials): john.doe.wsq is WSQ.
    const QString last = info.suffix().toLower();
    if (readableType(last, scope)) return last;
    return complete;
}

const ReadableType* readableTypeForFileName(const QString& fileName, TypeScope scope) {
    return readableType(dispatchExtension(fileName, scope), scope);
}

const SaveFormat* saveFormat(SaveType type) {
    for (const SaveFormat& format : kSave)
        if (format.type == type) return &format;
    return nullptr;
}

std::optional<SaveType> saveTypeFromCode(int code) {
    for (const SaveFormat& format : kSave)
        if (static_cast<int>(format.type) == code) return format.type;
    return std::nullopt;
}

const SaveFormat* saveFormatForExtension(const QString& extension) {
    const QString lower = extension.toLower();
    for (const SaveFormat& format : kSave)
        if (lower == QLatin1String(format.extension) ||
            (format.otherExtension && lower == QLatin1String(format.otherExtension)))
            return &format;
    return nullptr;
}

QStringList openDialogFilters() {
    // "All Bitmap Files" takes the single-picture formats, naming tif before tiff.
    QStringList all;
    for (const ReadableType& type : kReadable)
        if (type.reader != Reader::Transaction)
            all << QStringLiteral("*.") + QLatin1String(type.extension);
    const qsizetype first = all.indexOf(QStringLiteral("*.") + kAllFilesSwapped[0]);
    const qsizetype second = all.indexOf(QStringLiteral("*.") + kAllFilesSwapped[1]);
    if (first >= 0 && second >= 0) all.swapItemsAt(first, second);
    // Qt separates the patterns inside the parentheses with spaces.
    QStringList filters = {translated(QT_TRANSLATE_NOOP("document", "All Bitmap Files")) +
                           QStringLiteral(" (") + all.join(QLatin1Char(' ')) + QLatin1Char(')')};
    for (const LabelledPatterns& group : readableTypeGroups())
        filters << group.label + QStringLiteral(" (") + group.patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    return filters;
}

QList<LabelledPatterns> readableTypeGroups() {
    QList<LabelledPatterns> groups;
    for (const ReadableType& type : kReadable) {
        const QString pattern = QStringLiteral("*.") + QLatin1String(type.extension);
        const QString label = translated(type.label);
        if (!groups.isEmpty() && groups.back().label == label)
            groups.back().patterns << pattern;
        else
            groups.append({label, {pattern}});
    }
    return groups;
}

QStringList saveDialogFilters() {
    QStringList filters;
    for (const SaveFormat& format : kSave) filters << saveEntry(format.label, format.extension);
    return filters;
}

QString readableExtensionList(Reader reader, TypeScope scope) {
    QStringList extensions;
    for (const ReadableType& type : kReadable)
        if (type.reader == reader) extensions << QLatin1String(type.extension);
    if (scope == TypeScope::Wsqconvert)
        for (const ReadableType& type : kWsqconvertOnly)
            if (type.reader == reader) extensions << QLatin1String(type.extension);
    return extensions.join(QLatin1Char(' '));
}

QString writableExtensionList() {
    QStringList extensions;
    for (const SaveFormat& format : kSave) {
        extensions << QLatin1String(format.extension);
        if (format.otherExtension) extensions << QLatin1String(format.otherExtension);
    }
    return extensions.join(QLatin1Char(' '));
}

}  // namespace document

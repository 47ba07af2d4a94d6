// Every file format the viewer, the converter window and wsqconvert know, in one place: which
// extensions are read and by which reader, which save types exist and how each is written, and
// the texts of the dialogs and help that list them. Every such list is built from here.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <span>

#include "imagefile/image_format.h"

namespace document {

// Who reads a file.
enum class Reader { Wsq, Toolkit, RasterLibrary, Transaction };

// Who writes a save type.
enum class Writer { Wsq, Toolkit, RasterLibrary };

// The save types; the numbers are the window's save codes and, for 1 to 7, the raster
// library's output types.
enum class SaveType : int {
    Wsq = 1,
    Bmp = 2,
    Tiff = 3,
    Png = 4,
    Jpeg = 5,
    Sgi = 6,
    Targa = 7,
    Xbm = 8,
    Xpm = 9,
};

// One extension the load reads.
struct ReadableType {
    const char* extension;  // lower case, without the dot
    const char* label;      // "PNG - Portable network graphic images"
    const char* format;     // the format's name: "PNG", "TIFF", ...
    Reader reader;
    bool greyOnly;  // the format holds 8-bit grey pictures only
    // The raster library's format, for Reader::RasterLibrary.
    imagefile::ImageFormat libraryFormat = imagefile::ImageFormat::Wsq;
};

// One save type.
struct SaveFormat {
    SaveType type;
    const char* label;           // "PNG - Portable network graphic images"
    const char* extension;       // the one a save appends
    const char* otherExtension;  // a second output name wsqconvert takes ("tiff"), or null
    const char* name;            // the format's name in messages
    Writer writer;
    const char* toolkitFormat;  // Qt's writer format for Writer::Toolkit, else null
    bool greyOnly;
    // The raster library's format, for Writer::RasterLibrary.
    imagefile::ImageFormat libraryFormat = imagefile::ImageFormat::Wsq;
};

// Which front end asks: wsqconvert reads a few types more than the window lists (the Netpbm
// names pgm and ppm, read like pnm); the window's lists stay as they are.
enum class TypeScope { Window, Wsqconvert };

// In the order of the Open dialog's entries and the converter's input list.
std::span<const ReadableType> readableTypes();
// In the order of the save codes.
std::span<const SaveFormat> saveFormats();

// The type an extension (any case, without the dot) names, or null.
const ReadableType* readableType(const QString& extension, TypeScope scope = TypeScope::Window);
// The extension that chooses the reader of a file name: the complete extension (everything
// after the first "." of the name) when it names a type, otherwise the last one; when neither
// does, the complete one (as messages quote it). Lower case.
QString dispatchExtension(const QString& fileName, TypeScope scope = TypeScope::Window);
// The type that reads a file name, by dispatchExtension, or null.
const ReadableType* readableTypeForFileName(const QString& fileName,
                                            TypeScope scope = TypeScope::Window);

const SaveFormat* saveFormat(SaveType type);
// The save type of a code 1 to 9, or none.
std::optional<SaveType> saveTypeFromCode(int code);
// The save type an output extension (any case) names: its own or its other extension.
const SaveFormat* saveFormatForExtension(const QString& extension);

// The Open dialog's filter entries: "All Bitmap Files (...)" and one "label (*.ext)" per type.
QStringList openDialogFilters();
// The input types of the converter and the Open dialog's entries: one per label, in the list's
// order, with the patterns of every extension that has that label ("*.eft *.an2 ...").
struct LabelledPatterns {
    QString label;
    QStringList patterns;
};
QList<LabelledPatterns> readableTypeGroups();
// The Save dialog's entries, and the converter's output list: "label (*.ext)" per save type.
QStringList saveDialogFilters();
// The readable extensions of one reader, space-separated ("tiff tif tga ...").
QString readableExtensionList(Reader reader, TypeScope scope = TypeScope::Window);
// Every output extension, space-separated ("wsq bmp tif tiff ...").
QString writableExtensionList();

}  // namespace document

// The one format registry: the reader a file name goes to, and every list the dialogs, the
// converter and wsqconvert's help show, exactly as they read.
#include <gtest/gtest.h>

#include "format_registry.h"

using namespace document;

namespace {

enum class LoadBranch { Wsq, Toolkit, RasterLibrary, Transaction, None };

LoadBranch loadBranchForFileName(const QString& name) {
    const ReadableType* type = readableTypeForFileName(name);
    if (!type) return LoadBranch::None;
    switch (type->reader) {
        case Reader::Wsq:
            return LoadBranch::Wsq;
        case Reader::Toolkit:
            return LoadBranch::Toolkit;
        case Reader::RasterLibrary:
            return LoadBranch::RasterLibrary;
        case Reader::Transaction:
            return LoadBranch::Transaction;
    }
    return LoadBranch::None;
}

}  // namespace

TEST(LoadDispatch, LowerCasedCompleteOrElseLastExtensionChoosesTheBranch) {
    struct Row {
        const char* name;
        LoadBranch branch;
    };
    const Row rows[] = {
        {"picture.JPG", LoadBranch::Toolkit},
        {"/some/dir.with.dots/photo.PNG", LoadBranch::Toolkit},
        {"a.jpeg", LoadBranch::Toolkit},
        {"a.gif", LoadBranch::Toolkit},
        {"a.mng", LoadBranch::Toolkit},
        {"a.pnm", LoadBranch::Toolkit},
        {"a.xbm", LoadBranch::Toolkit},
        {"a.xpm", LoadBranch::Toolkit},
        {"a.bmp", LoadBranch::Toolkit},
        {"a.b.png", LoadBranch::Toolkit},
        {"2024.05.01-left-thumb.png", LoadBranch::Toolkit},
        {"scan.WSQ", LoadBranch::Wsq},
        {"scan.old.wsq", LoadBranch::Wsq},
        {"john.doe.wsq", LoadBranch::Wsq},
        {"scan.r0.75.WSQ", LoadBranch::Wsq},
        {"/a.b/c.d/x.y.z.tif", LoadBranch::RasterLibrary},
        {"scan.wsq.bak", LoadBranch::None},
        {"/dir.wsq/scan", LoadBranch::None},
        {"scan.wsq.", LoadBranch::None},
        {"x.TIFF", LoadBranch::RasterLibrary},
        {"x.tif", LoadBranch::RasterLibrary},
        {"x.tga", LoadBranch::RasterLibrary},
        {"x.cel", LoadBranch::RasterLibrary},
        {"x.rgb", LoadBranch::RasterLibrary},
        {"x.psd", LoadBranch::RasterLibrary},
        {"x.iff", LoadBranch::RasterLibrary},
        {"x.pcx", LoadBranch::RasterLibrary},
        {"noextension", LoadBranch::None},
        {"x.ppm", LoadBranch::None},
        {"case.2024.EFT", LoadBranch::Transaction},
        {"x.an2", LoadBranch::Transaction},
        {"x.nist", LoadBranch::Transaction},
        {"x.ebts", LoadBranch::Transaction},
        {"x.int", LoadBranch::Transaction},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(loadBranchForFileName(row.name), row.branch);
    }
    EXPECT_EQ(dispatchExtension("/d.x/scan.old.WSQ"), "wsq");
    EXPECT_EQ(dispatchExtension("/d.x/scan.WSQ"), "wsq");
    // Neither names a type: the complete one, as the messages quote it.
    EXPECT_EQ(dispatchExtension("/d.x/scan.wsq.bak"), "wsq.bak");
}

TEST(FormatRegistry, OpenDialogListsEveryReadableTypeAsDesigned) {
    const QStringList expected = {
        "All Bitmap Files (*.wsq *.tif *.tiff *.png *.jpg *.jpeg *.bmp *.tga *.cel *.rgb *.gif "
        "*.psd *.iff *.pcx *.xbm *.xpm *.pnm *.mng)",
        "WSQ - FBI's Wavelet Scalar Quantization (*.wsq)",
        "TIFF - Macintosh Tagged Information File Format images (*.tiff)",
        "TIF - PC Tagged Information File Format images (*.tif)",
        "PNG - Portable network graphic images (*.png)",
        "JPG - Joint Photographic Experts Group images (*.jpg)",
        "JPEG - Joint Photographic Experts Group images (*.jpeg)",
        "BMP - Windows bitmaps (*.bmp)",
        "TGA - Truevision Targa Graphics images (*.tga)",
        "CEL - Autodesk images (*.cel)",
        "RGB - Silicon Graphics International true color images (*.rgb)",
        "GIF - Compuserve Graphic Interchange Format (*.gif)",
        "PSD - Photoshop images (*.psd)",
        "IFF - Amiga Bitmap Graphic (*.iff)",
        "PCX - ZSoft Paintbrush images (*.pcx)",
        "XBM - X Bitmap Graphic images (*.xbm)",
        "XPM - BMC Software Patrol UNIX Icon File (*.xpm)",
        "PNM - PBM Portable Any Map Graphic Bitmap (*.pnm)",
        "MNG - Muti-image Network Graphic Animation (*.mng)",
    };
    QStringList withTransactions = expected;
    withTransactions << "ANSI/NIST files (*.eft *.an2 *.nist *.ebts *.int)";
    EXPECT_EQ(openDialogFilters(), withTransactions);

    // wsqconvert's extra Netpbm names stay out of the window's lists and dispatch.
    EXPECT_EQ(readableType("pgm"), nullptr);
    EXPECT_EQ(dispatchExtension("scan.v2.pgm"), "v2.pgm");
    ASSERT_NE(readableType("pgm", TypeScope::Wsqconvert), nullptr);
    EXPECT_EQ(dispatchExtension("scan.v2.pgm", TypeScope::Wsqconvert), "pgm");
    EXPECT_EQ(readableType("PPM", TypeScope::Wsqconvert)->reader, Reader::Toolkit);
    EXPECT_EQ(readableExtensionList(Reader::Toolkit), "png jpg jpeg bmp gif xbm xpm pnm mng");
}

TEST(FormatRegistry, SaveTypesKeepTheirCodesExtensionsAndWriters) {
    const QStringList expected = {
        "WSQ - FBI's Wavelet Scalar Quantization (*.wsq)",
        "BMP - Windows bitmaps (*.bmp)",
        "TIF - Tagged Information File Format (*.tif)",
        "PNG - Portable network graphic images (*.png)",
        "JPG - Joint Photographic Experts Group images (*.jpg)",
        "RGB - Silicon Graphics International true color images (*.rgb)",
        "TGA - Truevision Targa Graphics images (*.tga)",
        "XBM - X Bitmap Graphic images (*.xbm)",
        "XPM - BMC Software Patrol UNIX Icon File (*.xpm)",
    };
    EXPECT_EQ(saveDialogFilters(), expected);
    for (int code = 1; code <= 9; ++code) {
        ASSERT_TRUE(saveTypeFromCode(code));
        EXPECT_EQ(static_cast<int>(saveFormats()[code - 1].type), code);
    }
    EXPECT_FALSE(saveTypeFromCode(0));
    EXPECT_FALSE(saveTypeFromCode(10));
    // The raster library writes types 3 to 7 (its own codes), Qt BMP, XBM and XPM.
    for (const SaveFormat& format : saveFormats()) {
        const int code = static_cast<int>(format.type);
        EXPECT_EQ(format.writer == Writer::RasterLibrary, code >= 3 && code <= 7) << code;
        EXPECT_EQ(format.toolkitFormat != nullptr, format.writer == Writer::Toolkit) << code;
    }
    EXPECT_EQ(saveFormatForExtension("TIFF")->type, SaveType::Tiff);
    EXPECT_EQ(saveFormatForExtension("jpeg")->type, SaveType::Jpeg);
    EXPECT_EQ(saveFormatForExtension("gif"), nullptr);
    EXPECT_EQ(writableExtensionList(), "wsq bmp tif tiff png jpg jpeg rgb tga xbm xpm");
    EXPECT_EQ(readableExtensionList(Reader::RasterLibrary), "tiff tif tga cel rgb psd iff pcx");
    EXPECT_EQ(readableExtensionList(Reader::Toolkit), "png jpg jpeg bmp gif xbm xpm pnm mng");
}

// The window reads and writes the library's formats by the registry; the library's designed
// entry points go by extension key and type code. Both must name the same format.
TEST(FormatRegistry, LibraryFormatsAgreeWithTheLibrarysOwnDispatch) {
    for (const ReadableType& type : readableTypes()) {
        if (type.reader != Reader::RasterLibrary) continue;
        const QByteArray name = QByteArray("x.") + type.extension;
        EXPECT_EQ(imagefile::ReadFormatForName(name.constData()), type.libraryFormat)
            << type.extension;
    }
    for (const SaveFormat& format : saveFormats()) {
        if (format.writer != Writer::RasterLibrary) continue;
        EXPECT_EQ(imagefile::FormatForFileType(static_cast<int>(format.type)), format.libraryFormat)
            << format.extension;
    }
}

// The resolution a save states: grey and colour pictures saved as PNG, TIFF, JPEG and BMP with
// a resolution, read back by Pillow, tiffinfo and ImageMagick and by our own load; saves
// without one as they were; a resolution a format cannot hold refused.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "document_load.h"
#include "document_save.h"
#include "stored_resolution.h"
#include "support/peer_output.h"
#include "support/peer_tools.h"
#include "support/qt_app_env.h"
#include "viewer_test_helpers.h"
#include "wsq_grey.h"

using namespace document;

namespace {

// What a peer says of one file: the resolution across and down in pixels per inch, and for
// Pillow the picture's mode.
struct PeerReading {
    double x = -1;
    double y = -1;
    std::string mode;
};

std::string quoted(const QString& path) {
    return "'" + path.toStdString() + "'";
}

// Pillow's info["dpi"] and mode of every file, by file name.
std::map<std::string, PeerReading> pillowReadings(const std::vector<QString>& files) {
    std::string command = testsupport::PeerPillowPython() +
                          " -c 'import sys\n"
                          "from PIL import Image\n"
                          "for f in sys.argv[1:]:\n"
                          "    i = Image.open(f)\n"
                          "    d = i.info.get(\"dpi\", (-1, -1))\n"
                          "    print(f, float(d[0]), float(d[1]), i.mode)\n'";
    for (const QString& file : files) command += " " + quoted(file);
    std::map<std::string, PeerReading> readings;
    std::istringstream lines(testsupport::PeerOutput(command).value_or(""));
    std::string name;
    PeerReading reading;
    while (lines >> name >> reading.x >> reading.y >> reading.mode) readings[name] = reading;
    return readings;
}

// ImageMagick's resolution of every file, in pixels per inch whatever unit it reports.
std::map<std::string, PeerReading> identifyReadings(const std::vector<QString>& files) {
    std::string command = "identify -format '%d/%f %x %y %U\\n'";
    for (const QString& file : files) command += " " + quoted(file);
    std::map<std::string, PeerReading> readings;
    std::istringstream lines(testsupport::PeerOutput(command).value_or(""));
    std::string name, unit;
    PeerReading reading;
    while (lines >> name >> reading.x >> reading.y >> unit) {
        if (unit == "PixelsPerCentimeter") {
            reading.x *= 2.54;
            reading.y *= 2.54;
        } else if (unit != "PixelsPerInch") {
            reading.x = reading.y = -1;
        }
        readings[name] = reading;
    }
    return readings;
}

// tiffinfo's "Resolution:" line.
std::string tiffinfoResolution(const QString& file) {
    std::istringstream lines(testsupport::PeerOutput("tiffinfo " + quoted(file)).value_or(""));
    for (std::string line; std::getline(lines, line);)
        if (const size_t at = line.find("Resolution: "); at != std::string::npos)
            return line.substr(at + 12);
    return "none";
}

void expectPeersAreInstalled() {
    // scripts/install-deps.sh installs them; a resolution nobody else reads is not tested.
    ASSERT_FALSE(testsupport::PeerPillowPython().empty()) << "Pillow is not installed";
    ASSERT_TRUE(testsupport::PeerProgramAvailable("identify")) << "ImageMagick is not installed";
    ASSERT_TRUE(testsupport::PeerProgramAvailable("tiffinfo")) << "libtiff-tools not installed";
}

QImage greyPicture(int width, int height) {
    std::vector<uint8_t> grey(size_t(width) * size_t(height));
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = uint8_t(i * 13);
    return wsqgrey::grey8Image(grey.data(), width, height);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class SaveResolutionTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

TEST_F(SaveResolutionTest, PeersAndOurLoadReadTheResolutionEverySaveStates) {
    expectPeersAreInstalled();
    struct Saved {
        QString file;
        int ppi;
        bool grey;
        SaveType type;
    };
    std::vector<Saved> saved;
    const std::pair<SaveType, const char*> types[] = {{SaveType::Png, "png"},
                                                      {SaveType::Tiff, "tif"},
                                                      {SaveType::Jpeg, "jpg"},
                                                      {SaveType::Bmp, "bmp"}};
    for (const int ppi : {500, 1000, 333}) {
        for (const bool grey : {true, false}) {
            // A grey picture kept grey goes the grey writers' way; a colour one the window's.
            const QImage picture = grey ? greyPicture(37, 23) : viewertest::patternImage(37, 23);
            SaveSettings settings;
            settings.keepGrey = true;
            settings.resolution = ppi;
            for (const auto& [type, extension] : types) {
                const QString file = path(
                    QStringLiteral("%1-%2.%3").arg(ppi).arg(grey ? "grey" : "colour", extension));
                const SaveResult result = savePicture(picture, file, type, settings);
                ASSERT_TRUE(result.ok())
                    << file.toStdString() << ": " << result.error.toStdString();
                saved.push_back({file, ppi, grey, type});
            }
        }
    }

    std::vector<QString> files;
    for (const Saved& s : saved) files.push_back(s.file);
    const std::map<std::string, PeerReading> pillow = pillowReadings(files);
    const std::map<std::string, PeerReading> identify = identifyReadings(files);
    for (const Saved& s : saved) {
        const std::string name = s.file.toStdString();
        SCOPED_TRACE(name);
        ASSERT_TRUE(pillow.count(name)) << "Pillow did not read it";
        EXPECT_EQ(std::lround(pillow.at(name).x), s.ppi);
        EXPECT_EQ(std::lround(pillow.at(name).y), s.ppi);
        const std::string& mode = pillow.at(name).mode;
        EXPECT_TRUE(s.grey ? mode == "L" || mode == "P" : mode == "RGB") << mode;

        ASSERT_TRUE(identify.count(name)) << "ImageMagick did not read it";
        EXPECT_EQ(std::lround(identify.at(name).x), s.ppi);
        EXPECT_EQ(std::lround(identify.at(name).y), s.ppi);

        if (s.type == SaveType::Tiff) {
            EXPECT_EQ(tiffinfoResolution(s.file),
                      std::to_string(s.ppi) + ", " + std::to_string(s.ppi) + " pixels/inch");
        }

        const Document back = loadDocument(s.file);
        ASSERT_TRUE(back.ok()) << back.error.toStdString();
        EXPECT_EQ(pageResolution(back, 0), s.ppi);
    }
}

TEST_F(SaveResolutionTest, ABmpStatesItInItsHeaderAndChangesNothingElse) {
    // Pictures from decoded pixels carry the window's 96 dpi, which their BMPs have always said.
    std::vector<uint8_t> grey(37 * 23, 100);
    const QImage decoded = wsqgrey::greyImage(grey.data(), 37, 23);
    const QImage grey8 = greyPicture(37, 23);
    for (const auto& [what, picture] : {std::pair{"colour", decoded}, std::pair{"grey", grey8}}) {
        SCOPED_TRACE(what);
        SaveSettings plain;
        plain.keepGrey = true;
        SaveSettings stating = plain;
        stating.resolution = 1000;
        ASSERT_TRUE(savePicture(picture, path("plain.bmp"), SaveType::Bmp, plain).ok());
        ASSERT_TRUE(savePicture(picture, path("stated.bmp"), SaveType::Bmp, stating).ok());
        const QByteArray before = contents(path("plain.bmp"));
        QByteArray stated = contents(path("stated.bmp"));
        ASSERT_EQ(stated.size(), before.size());
        // biXPelsPerMeter and biYPelsPerMeter: 39370 for 1000 ppi.
        EXPECT_EQ(stated.mid(38, 8), QByteArray::fromHex("ca990000ca990000"));
        stated.replace(38, 8, before.mid(38, 8));
        EXPECT_EQ(stated, before);
        EXPECT_EQ(storedResolution(path("plain.bmp")), 96);
    }
}

TEST_F(SaveResolutionTest, TypesWithoutAResolutionFieldWriteTheSameBytes) {
    const QImage picture = viewertest::patternImage(96, 96);
    SaveSettings stating;
    stating.resolution = 1000;
    for (const auto& [type, name] :
         {std::pair{SaveType::Wsq, "same.wsq"}, std::pair{SaveType::Sgi, "same.rgb"},
          std::pair{SaveType::Targa, "same.tga"}, std::pair{SaveType::Xbm, "same.xbm"},
          std::pair{SaveType::Xpm, "same.xpm"}}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(savePicture(picture, path(name), type, {}).ok());
        const QByteArray plain = contents(path(name));
        ASSERT_TRUE(savePicture(picture, path(name), type, stating).ok());
        EXPECT_EQ(contents(path(name)), plain);
    }
    // WSQ states wsqPpi, whatever the other setting says.
    EXPECT_EQ(pageResolution(loadDocument(path("same.wsq")), 0), 500);
}

TEST_F(SaveResolutionTest, AResolutionTheFormatCannotHoldIsRefusedAndTheFileThereStays) {
    const QImage colour = viewertest::patternImage(20, 10);
    const QImage grey = greyPicture(20, 10);
    const struct {
        SaveType type;
        int ppi;
        const char* error;
    } refused[] = {
        {SaveType::Jpeg, 65536,
         "a JPEG file cannot state a resolution of 65536 pixels per inch (it states 1 to 65535)"},
        {SaveType::Png, 0,
         "a PNG file cannot state a resolution of 0 pixels per inch (it states 1 to 54546084)"},
        {SaveType::Tiff, -300,
         "a TIFF file cannot state a resolution of -300 pixels per inch (it states 1 to 16777216)"},
        {SaveType::Bmp, 54546085,
         "a BMP file cannot state a resolution of 54546085 pixels per inch (it states 1 to "
         "54546084)"},
    };
    for (const auto& c : refused) {
        for (const bool keepGrey : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.error << (keepGrey ? ", grey" : ", colour"));
            const QString file = path("kept");
            {
                QFile old(file);
                ASSERT_TRUE(old.open(QIODevice::WriteOnly));
                old.write("the file already there");
            }
            SaveSettings settings;
            settings.keepGrey = keepGrey;
            settings.resolution = c.ppi;
            const SaveResult result = savePicture(keepGrey ? grey : colour, file, c.type, settings);
            EXPECT_EQ(result.failure, SaveFailure::WriterFailed);
            EXPECT_EQ(result.code, 8);
            EXPECT_EQ(result.error, c.error);
            EXPECT_EQ(contents(file), "the file already there");
        }
    }
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // The largest a JPEG holds is written.
    SaveSettings settings;
    settings.resolution = 65535;
    ASSERT_TRUE(savePicture(colour, path("max.jpg"), SaveType::Jpeg, settings).ok());
    EXPECT_EQ(pageResolution(loadDocument(path("max.jpg")), 0), 65535);
}

}  // namespace

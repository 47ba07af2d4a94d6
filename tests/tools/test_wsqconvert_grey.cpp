// Grey stays grey: wsqconvert writes a grey source as 8-bit grey PNG, TIFF, JPEG, BMP (grey
// palette) and PGM, checked with Pillow, with the pixels of the decoded picture; colour sources
// keep their colour files.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/peer_tools.h"
#include "support/scratch_dir.h"
#include "wsq/wsq.h"
#include "wsqconvert_test_support.h"

using namespace wsqconverttest;

namespace {

// Pillow's mode and the picture as grey bytes, or mode "?" when it cannot open the file.
struct PeerView {
    std::string mode;
    testsupport::PeerPixels pixels;
};

PeerView peerView(const std::string& path) {
    const std::string out = path + ".peer";
    const std::string pam = out + ".pgm";
    PeerView view;
    view.mode = "?";
    if (!testsupport::RunPeerPython("from PIL import Image\n"
                                    "img = Image.open('" +
                                    path +
                                    "')\n"
                                    "open('" +
                                    out +
                                    "', 'w').write(img.mode)\n"
                                    "img.convert('L').save('" +
                                    pam + "')\n"))
        return view;
    const std::vector<uint8_t> mode = testsupport::ReadPeerFileBytes(out);
    view.mode.assign(mode.begin(), mode.end());
    if (!testsupport::ReadPeerNetpbm(pam, &view.pixels)) view.mode = "?";
    return view;
}

testsupport::PeerPixels greyPixels(const std::vector<uint8_t>& grey, int w, int h) {
    return {static_cast<uint32_t>(w), static_cast<uint32_t>(h), 1, grey};
}

TEST(WsqConvertGrey, GreySourcesBecomeGreyFilesWithTheSamePixels) {
    if (testsupport::PeerPillowPython().empty()) GTEST_SKIP() << "no Python with Pillow";
    testsupport::ScratchDir dir;
    const auto file = [&](const std::string& name) { return dir.file(name); };
    ASSERT_TRUE(writeWsq(q(file("print.wsq")), 130, 97, 5, 500));
    const wsq::FileBytes stream = wsq::read_file(file("print.wsq").c_str());
    const wsq::Decoded decoded = wsq::decode(stream.bytes);
    ASSERT_FALSE(decoded.error);
    const testsupport::PeerPixels expected = greyPixels(decoded.pixels, 130, 97);

    // Lossless grey outputs carry the decoded pixels exactly; JPEG at quality 100 within 2.
    for (const char* ext : {"png", "tif", "tiff", "bmp", "pgm", "jpg"}) {
        SCOPED_TRACE(ext);
        const std::string out = file(std::string("print.") + ext);
        const ToolRun run = runTool({q(file("print.wsq")), q(out)});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        const PeerView view = peerView(out);
        EXPECT_EQ(view.mode, "L") << "not a grey file";
        ASSERT_EQ(view.pixels.width, 130u);
        if (std::string(ext) == "jpg") {
            int worst = 0;
            for (size_t i = 0; i < expected.data.size(); ++i)
                worst = std::max(worst, std::abs(int(view.pixels.data[i]) - int(expected.data[i])));
            EXPECT_LE(worst, 2);
        } else {
            EXPECT_EQ(view.pixels, expected);
        }
    }
    // The PGM is the plain binary form the tool chains exchange.
    const QByteArray pgm = fileBytes(q(file("print.pgm")));
    EXPECT_TRUE(pgm.startsWith("P5\n130 97\n255\n"));
    EXPECT_EQ(pgm.size(), qsizetype(strlen("P5\n130 97\n255\n") + 130 * 97));

    // A grey PNG and a grey PNM stay grey on their way to PNG; WSQ from them is the same stream
    // as from the decoded bytes.
    {
        QImage grey8(decoded.pixels.data(), 130, 97, 130, QImage::Format_Grayscale8);
        ASSERT_TRUE(grey8.save(q(file("grey.png")), "PNG"));
        ASSERT_EQ(runTool({q(file("grey.png")), q(file("again.png"))}).status, 0);
        EXPECT_EQ(peerView(file("again.png")).mode, "L");
        EXPECT_EQ(peerView(file("again.png")).pixels, expected);
        // A grey TIFF (the raster library reads it as colour planes) stays grey.
        ASSERT_EQ(runTool({q(file("print.tif")), q(file("from_tif.png"))}).status, 0);
        EXPECT_EQ(peerView(file("from_tif.png")).mode, "L");
        EXPECT_EQ(peerView(file("from_tif.png")).pixels, expected);
        // PGM (read by wsqconvert, not listed by the window) and PNM files are grey too.
        ASSERT_EQ(runTool({q(file("print.pgm")), q(file("from_pgm.png"))}).status, 0);
        EXPECT_EQ(peerView(file("from_pgm.png")).mode, "L");
        EXPECT_EQ(peerView(file("from_pgm.png")).pixels, expected);
        ASSERT_TRUE(QFile::copy(q(file("print.pgm")), q(file("print_pgm.pnm"))));
        ASSERT_EQ(runTool({q(file("print_pgm.pnm")), q(file("from_pnm.png"))}).status, 0);
        EXPECT_EQ(peerView(file("from_pnm.png")).mode, "L");
        EXPECT_EQ(peerView(file("from_pnm.png")).pixels, expected);
        ASSERT_EQ(runTool({"--ppi", "500", q(file("grey.png")), q(file("grey.wsq"))}).status, 0);
        ASSERT_EQ(runTool({"--ppi", "500", q(file("print_pgm.pnm")), q(file("pnm.wsq"))}).status,
                  0);
        EXPECT_TRUE(fileBytes(q(file("grey.wsq"))) == fileBytes(q(file("pnm.wsq"))));
    }
}

TEST(WsqConvertGrey, ColourSourcesKeepColourAndPgmTakesTheirGrey) {
    if (testsupport::PeerPillowPython().empty()) GTEST_SKIP() << "no Python with Pillow";
    testsupport::ScratchDir dir;
    const auto file = [&](const std::string& name) { return dir.file(name); };
    const QImage colour = colourPicture(100, 90);
    ASSERT_TRUE(colour.save(q(file("colour.png")), "PNG"));
    ASSERT_EQ(runTool({q(file("colour.png")), q(file("out.png"))}).status, 0);
    EXPECT_EQ(peerView(file("out.png")).mode, "RGB");

    ASSERT_EQ(runTool({q(file("colour.png")), q(file("out.pgm"))}).status, 0);
    const PeerView pgm = peerView(file("out.pgm"));
    EXPECT_EQ(pgm.mode, "L");
    ASSERT_EQ(pgm.pixels.width, 100u);
    for (int y = 0; y < 90; y += 7)
        for (int x = 0; x < 100; x += 5) {
            const QRgb c = colour.pixel(x, y);
            EXPECT_EQ(*pgm.pixels.at(x, y), (qRed(c) + qGreen(c) + qBlue(c)) / 3);
        }

    // A batch to pgm; an output the tool does not write is still refused.
    ASSERT_TRUE(QDir().mkpath(q(file("in"))));
    ASSERT_TRUE(writeWsq(q(file("in/a.wsq")), 90, 90, 2));
    const ToolRun batch = runTool({"--batch", "--to", "pgm", q(file("in")), q(file("outdir"))});
    ASSERT_EQ(batch.status, 0) << batch.err.toStdString();
    EXPECT_EQ(peerView(file("outdir/a.pgm")).mode, "L");
    EXPECT_EQ(runTool({q(file("colour.png")), q(file("out.ppm"))}).status, 1);

    // A PPM input keeps its colour.
    ASSERT_TRUE(colour.save(q(file("colour.ppm")), "PPM"));
    ASSERT_EQ(runTool({q(file("colour.ppm")), q(file("from_ppm.png"))}).status, 0);
    EXPECT_EQ(peerView(file("from_ppm.png")).mode, "RGB");
    const ToolRun info = runTool({"--info", q(file("colour.ppm"))});
    EXPECT_EQ(info.status, 0) << info.err.toStdString();
}

}  // namespace

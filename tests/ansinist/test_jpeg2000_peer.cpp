// JPEG 2000 pictures in transactions, made by OpenJPEG's opj_compress as JP2 files and bare
// codestreams, decode through the reader exactly as opj_decompress decodes them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ansinist/picture.h"
#include "ansinist/transaction_file.h"
#include "support/peer_tools.h"
#include "support/transaction_writer.h"
#include "transaction_test_pictures.h"

namespace {

using ansinisttest::Bytes;
using testsupport::PeerPixels;
using testsupport::TransactionWriter;

struct Jpeg2000Case {
    const char* what;
    int channels;
    const char* extension;  // "jp2" file or "j2k" codestream
    const char* rate;       // opj_compress -r; "" for lossless
    PeerPixels source;
    Bytes stream;
    PeerPixels peer;  // opj_decompress's picture
};

TEST(Jpeg2000Peer, PicturesDecodeAsOpjDecompressDecodesThem) {
    SKIP_WITHOUT_PEER_PROGRAM("opj_compress");
    SKIP_WITHOUT_PEER_PROGRAM("opj_decompress");
    const std::string dir = testsupport::PeerScratchDirectory();
    const int w = 120, h = 96;
    const Bytes grey = testsupport::synthetic_print(w, h, 11);
    const Bytes rgb = ansinisttest::ColourPattern(w, h, 12);
    std::vector<Jpeg2000Case> cases = {
        {"grey lossless JP2 file", 1, "jp2", "", {}, {}, {}},
        {"grey lossy codestream", 1, "j2k", "20", {}, {}, {}},
        {"colour lossy JP2 file", 3, "jp2", "10", {}, {}, {}},
        {"colour lossless codestream", 3, "j2k", "", {}, {}, {}},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        Jpeg2000Case& c = cases[i];
        SCOPED_TRACE(c.what);
        c.source.width = w;
        c.source.height = h;
        c.source.channels = static_cast<uint32_t>(c.channels);
        c.source.data = c.channels == 1 ? grey : rgb;
        const std::string base = dir + "/case" + std::to_string(i);
        const std::string netpbm = base + (c.channels == 1 ? ".pgm" : ".ppm");
        const std::string stream = base + "." + c.extension;
        const std::string decoded = base + "-peer" + (c.channels == 1 ? ".pgm" : ".ppm");
        ASSERT_TRUE(testsupport::WritePeerNetpbm(netpbm, c.source));
        ASSERT_TRUE(testsupport::RunPeerCommand("opj_compress -i '" + netpbm + "' -o '" + stream +
                                                "'" + (*c.rate ? " -r " : "") + c.rate));
        ASSERT_TRUE(
            testsupport::RunPeerCommand("opj_decompress -i '" + stream + "' -o '" + decoded + "'"));
        c.stream = testsupport::ReadPeerFileBytes(stream);
        ASSERT_TRUE(testsupport::ReadPeerNetpbm(decoded, &c.peer));
        ASSERT_FALSE(c.stream.empty());
    }

    TransactionWriter writer("0502");
    writer.setType1Field(11, "39.37");
    writer.addFrictionRidge(14, 1, 1, {1}, w, h, 500, "JP2L", 8, cases[0].stream);
    writer.addFrictionRidge(13, 2, 4, {18}, w, h, 1000, "JP2", 8, cases[1].stream);
    writer.addFace(3, w, h, "JP2", "SRGB", cases[2].stream);
    writer.addFace(4, w, h, "jp2l", "SRGB", cases[3].stream);
    const auto file = ansinisttest::MustRead(writer.bytes());
    ASSERT_TRUE(file);
    const auto& records = file->transaction().records;
    ASSERT_EQ(records.size(), cases.size() + 1);
    for (size_t i = 0; i < cases.size(); ++i) {
        const Jpeg2000Case& c = cases[i];
        SCOPED_TRACE(c.what);
        const ansinist::Record& r = records[i + 1];
        EXPECT_EQ(r.problem, "");
        const auto data = ansinist::imageData(*file, r);
        EXPECT_EQ(Bytes(data.begin(), data.end()), c.stream);
        const ansinist::Picture picture = ansinist::decodePicture(*file, r);
        ASSERT_TRUE(picture) << picture.error;
        EXPECT_TRUE(picture.notes.empty());
        PeerPixels ours;
        ours.width = static_cast<uint32_t>(picture.width);
        ours.height = static_cast<uint32_t>(picture.height);
        ours.channels = static_cast<uint32_t>(picture.channels);
        ours.data = picture.pixels;
        EXPECT_EQ(ours, c.peer);
        if (!*c.rate) {
            EXPECT_EQ(ours, c.source);
        }
    }
    EXPECT_EQ(records[2].image->ppi, 1000);
}

TEST(Jpeg2000Peer, DamagedJpeg2000IsRefusedNotPadded) {
    SKIP_WITHOUT_PEER_PROGRAM("opj_compress");
    const std::string dir = testsupport::PeerScratchDirectory();
    PeerPixels source;
    source.width = 96;
    source.height = 96;
    source.channels = 1;
    source.data = testsupport::synthetic_print(96, 96, 13);
    ASSERT_TRUE(testsupport::WritePeerNetpbm(dir + "/d.pgm", source));
    ASSERT_TRUE(
        testsupport::RunPeerCommand("opj_compress -i '" + dir + "/d.pgm' -o '" + dir + "/d.j2k'"));
    const Bytes stream = testsupport::ReadPeerFileBytes(dir + "/d.j2k");
    ASSERT_GT(stream.size(), 200u);
    for (size_t keep : {stream.size() - 2, stream.size() / 2, size_t{40}, size_t{4}}) {
        SCOPED_TRACE("cut to " + std::to_string(keep) + " bytes");
        TransactionWriter writer;
        writer.addFrictionRidge(14, 1, 1, {1}, 96, 96, 500, "JP2L", 8,
                                Bytes(stream.begin(), stream.begin() + static_cast<long>(keep)));
        const auto file = ansinisttest::MustRead(writer.bytes());
        ASSERT_TRUE(file);
        const ansinist::Picture picture =
            ansinist::decodePicture(*file, file->transaction().records[1]);
        EXPECT_FALSE(picture);
        EXPECT_TRUE(picture.pixels.empty());
        EXPECT_NE(picture.error.find("JPEG 2000"), std::string::npos) << picture.error;
    }
}

}  // namespace

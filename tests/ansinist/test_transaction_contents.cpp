// Transactions built in code are read back: records in 1.003's order, their fields, what image
// records say about their pictures, and every picture compared with its source.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ansinist/codes.h"
#include "ansinist/picture.h"
#include "ansinist/transaction_file.h"
#include "support/image_metrics.h"
#include "support/memory_encoders.h"
#include "support/scratch_dir.h"
#include "support/transaction_writer.h"
#include "transaction_test_pictures.h"
#include "wsq/wsq.h"

namespace {

using ansinist::Compression;
using ansinist::Picture;
using ansinist::Record;
using ansinisttest::Bytes;
using ansinisttest::ColourPattern;
using ansinisttest::MustRead;
using ansinisttest::WsqOf;
using testsupport::kNistRS;
using testsupport::kNistUS;
using testsupport::TransactionWriter;

// The picture of `record`, which must decode.
Picture MustDecode(const ansinist::TransactionFile& file, const Record& record) {
    Picture picture = ansinist::decodePicture(file, record);
    EXPECT_TRUE(picture) << picture.error;
    return picture;
}

TEST(TransactionContents, TenPrintOfFourteenWsqRecordsWithTextRecordsBetween) {
    TransactionWriter writer("0300");
    writer.addTagged(2, 0, {{18, "DOE, JACK"}, {22, "19700101"}});
    struct Finger {
        int position, impression, width, height;
        Bytes grey, stream;
    };
    std::vector<Finger> fingers;
    for (int i = 0; i < 14; ++i) {
        Finger f;
        f.position = i < 10 ? i + 1 : i + 1;  // rolled 1-10, then plain 11-14
        f.impression = i < 10 ? 1 : 0;
        f.width = 96 + 8 * (i % 5);
        f.height = 104 + 8 * (i % 3);
        f.grey = testsupport::synthetic_print(f.width, f.height, static_cast<uint32_t>(i + 1));
        f.stream = WsqOf(f.grey, f.width, f.height);
        writer.addFingerprintBinary(4, i + 1, f.impression, {f.position}, 1, f.width, f.height, 1,
                                    f.stream);
        if (i == 4 || i == 9)
            writer.addTagged(
                9, i + 1,
                {{3, "1"},
                 {4, "S"},
                 {6, std::to_string(f.position)},
                 {10, "2"},
                 {12, "1" + kNistUS + "01000200090" + kNistRS + "2" + kNistUS + "03000400180"}});
        fingers.push_back(std::move(f));
    }
    const Bytes bytes = writer.bytes();
    // Through a real file, mapped.
    testsupport::ScratchDir dir;
    ansinist::OpenResult opened = ansinist::TransactionFile::open(dir.write("ten.eft", bytes));
    ASSERT_TRUE(opened.file) << opened.error;
    const ansinist::TransactionFile& file = *opened.file;
    const ansinist::Transaction& t = file.transaction();
    EXPECT_EQ(t.version, "0300");
    EXPECT_EQ(t.listedRecords, 17);
    EXPECT_EQ(t.walkEnd, "");
    EXPECT_TRUE(t.warnings.empty());
    ASSERT_EQ(t.records.size(), 18u);
    EXPECT_EQ(t.records[1].field(18)->value(), "DOE, JACK");

    size_t finger = 0;
    for (const Record& r : t.records) {
        SCOPED_TRACE("record " + std::to_string(r.index));
        EXPECT_EQ(r.problem, "");
        EXPECT_TRUE(r.warnings.empty());
        if (r.type == 9) {
            EXPECT_FALSE(r.image);
            EXPECT_EQ(r.field(12)->subfields.size(), 2u);
            EXPECT_EQ(r.field(12)->subfields[1][1], "03000400180");
        }
        if (r.type != 4) continue;
        ASSERT_LT(finger, fingers.size());
        const Finger& f = fingers[finger++];
        EXPECT_TRUE(r.binary);
        EXPECT_EQ(r.idc, static_cast<int>(finger));
        ASSERT_TRUE(r.image);
        const ansinist::ImageInfo& info = *r.image;
        EXPECT_EQ(info.positions, std::vector<int>{f.position});
        EXPECT_EQ(info.impression, f.impression);
        EXPECT_EQ(info.width, f.width);
        EXPECT_EQ(info.height, f.height);
        EXPECT_EQ(info.ppi, 500);
        EXPECT_EQ(info.compression, Compression::Wsq);
        const auto data = ansinist::imageData(file, r);
        EXPECT_EQ(Bytes(data.begin(), data.end()), f.stream);
        const Picture picture = MustDecode(file, r);
        const wsq::Decoded reference = wsq::decode(f.stream);
        EXPECT_EQ(picture.pixels, reference.pixels);
        EXPECT_EQ(picture.width, f.width);
        EXPECT_EQ(picture.height, f.height);
        EXPECT_EQ(picture.channels, 1);
        EXPECT_EQ(picture.ppi, 500);
        EXPECT_GT(testsupport::psnr(f.grey, picture.pixels), 20.0);
        EXPECT_TRUE(picture.notes.empty());
    }
    EXPECT_EQ(finger, 14u);
    EXPECT_STREQ(ansinist::positionName(4, t.records[2].image->positions[0]), "Right thumb");
    EXPECT_STREQ(ansinist::positionName(4, t.records.back().image->positions[0]),
                 "Plain left four fingers");
}

TEST(TransactionContents, Type14InEveryCompression) {
    const int w = 96, h = 112;
    const Bytes grey = testsupport::synthetic_print(w, h, 7);
    const Bytes wsqStream = WsqOf(grey, w, h);
    const Bytes jpeg = testsupport::EncodeJpegInMemory(grey, w, h, 1, 95);
    const Bytes png = testsupport::EncodePngInMemory(grey, w, h, 1);
    TransactionWriter writer("0502");
    writer.addFrictionRidge(14, 1, 1, {2}, w, h, 500, "NONE", 8, grey);
    writer.addFrictionRidge(14, 2, 1, {3}, w, h, 500, "WSQ20", 8, wsqStream);
    writer.addFrictionRidge(14, 3, 1, {4}, w, h, 500, " wsq ", 8, wsqStream);  // before 2011
    writer.addFrictionRidge(14, 4, 1, {5}, w, h, 500, "JPEGB", 8, jpeg);
    writer.addFrictionRidge(14, 5, 1, {6}, w, h, 500, "PNG", 8, png);
    writer.addFrictionRidge(14, 6, 1, {7}, w, h, 197, "JPEGL", 8, jpeg, 2);
    const auto file = MustRead(writer.bytes());
    ASSERT_TRUE(file);
    const auto& records = file->transaction().records;
    ASSERT_EQ(records.size(), 7u);
    const Compression expected[] = {Compression::None, Compression::Wsq,
                                    Compression::Wsq,  Compression::JpegBaseline,
                                    Compression::Png,  Compression::JpegLossless};
    for (size_t i = 1; i < records.size(); ++i) {
        SCOPED_TRACE("record " + std::to_string(i + 1));
        const Record& r = records[i];
        EXPECT_EQ(r.problem, "");
        ASSERT_TRUE(r.image);
        EXPECT_EQ(r.image->compression, expected[i - 1]);
        EXPECT_EQ(r.image->positions, std::vector<int>{static_cast<int>(i) + 1});
        EXPECT_EQ(r.image->bitsPerPixel, 8);
        EXPECT_EQ(r.image->ppi, 500);  // SLC 2 with 197 px/cm also gives 500
        const Picture picture = ansinist::decodePicture(*file, r);
        if (r.image->compression == Compression::JpegLossless) {
            EXPECT_FALSE(picture);
            EXPECT_NE(picture.error.find("not supported"), std::string::npos) << picture.error;
            EXPECT_TRUE(picture.pixels.empty());
            continue;
        }
        ASSERT_TRUE(picture) << picture.error;
        EXPECT_EQ(picture.width, w);
        EXPECT_EQ(picture.height, h);
        EXPECT_EQ(picture.channels, 1);
        switch (r.image->compression) {
            case Compression::None:
            case Compression::Png:
                EXPECT_EQ(picture.pixels, grey);
                break;
            case Compression::Wsq:
                EXPECT_EQ(picture.pixels, wsq::decode(wsqStream).pixels);
                break;
            default:
                EXPECT_GT(testsupport::psnr(grey, picture.pixels), 35.0);
                break;
        }
    }
}

TEST(TransactionContents, LatentPalmAndPlantarRecordsAt1000Ppi) {
    const Bytes latent = testsupport::synthetic_print(120, 100, 3);
    const Bytes palm = testsupport::synthetic_print(160, 200, 4);
    const Bytes sole = testsupport::synthetic_print(96, 96, 5);
    TransactionWriter writer("0501");
    writer.setType1Field(11, "39.37");
    writer.setType1Field(12, "39.37");
    writer.addFrictionRidge(13, 1, 4, {19, 22}, 120, 100, 1000, "NONE", 8, latent);
    writer.addFrictionRidge(15, 2, 10, {21}, 160, 200, 394, "PNG", 8,
                            testsupport::EncodePngInMemory(palm, 160, 200, 1), 2);
    writer.addFrictionRidge(19, 3, 30, {61}, 96, 96, 1000, "WSQ20", 8, WsqOf(sole, 96, 96, 1000));
    const auto file = MustRead(writer.bytes());
    ASSERT_TRUE(file);
    const auto& records = file->transaction().records;
    ASSERT_EQ(records.size(), 4u);

    const Record& latentRecord = records[1];
    EXPECT_EQ(latentRecord.image->ppi, 1000);
    EXPECT_EQ(latentRecord.image->impression, 4);
    EXPECT_EQ(latentRecord.image->positions, (std::vector<int>{19, 22}));
    EXPECT_STREQ(ansinist::positionName(13, 22), "Right writer's palm");
    EXPECT_STREQ(ansinist::impressionName(4), "Latent impression");
    EXPECT_EQ(MustDecode(*file, latentRecord).pixels, latent);

    const Record& palmRecord = records[2];
    EXPECT_EQ(palmRecord.image->ppi, 1001);  // 394 px/cm
    EXPECT_STREQ(ansinist::positionName(15, palmRecord.image->positions[0]), "Right full palm");
    EXPECT_STREQ(ansinist::positionName(14, 21), "");  // a palm code means nothing in Type-14
    const Picture palmPicture = MustDecode(*file, palmRecord);
    EXPECT_EQ(palmPicture.pixels, palm);
    EXPECT_EQ(palmPicture.ppi, 1001);

    const Record& soleRecord = records[3];
    EXPECT_STREQ(ansinist::positionName(19, 61), "Right sole");
    const Picture solePicture = MustDecode(*file, soleRecord);
    EXPECT_EQ(solePicture.ppi, 1000);
    EXPECT_GT(testsupport::psnr(sole, solePicture.pixels), 20.0);
}

TEST(TransactionContents, FaceRecordsInColourAndGrey) {
    const int w = 64, h = 80;
    const Bytes rgb = ColourPattern(w, h, 9);
    const Bytes grey = testsupport::synthetic_print(w, h, 10);
    TransactionWriter writer("0400");
    writer.addFace(1, w, h, "JPEGB", "SRGB", testsupport::EncodeJpegInMemory(rgb, w, h, 3, 95));
    writer.addFace(2, w, h, "NONE", "RGB", rgb);
    writer.addFace(3, w, h, "NONE", "GRAY", grey);
    writer.addFace(4, w, h, "PNG", "SRGB", testsupport::EncodePngInMemory(rgb, w, h, 3));
    writer.addFace(5, w, h, "JPEGB", "YCC", testsupport::EncodeJpegInMemory(grey, w, h, 1, 95));
    const auto file = MustRead(writer.bytes());
    ASSERT_TRUE(file);
    const auto& records = file->transaction().records;
    ASSERT_EQ(records.size(), 6u);

    const Picture jpeg = MustDecode(*file, records[1]);
    EXPECT_EQ(jpeg.channels, 3);
    EXPECT_EQ(records[1].image->colourSpace, "SRGB");
    EXPECT_EQ(records[1].image->bitsPerPixel, 24);
    EXPECT_FALSE(jpeg.ppi);  // SLC 0
    EXPECT_GT(testsupport::psnr(rgb, jpeg.pixels), 30.0);

    const Picture raw = MustDecode(*file, records[2]);
    EXPECT_EQ(raw.channels, 3);
    EXPECT_EQ(raw.pixels, rgb);
    const Picture rawGrey = MustDecode(*file, records[3]);
    EXPECT_EQ(rawGrey.channels, 1);
    EXPECT_EQ(rawGrey.pixels, grey);
    EXPECT_EQ(MustDecode(*file, records[4]).pixels, rgb);
    // A grey JPEG in a record labelled YCC: the stream decides, one channel.
    const Picture greyJpeg = MustDecode(*file, records[5]);
    EXPECT_EQ(greyJpeg.channels, 1);
    EXPECT_GT(testsupport::psnr(grey, greyJpeg.pixels), 35.0);
}

TEST(TransactionContents, EveryVersionAndFieldNumberWidth) {
    const Bytes grey = testsupport::synthetic_print(40, 40, 2);
    for (const char* version : {"0200", "0201", "0300", "0400", "0500", "0501", "0502"}) {
        for (int digits : {2, 3}) {
            SCOPED_TRACE(std::string(version) + " with " + std::to_string(digits) + " digits");
            TransactionWriter writer(version);
            writer.setFieldDigits(digits);
            // EBTS-style descriptive text numbers its fields with four digits.
            writer.addTagged(2, 0, {{5, "N"}, {2001, "REQ-42"}, {18, "ROE, RICHARD"}});
            writer.addFrictionRidge(14, 1, 1, {1}, 40, 40, 500, "NONE", 8, grey);
            const Bytes bytes = writer.bytes();
            const std::string head(bytes.begin(), bytes.begin() + 6);
            EXPECT_EQ(head, digits == 2 ? "1.01:1" : "1.001:");
            const auto file = MustRead(bytes);
            ASSERT_TRUE(file);
            const auto& t = file->transaction();
            EXPECT_EQ(t.version, version);
            ASSERT_EQ(t.records.size(), 3u);
            const Record& text = t.records[1];
            ASSERT_TRUE(text.field(2001));
            EXPECT_EQ(text.field(2001)->value(), "REQ-42");
            EXPECT_EQ(text.field(5)->value(), "N");
            EXPECT_EQ(text.idc, 0);
            EXPECT_EQ(MustDecode(*file, t.records[2]).pixels, grey);
        }
    }
}

TEST(TransactionContents, TextFieldsKeepTheirSubfieldsItemsAndCharacters) {
    TransactionWriter writer;
    writer.setType1Field(15, "3" + kNistUS + "UTF-8");
    writer.addTagged(2, 0,
                     {{18, "MÜLLER, JÖRG"},
                      {19, "DOE,JACK" + kNistRS + "SMITH,JOHN"},
                      {67, "ACME" + kNistUS + kNistUS + "SN0042"},
                      {70, ""},
                      {80, "\xe9t\xe9"}});  // Latin-1 from a writer without a character set
    const auto file = MustRead(writer.bytes());
    ASSERT_TRUE(file);
    const Record& text = file->transaction().records[1];
    EXPECT_EQ(text.problem, "");
    EXPECT_EQ(text.field(18)->value(), "MÜLLER, JÖRG");
    const auto& aliases = text.field(19)->subfields;
    ASSERT_EQ(aliases.size(), 2u);
    EXPECT_EQ(aliases[0][0], "DOE,JACK");
    EXPECT_EQ(aliases[1][0], "SMITH,JOHN");
    EXPECT_EQ(text.field(67)->subfields[0], (std::vector<std::string>{"ACME", "", "SN0042"}));
    EXPECT_EQ(text.field(70)->value(), "");
    EXPECT_EQ(text.field(80)->value(), "été");
    EXPECT_STREQ(ansinist::fieldMnemonic(1, 15), "DCS");
}

TEST(TransactionContents, ResolutionOfBinaryAndTaggedRecords) {
    const Bytes grey = testsupport::synthetic_print(32, 32, 1);
    struct Case {
        const char* what;
        const char* nsr;  // nullptr: field absent
        const char* ntr;
        int isr;
        int ppi;
    };
    const Case cases[] = {
        {"native", "39.37", "19.69", 1, 1000},
        {"transmitting", "39.37", "19.69", 0, 500},
        {"transmitting absent", "39.37", nullptr, 0, 500},
        {"native absent", nullptr, "19.69", 1, 500},
        {"transmitting of 20.00", "00.00", "20.00", 0, 508},
        {"native of 00.00", "00.00", "19.69", 1, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TransactionWriter writer("0300");
        if (c.nsr) writer.setType1Field(11, c.nsr);
        if (c.ntr) writer.setType1Field(12, c.ntr);
        writer.addFingerprintBinary(4, 1, 0, {1}, c.isr, 32, 32, 0, grey);
        const auto file = MustRead(writer.bytes());
        ASSERT_TRUE(file);
        const Record& r = file->transaction().records.back();
        EXPECT_EQ(r.image->ppi, c.ppi);
        EXPECT_EQ(MustDecode(*file, r).pixels, grey);
    }
    for (const char* slc : {"0", "3"}) {
        SCOPED_TRACE(std::string("SLC ") + slc);
        TransactionWriter writer;
        writer.addFrictionRidge(14, 1, 1, {1}, 32, 32, 500, "NONE", 8, grey, std::stoi(slc));
        const auto file = MustRead(writer.bytes());
        ASSERT_TRUE(file);
        const Record& r = file->transaction().records.back();
        EXPECT_FALSE(r.image->ppi);
        EXPECT_EQ(r.warnings.size(), std::string(slc) == "3" ? 1u : 0u);
        EXPECT_EQ(MustDecode(*file, r).pixels, grey);
    }
}

TEST(TransactionContents, AmputatedFingerHasNoPicture) {
    TransactionWriter writer;
    writer.addTagged(14, 1, {{3, "1"}, {13, "2"}, {18, "2" + kNistUS + "XX"}});
    writer.addTagged(14, 2, {{3, "1"}, {13, "3"}});
    const auto file = MustRead(writer.bytes());
    ASSERT_TRUE(file);
    for (size_t i : {1u, 2u}) {
        const Record& r = file->transaction().records[i];
        EXPECT_EQ(r.problem, "");
        ASSERT_TRUE(r.image);
        EXPECT_FALSE(r.image->hasData);
        EXPECT_TRUE(ansinist::imageData(*file, r).empty());
        const Picture p = ansinist::decodePicture(*file, r);
        EXPECT_FALSE(p);
        EXPECT_NE(p.error.find("holds no picture"), std::string::npos) << p.error;
    }
    // Without AMP the record does not say why it has no picture.
    EXPECT_TRUE(file->transaction().records[1].warnings.empty());
    EXPECT_EQ(file->transaction().records[2].warnings.size(), 1u);
}

TEST(TransactionContents, FilesThatAreNotTraditionalTransactionsAreRefused) {
    struct Case {
        const char* what;
        std::string bytes;
        const char* error;
    };
    const Case cases[] = {
        {"XML", "<?xml version=\"1.0\"?><itl:NISTBiometricInformationExchangePackage>", "XML"},
        {"XML with a byte-order mark", "\xef\xbb\xbf\n  <itl:Package/>", "XML"},
        {"empty", "", "empty"},
        {"a PNG", "\x89PNG\r\n\x1a\n", "does not begin with field 1.001"},
        {"Type-2 first",
         "2.001:20\x1d"
         "2.002:00\x1c",
         "does not begin with field 1.001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes bytes(c.bytes.begin(), c.bytes.end());
        const ansinist::ReadResult read = ansinist::readTransaction(bytes);
        EXPECT_FALSE(read);
        EXPECT_NE(read.error.find(c.error), std::string::npos) << read.error;
        EXPECT_FALSE(ansinist::looksLikeTransaction(bytes));
    }
    testsupport::ScratchDir dir;
    EXPECT_NE(ansinist::TransactionFile::open(dir.file("missing.eft")).error, "");
    EXPECT_EQ(ansinist::TransactionFile::open(dir.path().string()).error, "not a regular file");
    EXPECT_EQ(ansinist::TransactionFile::open(dir.write("empty.eft", {})).error,
              "the file is empty");
}

}  // namespace

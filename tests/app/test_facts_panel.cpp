// The facts panel: what it lists for a WSQ file (frame numbers, achieved bit rate, every
// comment, the NISTCOM table, the segments) and for a PNG, its histogram, the View menu entry
// remembered between windows, and the rows of a WSQ save.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "document_facts.h"
#include "document_load.h"
#include "grey_histogram.h"
#include "histogram_view.h"
#include "support/image_metrics.h"
#include "support/qt_app_env.h"
#include "viewer_test_helpers.h"
#include "wsq/wsq.h"
#include "wsqfilewindow.h"
#include "wsqimageviewer.h"

using viewertest::menuEntry;
using viewertest::patternImage;

namespace {

// A 128 x 96 print at 500 ppi with NISTCOM entries of our own, the encoder's comment and one
// more comment put right after SOI: three comments in all, two of them plain text.
QByteArray wsqWithComments() {
    const std::vector<uint8_t> grey = testsupport::synthetic_print(128, 96, 5);
    const wsq::Encoded encoded = wsq::encode_with_nistcom(
        grey, 128, 96, 1.5f, 500, {{"CASE", std::string("23-0417")}, {"FINGER", std::string("2")}},
        "second comment");
    EXPECT_FALSE(encoded.error);
    QByteArray bytes(reinterpret_cast<const char*>(encoded.bytes.data()),
                     qsizetype(encoded.bytes.size()));
    const QByteArray text("first comment");
    QByteArray com("\xFF\xA8", 2);
    const int length = int(text.size()) + 2;
    com.append(char(length >> 8)).append(char(length & 0xFF)).append(text);
    bytes.insert(2, com);
    return bytes;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

// The value of the fact `name` among the top rows, or of a child row under `group`.
QString factValue(QTreeWidget* tree, const QString& name, const QString& group = {}) {
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = tree->topLevelItem(i);
        if (group.isEmpty() && item->text(0) == name) return item->text(1);
        if (item->text(0) != group) continue;
        for (int j = 0; j < item->childCount(); ++j)
            if (item->child(j)->text(0) == name) return item->child(j)->text(1);
    }
    return QStringLiteral("<missing>");
}

QStringList childValues(QTreeWidget* tree, const QString& group, int column) {
    QStringList values;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = tree->topLevelItem(i);
        if (item->text(0) != group) continue;
        for (int j = 0; j < item->childCount(); ++j) values << item->child(j)->text(column);
    }
    return values;
}

class FactsPanelTest : public ::testing::Test {
protected:
    QDockWidget* panel(wsqimageviewer& w) { return w.findChild<QDockWidget*>("factsPanel"); }
    QTreeWidget* facts(wsqimageviewer& w) { return w.findChild<QTreeWidget*>("factsList"); }
    QTableWidget* nistcom(wsqimageviewer& w) { return w.findChild<QTableWidget*>("nistcomTable"); }

    QTemporaryDir m_dir;
};

TEST_F(FactsPanelTest, WsqFileListsFrameCompressionEveryCommentNistcomAndSegments) {
    const QByteArray bytes = wsqWithComments();
    const QString path = writeFile(m_dir, "mark.wsq", bytes);
    wsqimageviewer window;
    window.show();
    window.load(path);
    QTreeWidget* tree = facts(window);
    ASSERT_NE(tree, nullptr);

    EXPECT_EQ(factValue(tree, "Name"), "mark.wsq");
    EXPECT_EQ(factValue(tree, "Bytes"), QString::number(bytes.size()));
    EXPECT_EQ(factValue(tree, "Format"), "WSQ");
    EXPECT_EQ(factValue(tree, "Width"), "128");
    EXPECT_EQ(factValue(tree, "Height"), "96");
    EXPECT_EQ(factValue(tree, "Resolution"), "500 ppi");
    EXPECT_EQ(factValue(tree, "Depth"), "8");
    EXPECT_EQ(factValue(tree, "Lossy"), "yes");
    EXPECT_NE(factValue(tree, "Encoder"), "<missing>");
    EXPECT_NE(factValue(tree, "Software"), "<missing>");
    // Bit rate and ratio come from the file's size, not from the rate asked of the encoder.
    EXPECT_EQ(factValue(tree, "Bits per pixel"),
              QString::number(bytes.size() * 8.0 / (128 * 96), 'f', 3));
    EXPECT_EQ(factValue(tree, "Compression ratio"),
              QString::number(128.0 * 96 / bytes.size(), 'f', 2) + " : 1");

    // Every comment in file order, the NISTCOM one included, not only the last.
    const QStringList comments = childValues(tree, "Comments", 1);
    ASSERT_EQ(comments.size(), 3) << comments.join(" | ").toStdString();
    EXPECT_EQ(comments.first(), "first comment");
    // Each on one line, its own line breaks shown as bars.
    EXPECT_TRUE(comments[1].startsWith("NIST_COM ")) << comments[1].toStdString();
    EXPECT_TRUE(comments[1].contains(" | CASE 23-0417")) << comments[1].toStdString();
    EXPECT_EQ(comments.last(), "second comment");

    QTableWidget* table = nistcom(window);
    ASSERT_NE(table, nullptr);
    EXPECT_FALSE(table->isHidden());
    EXPECT_EQ(table->columnCount(), 2);
    QMap<QString, QString> entries;
    for (int r = 0; r < table->rowCount(); ++r)
        entries[table->item(r, 0)->text()] = table->item(r, 1)->text();
    EXPECT_EQ(entries.value("CASE"), "23-0417");
    EXPECT_EQ(entries.value("FINGER"), "2");
    EXPECT_EQ(entries.value("PPI"), "500");
    EXPECT_EQ(entries.value("PIX_WIDTH"), "128");

    const QStringList segments = childValues(tree, "Segments", 0);
    ASSERT_GE(segments.size(), 8);
    EXPECT_EQ(segments.first(), "SOI");
    EXPECT_EQ(segments.last(), "EOI");
    EXPECT_EQ(segments.count("COM"), 3);
    EXPECT_EQ(segments.count("SOB"), 3);
    EXPECT_EQ(childValues(tree, "Segments", 1).first(), "offset 0, length 2");
}

TEST_F(FactsPanelTest, PngListsFormatDepthSizeResolutionAndHistogram) {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(qRgb(200, 200, 200));
    for (int x = 0; x < 10; ++x)
        for (int y = 0; y < 30; ++y) image.setPixel(x, y, qRgb(10, 10, 10));
    image.setDotsPerMeterX(qRound(300 / 0.0254));
    image.setDotsPerMeterY(qRound(300 / 0.0254));
    const QString path = m_dir.filePath("exemplar.png");
    ASSERT_TRUE(image.save(path));

    wsqimageviewer window;
    window.load(path);
    QTreeWidget* tree = facts(window);
    EXPECT_EQ(factValue(tree, "Format"), "PNG");
    EXPECT_EQ(factValue(tree, "Width"), "40");
    EXPECT_EQ(factValue(tree, "Height"), "30");
    EXPECT_EQ(factValue(tree, "Resolution"), "300 ppi");
    EXPECT_NE(factValue(tree, "Depth"), "<missing>");
    EXPECT_EQ(factValue(tree, "Bytes"), QString::number(QFileInfo(path).size()));
    // Nothing WSQ-only for other files.
    EXPECT_EQ(factValue(tree, "Comments"), "<missing>");
    EXPECT_TRUE(nistcom(window)->isHidden());

    auto* histogram = window.findChild<HistogramView*>("histogram");
    ASSERT_NE(histogram, nullptr);
    EXPECT_EQ(histogram->histogram()[10], 300u);
    EXPECT_EQ(histogram->histogram()[200], 900u);

    // A file without a resolution says nothing about one (Qt gives every picture 96 dpi; the
    // bitmap's header here has 0 pixels per metre).
    QImage plain(8, 8, QImage::Format_RGB32);
    plain.fill(Qt::white);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(plain.save(&buffer, "BMP"));
    QByteArray bmpBytes = buffer.data();
    bmpBytes.replace(38, 8, QByteArray(8, '\0'));
    const QString bmp = writeFile(m_dir, "plain.bmp", bmpBytes);
    window.load(bmp);
    EXPECT_EQ(factValue(tree, "Format"), "BMP");
    EXPECT_EQ(factValue(tree, "Resolution"), "<missing>");
}

TEST_F(FactsPanelTest, ViewEntryShowsHidesAndIsRemembered) {
    {
        wsqimageviewer window;
        window.show();
        QAction* entry = menuEntry(window, "Facts panel");
        ASSERT_NE(entry, nullptr);
        EXPECT_TRUE(entry->isCheckable());
        EXPECT_FALSE(entry->isChecked());  // off at first start
        EXPECT_FALSE(panel(window)->isVisible());
        entry->trigger();
        EXPECT_TRUE(panel(window)->isVisible());
    }
    {
        wsqimageviewer window;
        window.show();
        EXPECT_TRUE(menuEntry(window, "Facts panel")->isChecked());
        EXPECT_TRUE(panel(window)->isVisible());
        // The dock's own close button is remembered too.
        panel(window)->close();
        EXPECT_FALSE(menuEntry(window, "Facts panel")->isChecked());
    }
    wsqimageviewer window;
    window.show();
    EXPECT_FALSE(panel(window)->isVisible());
}

TEST_F(FactsPanelTest, WsqSaveShowsTheSavedFilesRateRatioAndBytes) {
    const std::vector<uint8_t> grey = testsupport::synthetic_print(120, 100, 9);
    const QImage picture(grey.data(), 120, 100, 120, QImage::Format_Grayscale8);
    const QString path = m_dir.filePath("exemplar.png");
    ASSERT_TRUE(picture.save(path));
    wsqimageviewer window;
    window.load(path);
    auto* properties = window.findChild<WSQFileWindow*>("WSQFilePropertiesDialog");
    ASSERT_NE(properties, nullptr);
    properties->bitrateEdit->setText("0.75");
    properties->ppiEdit->setText("500");
    window.m_interactiveSave = 0;
    window.save(m_dir.filePath("out"), 1);
    ASSERT_TRUE(window.lastSaveWritten());

    const qint64 bytes = QFileInfo(m_dir.filePath("out.wsq")).size();
    QTreeWidget* tree = facts(window);
    EXPECT_EQ(factValue(tree, "Saved as", "Last WSQ save"), "out.wsq");
    EXPECT_EQ(factValue(tree, "Bytes", "Last WSQ save"), QString::number(bytes));
    EXPECT_EQ(factValue(tree, "Bits per pixel", "Last WSQ save"),
              QString::number(bytes * 8.0 / 12000, 'f', 3));
    EXPECT_EQ(factValue(tree, "Compression ratio", "Last WSQ save"),
              QString::number(12000.0 / bytes, 'f', 2) + " : 1");
}

TEST(DocumentFacts, RateAndRatioOfDegenerateSizes) {
    EXPECT_DOUBLE_EQ(document::achievedBitRate(1000, 100, 80), 1.0);
    EXPECT_DOUBLE_EQ(document::compressionRatio(1000, 100, 80), 8.0);
    EXPECT_EQ(document::achievedBitRate(1000, 0, 80), 0.0);
    EXPECT_EQ(document::compressionRatio(0, 100, 80), 0.0);
}

TEST(DocumentFacts, DamagedWsqStillListsWhatTheWalkFound) {
    QByteArray bytes = wsqWithComments();
    bytes.truncate(bytes.size() / 2);  // cut inside the coded blocks
    QTemporaryDir dir;
    const QString path = writeFile(dir, "cut.wsq", bytes);
    const document::DocumentFacts facts = document::documentFacts(document::loadDocument(path));
    EXPECT_EQ(facts.comments.size(), 3);
    EXPECT_FALSE(facts.nistcom.empty());
    ASSERT_FALSE(facts.segments.empty());
    EXPECT_EQ(facts.segments.back().name, "(end)");
}

TEST(DocumentFacts, DamagedFileSaysSoBesideItsFacts) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(patternImage(40, 30).convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP"));
    QTemporaryDir dir;
    const auto damageRow = [](const document::DocumentFacts& facts) {
        for (const document::FactRow& row : facts.file)
            if (row.name == "Damaged") return row.value;
        return QString();
    };
    const document::DocumentFacts cut = document::documentFacts(
        document::loadDocument(writeFile(dir, "cut.bmp", bytes.left(bytes.size() - 1000))));
    EXPECT_EQ(damageRow(cut), "the pixel data hold 2600 of the 3600 bytes the header gives");
    const document::DocumentFacts whole =
        document::documentFacts(document::loadDocument(writeFile(dir, "whole.bmp", bytes)));
    EXPECT_EQ(damageRow(whole), QString());
    EXPECT_EQ(whole.file.size(), cut.file.size() - 1);
}

}  // namespace

// The records panel of a transaction: one row per record with its facts and a thumbnail for
// image records, choosing a row shows that picture and the fields, the View menu entry, and the
// panel going away for other files.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDockWidget>
#include <QFile>
#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "support/memory_encoders.h"
#include "support/modal_watcher.h"
#include "support/qt_app_env.h"
#include "support/transaction_writer.h"
#include "viewer_test_helpers.h"
#include "wsq/wsq.h"
#include "wsqimageviewer.h"

using viewertest::menuEntry;
using viewertest::menuTitled;
using viewertest::statusText;

namespace {

QByteArray bytesOf(const std::vector<uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

std::vector<uint8_t> wsqPrint(int width, int height, int seed) {
    std::vector<uint8_t> grey(size_t(width) * size_t(height));
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = uint8_t((i * 3 + size_t(seed) * 17) & 255);
    const wsq::Encoded encoded = wsq::encode(grey, width, height, 2.25f, 500);
    EXPECT_FALSE(encoded.error);
    return encoded.bytes;
}

// The case the tests open: Type-1, a Type-2 with UTF-8 text and subfields, two WSQ Type-4
// prints, a raw Type-14 slap and a colour JPEG face (records 1 to 6).
struct CaseFile {
    std::vector<uint8_t> bytes;
    size_t secondPrintBytes = 0;
};

CaseFile caseFile() {
    testsupport::TransactionWriter writer("0502");
    writer.addTagged(2, 0,
                     {{5, "Y"},
                      {18, "Zoë Ødegård"},
                      {30, "A" + testsupport::kNistUS + "B" + testsupport::kNistRS + "C" +
                               testsupport::kNistUS + "D"}});
    writer.addFingerprintBinary(4, 1, 1, {1}, 1, 91, 85, 1, wsqPrint(91, 85, 1));
    CaseFile file;
    const std::vector<uint8_t> second = wsqPrint(96, 85, 7);
    file.secondPrintBytes = second.size();
    writer.addFingerprintBinary(4, 2, 1, {7}, 1, 96, 85, 1, second);
    std::vector<uint8_t> raw(size_t(40) * 30);
    for (size_t i = 0; i < raw.size(); ++i) raw[i] = uint8_t(i * 5);
    writer.addFrictionRidge(14, 3, 0, {13}, 40, 30, 1000, "NONE", 8, raw);
    // A strongly red face, so that a thumbnail that lost its colours shows.
    std::vector<uint8_t> colour;
    for (int i = 0; i < 24 * 20; ++i) colour.insert(colour.end(), {220, 30, 40});
    writer.addFace(4, 24, 20, "JPEGB", "SRGB", testsupport::EncodeJpegInMemory(colour, 24, 20, 3));
    file.bytes = writer.bytes();
    return file;
}

class RecordsPanelTest : public ::testing::Test {
protected:
    void SetUp() override { m_window.show(); }

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QString writeCase() {
        m_case = caseFile();
        return write(QStringLiteral("case.2024.eft"), bytesOf(m_case.bytes));
    }

    QDockWidget* panel() {
        return m_window.findChild<QDockWidget*>(QStringLiteral("recordsPanel"));
    }
    QTreeWidget* list() { return m_window.findChild<QTreeWidget*>(QStringLiteral("recordsList")); }
    QTreeWidget* fields() {
        return m_window.findChild<QTreeWidget*>(QStringLiteral("recordFields"));
    }

    // The list's row of record `record` (its first column), or null.
    QTreeWidgetItem* row(int record) {
        for (int i = 0; i < list()->topLevelItemCount(); ++i)
            if (list()->topLevelItem(i)->text(0) == QString::number(record))
                return list()->topLevelItem(i);
        return nullptr;
    }
    void choose(int record) {
        QTreeWidgetItem* item = row(record);
        ASSERT_NE(item, nullptr) << record;
        list()->setCurrentItem(item);
    }
    // Image rows keep an empty place until their thumbnail is made; the pictures here are
    // opaque in their middle.
    bool hasThumbnail(int record) {
        QTreeWidgetItem* item = row(record);
        if (!item || item->icon(0).isNull()) return false;
        const QImage icon = item->icon(0).pixmap(QSize(64, 64)).toImage();
        return qAlpha(icon.pixel(icon.width() / 2, icon.height() / 2)) == 255;
    }

    // The group titles of the fields view, and the row of field `tag` ("2.018") in it.
    QStringList fieldGroups() {
        QStringList titles;
        for (int i = 0; i < fields()->topLevelItemCount(); ++i)
            titles << fields()->topLevelItem(i)->text(0);
        return titles;
    }
    QTreeWidgetItem* fieldRow(const QString& tag) {
        for (int i = 0; i < fields()->topLevelItemCount(); ++i) {
            QTreeWidgetItem* group = fields()->topLevelItem(i);
            for (int j = 0; j < group->childCount(); ++j)
                if (group->child(j)->text(0) == tag) return group->child(j);
        }
        return nullptr;
    }

    QTemporaryDir m_dir;
    wsqimageviewer m_window;
    CaseFile m_case;
};

TEST_F(RecordsPanelTest, TransactionListsEveryRecordWithItsFacts) {
    m_window.load(writeCase());
    ASSERT_NE(panel(), nullptr);
    EXPECT_TRUE(panel()->isVisible());
    ASSERT_NE(list(), nullptr);
    ASSERT_EQ(list()->topLevelItemCount(), 6);

    const QStringList expected[] = {
        {"1", "Type-1 Transaction information", "", "", "", "", "", "", ""},
        {"2", "Type-2 Descriptive text", "0", "", "", "", "", "", ""},
        {"3", "Type-4 High-resolution grey fingerprint", "1", "Right thumb", "Live-scan rolled",
         "91 x 85", "500 ppi", "WSQ20", ""},
        {"4", "Type-4 High-resolution grey fingerprint", "2", "Left index finger",
         "Live-scan rolled", "96 x 85", "500 ppi", "WSQ20", ""},
        {"5", "Type-14 Ten-print fingerprint", "3", "Plain right four fingers", "Live-scan plain",
         "40 x 30", "1000 ppi", "NONE", ""},
        {"6", "Type-10 Face, scar, mark or tattoo", "4", "", "", "24 x 20", "unknown", "JPEGB", ""},
    };
    for (int i = 0; i < 6; ++i) {
        QStringList shown;
        for (int column = 0; column < list()->columnCount(); ++column)
            shown << list()->topLevelItem(i)->text(column);
        EXPECT_EQ(shown, expected[i]) << "row " << i;
    }
    // The first picture is the one shown, and its row the current one.
    EXPECT_EQ(list()->currentItem(), row(3));
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(91, 85));

    // Every image record gets its thumbnail soon after the open; the others none.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return hasThumbnail(3) && hasThumbnail(4) && hasThumbnail(5) && hasThumbnail(6); }));
    EXPECT_TRUE(row(1)->icon(0).isNull());
    EXPECT_TRUE(row(2)->icon(0).isNull());
    // Scaled into 64 x 64 keeping the picture's shape, and in its colours.
    const QImage print = row(4)->icon(0).pixmap(QSize(64, 64)).toImage();
    EXPECT_EQ(print.width(), 64);
    EXPECT_NEAR(print.height(), 64 * 85 / 96, 1);
    const QImage face = row(6)->icon(0).pixmap(QSize(64, 64)).toImage();
    ASSERT_FALSE(face.isNull());
    const QRgb centre = face.pixel(face.width() / 2, face.height() / 2);
    EXPECT_GT(qRed(centre), 180);
    EXPECT_LT(qGreen(centre), 80);
}

TEST_F(RecordsPanelTest, ChoosingARowShowsItsPictureAndFields) {
    m_window.load(writeCase());
    ASSERT_NE(list(), nullptr);

    choose(4);
    ASSERT_NE(m_window.currentPixmap(), nullptr);
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(96, 85));
    EXPECT_EQ(statusText(m_window),
              "Image info: width = 96, height =  85, dpi = 500, depth = 8, record = 4 (Type-4, "
              "Left index finger), compression = WSQ20");
    EXPECT_EQ(fieldGroups(), QStringList({"Record 1: Type-1 Transaction information",
                                          "Record 2: Type-2 Descriptive text",
                                          "Record 4: Type-4 High-resolution grey fingerprint"}));
    // The binary record's fields, its image data as its length.
    ASSERT_NE(fieldRow("4.009"), nullptr);
    EXPECT_EQ(fieldRow("4.009")->text(1), "DATA");
    EXPECT_EQ(fieldRow("4.009")->text(2),
              QStringLiteral("<%1 bytes>").arg(m_case.secondPrintBytes));
    ASSERT_NE(fieldRow("4.006"), nullptr);
    EXPECT_EQ(fieldRow("4.006")->text(1), "HLL");
    EXPECT_EQ(fieldRow("4.006")->text(2), "96");

    choose(6);
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(24, 20));
    EXPECT_TRUE(statusText(m_window).contains("record = 6 (Type-10), compression = JPEGB"))
        << statusText(m_window).toStdString();
    const QRgb centre = m_window.currentPixmap()->toImage().pixel(12, 10);
    EXPECT_GT(qRed(centre), 180);
    ASSERT_NE(fieldRow("10.999"), nullptr);
    EXPECT_TRUE(fieldRow("10.999")->text(2).startsWith("<"))
        << fieldRow("10.999")->text(2).toStdString();
    EXPECT_EQ(fieldRow("10.012")->text(1), "CSP");

    choose(5);
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(40, 30));
    EXPECT_TRUE(statusText(m_window).contains("dpi = 1000"));

    // A record without a picture shows its fields and leaves the picture as it was.
    const QString status = statusText(m_window);
    choose(2);
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(40, 30));
    EXPECT_EQ(statusText(m_window), status);
    EXPECT_EQ(fieldGroups(), QStringList({"Record 1: Type-1 Transaction information",
                                          "Record 2: Type-2 Descriptive text"}));
    ASSERT_NE(fieldRow("2.018"), nullptr);
    EXPECT_EQ(fieldRow("2.018")->text(2), QString::fromUtf8("Zoë Ødegård"));
    EXPECT_EQ(fieldRow("2.030")->text(2), "A / B | C / D");
    EXPECT_EQ(fieldRow("2.002")->text(1), "IDC");
    EXPECT_EQ(fieldRow("2.002")->text(2), "00");
    EXPECT_EQ(fieldRow("1.002")->text(1), "VER");
    EXPECT_EQ(fieldRow("1.002")->text(2), "0502");
    EXPECT_TRUE(fieldRow("1.003")->text(2).startsWith("1 / 5 | 2 / 00 | 4 / 01"))
        << fieldRow("1.003")->text(2).toStdString();

    // Copy and zoom work on the chosen picture as on any other.
    choose(3);
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(91, 85));
    ASSERT_TRUE(QMetaObject::invokeMethod(&m_window, "copyPicture"));
    EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(91, 85));
    ASSERT_TRUE(QMetaObject::invokeMethod(&m_window, "zoomIn"));
    EXPECT_GT(m_window.shownWidth(), 91);

    // A page shown by the window itself is the panel's current row.
    ASSERT_TRUE(m_window.showPage(3));
    EXPECT_EQ(list()->currentItem(), row(6));
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(24, 20));
}

TEST_F(RecordsPanelTest, OtherFilesAndFailedLoadsHideThePanel) {
    QAction* entry = menuEntry(m_window, "Records panel");
    ASSERT_NE(entry, nullptr);
    m_window.load(writeCase());
    ASSERT_NE(panel(), nullptr);
    EXPECT_TRUE(panel()->isVisible());
    EXPECT_TRUE(entry->isChecked());

    const QString png = m_dir.filePath("plain.png");
    ASSERT_TRUE(viewertest::patternImage(30, 20).save(png));
    m_window.load(png);
    EXPECT_FALSE(panel()->isVisible());
    EXPECT_FALSE(entry->isChecked());
    EXPECT_EQ(list()->topLevelItemCount(), 0);
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(30, 20));

    // Back again for the next transaction, and away after a load that ended in a box.
    m_window.load(m_dir.filePath("case.2024.eft"));
    EXPECT_TRUE(panel()->isVisible());
    EXPECT_EQ(list()->topLevelItemCount(), 6);
    {
        testsupport::ModalWatcher watcher;
        m_window.load(write("notes.xyz", "nothing"));
        EXPECT_EQ(watcher.seen().size(), 1);
    }
    EXPECT_FALSE(panel()->isVisible());
    EXPECT_EQ(list()->topLevelItemCount(), 0);
}

TEST_F(RecordsPanelTest, ViewMenuEntryComesAfterTheDesignedOneAndTogglesThePanel) {
    QStringList viewEntries;
    for (QAction* action : menuTitled(m_window, "&View")->actions()) viewEntries << action->text();
    // The designed entry first, this one right after it; later features follow.
    EXPECT_EQ(viewEntries.mid(0, 2), QStringList({"Show zoom toolbar", "Records panel"}));

    QAction* entry = menuEntry(m_window, "Records panel");
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->isCheckable());
    EXPECT_FALSE(entry->isChecked());
    ASSERT_NE(panel(), nullptr);
    EXPECT_FALSE(panel()->isVisible());

    m_window.load(writeCase());
    EXPECT_TRUE(panel()->isVisible());
    entry->trigger();
    EXPECT_FALSE(panel()->isVisible());
    EXPECT_FALSE(entry->isChecked());
    entry->trigger();
    EXPECT_TRUE(panel()->isVisible());
    EXPECT_TRUE(entry->isChecked());
    // Its list survived the hiding.
    EXPECT_EQ(list()->topLevelItemCount(), 6);

    // The dock's own close button unchecks the entry.
    panel()->close();
    EXPECT_FALSE(panel()->isVisible());
    EXPECT_FALSE(entry->isChecked());
}

TEST_F(RecordsPanelTest, LargeTransactionsMakeThumbnailsOnlyForRowsInSight) {
    testsupport::TransactionWriter writer("0502");
    std::vector<uint8_t> raw(size_t(16) * 16, 0x60);
    for (int i = 0; i < 60; ++i)
        writer.addFrictionRidge(14, i % 100, 0, {1}, 16, 16, 500, "NONE", 8, raw);
    const std::vector<uint8_t> bytes = writer.bytes();
    m_window.load(write("many.eft", bytesOf(bytes)));
    ASSERT_NE(list(), nullptr);
    ASSERT_EQ(list()->topLevelItemCount(), 61);

    EXPECT_TRUE(QTest::qWaitFor([&] { return hasThumbnail(2); }));
    QTest::qWait(50);
    EXPECT_FALSE(hasThumbnail(61));
    list()->scrollToBottom();
    EXPECT_TRUE(QTest::qWaitFor([&] { return hasThumbnail(61); }));
}

TEST_F(RecordsPanelTest, RecordsThatStopShortSaySoInALastRow) {
    const std::vector<uint8_t> whole = caseFile().bytes;
    // The face record loses its end.
    const std::vector<uint8_t> cut(whole.begin(), whole.end() - 40);
    m_window.load(write("cut.eft", bytesOf(cut)));
    ASSERT_NE(list(), nullptr);
    ASSERT_EQ(list()->topLevelItemCount(), 6);
    QTreeWidgetItem* last = list()->topLevelItem(5);
    EXPECT_EQ(last->text(1), "(the records stop here)");
    EXPECT_FALSE(last->text(8).isEmpty());
    EXPECT_EQ(last->flags(), Qt::NoItemFlags);
}

}  // namespace

// The viewer's one main window: menus, zoom tool bar, status bar and a scroll view with the
// picture. Loading, saving, the view and the converter are spread over files named
// wsqimageviewer_<part>.cpp; this header is the whole class.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QMainWindow>
#include <QPixmap>
#include <QString>
#include <memory>

#include "view_transform.h"

class QAction;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QMenu;
class QScrollArea;
class QToolBar;
class ImageLabel;
class ConvertWindow;
class RecordsPanel;
class FactsPanel;
class ComparePane;
class QSplitter;
class QLabel;
class WSQFileWindow;
namespace document {
struct Document;
struct SaveResult;
enum class FolderStep;
}  // namespace document

class wsqimageviewer : public QMainWindow {
    Q_OBJECT

public:
    wsqimageviewer();
    ~wsqimageviewer() override;

    // 1: the next WSQ save shows the WSQ properties window; any other value: it takes that
    // window's current field values silently. Set by every caller before a save.
    int m_interactiveSave = 1;

    // What the view shows; read by tests and by the converter.
    const QPixmap* currentPixmap() const { return m_pixmap.get(); }
    int shownWidth() const { return m_shownWidth; }
    int shownHeight() const { return m_shownHeight; }
    const QString& fileName() const { return m_fileName; }
    const QString& savedFileName() const { return m_savedFileName; }
    // Whether the last save wrote its file (false after a cancelled or failed one).
    bool lastSaveWritten() const { return m_lastSaveWritten; }

    // The pictures of the file last loaded: one for most files, one per image record of a
    // transaction (0 after a load that ended in a box).
    int pageCount() const;
    // The transaction record page `page` shows (from 1); 0 for other files.
    int pageRecord(int page) const;
    // Shows page `page` as the current picture, with its status line; decodes it first if
    // it was not yet. False when there is no such page.
    bool showPage(int page);

    // Puts a file the user opened (not one the converter runs through) first in the recent
    // files, once it loaded.
    void rememberRecentFile(const QString& fileName);
    // Shows `fileName` in a pane beside the main view (a comparison); false, after a box,
    // when there is no main picture or the file holds none.
    bool compareWith(const QString& fileName);

public slots:
    void load(const QString& fileName);
    void save(const QString& fileName, int file_type);

private slots:
    void choose_load();
    void choose_save();
    void about();
    void editMenuAction();
    void copyPicture();
    void pastePicture();
    void showZoomToolbar();
    void fileConverter();
    void zoomIn();
    void zoomOut();
    void zoomFit();
    void zoomOriginal();
    // Shows the picture of a transaction's image record (from 1); the records panel's choice.
    void showRecord(int record);

protected:
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    // Drag and drop (wsqimageviewer_drag.cpp).
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    // Loads a file the person chose (the Open dialog, a drop) and enables Save and Copy.
    void open(const QString& fileName);
    // Starts a drag out with the shown file's URL once a drag of the picture leaves the view;
    // true when it did (wsqimageviewer_drag.cpp).
    bool dragOut(QMouseEvent* e);
    void buildZoomToolbar();
    void buildMenus();
    // The records panel and its View menu entry (wsqimageviewer_records.cpp).
    void buildRecordsPanel();
    // Lists the records of a transaction in the panel and shows it; hides it for other files
    // and after a load that failed (null).
    void showRecordsOf(const document::Document* doc);
    // Gives the panel its share of the window once the window has its size.
    void fitRecordsPanel(int triesLeft);
    // Creates m_wsqFileWindow (wsqimageviewer_save.cpp).
    void createWsqFileWindow();
    // The WSQ branch of save (wsqimageviewer_save.cpp): asks for the settings, writes the file,
    // says whether it wrote it (a failure has shown its warning box).
    bool saveWsq(const QString& fileName);
    // Shows the warning box of a failed save of the other types.
    void warnSaveFailed(const document::SaveResult& result, const QString& outputName);
    // What the raster library's designed read leaves behind for later saves.
    void keepLibraryReadSettings(const document::Document& doc);
    // The common end of every load branch: the current image is shown at full size.
    void showLoadedPixmap();
    // Puts a picture into the label and sizes the label to it, at least to the view.
    void showPicture(const QPixmap& picture);
    void fitImageLabelToView();
    void resizeShown(int width, int height);

    // Added beside the designed window, each in wsqimageviewer_<feature>.cpp: the facts panel,
    // folder browsing with recent files, the pixel readout, crisp zoom,
    // physical size, view transforms and the
    // comparison.
    void buildFactsPanel();
    void showFactsOf(const document::Document* doc);
    void showSavedWsqFacts();
    void buildFolderBrowsing();
    void stepFolder(document::FolderStep step);
    void openBrowsed(const QString& fileName);
    void rebuildRecentFilesMenu();
    void buildPixelReadout();
    void updatePixelReadout(QPoint labelPoint);
    // The resolution of the picture shown, -1 when unknown (also for a picture pasted since).
    int shownPictureResolution() const;
    void buildSmoothScalingToggle();
    bool smoothScaling() const;
    // `source` at `size` for the view: smooth, or repeated pixels when enlarged without smoothing.
    QPixmap scaledForView(const QPixmap& source, QSize size) const;
    void buildPhysicalSize();
    void zoomPhysical();
    void calibrateScreen();
    // The screen's pixels per inch: the calibrated value, else what the screen reports.
    double screenPpi() const;
    void buildViewTransforms();
    void changeViewTransform(void (document::ViewTransform::*change)());
    // A new picture (a load, a paste) is shown as it is.
    void resetViewTransform();
    void updateTransformTitle();
    // True when the picture is shown as the file has it, or the user agrees to save it as shown.
    bool confirmTransformedSave();
    // A damaged file's notice in the status bar (wsqimageviewer_damage.cpp): says that the
    // file is damaged and why for a while, then gives the summary line back.
    void buildDamageNotice();
    void noticeDamage(const document::Document& doc);
    void buildComparison();
    bool comparing() const;
    bool viewsLinked() const;
    void chooseCompareFile();
    void startComparison();
    void closeComparison();
    void closeMainPicture();
    void swapComparedPictures();
    void saveComparedPicture();
    void paneZoomed(double factor);
    void comparisonFollowMain();

    QMenu* m_fileMenu = nullptr;
    QAction* m_openAction = nullptr;
    QAction* m_saveAction = nullptr;
    QMenu* m_editMenu = nullptr;
    QAction* m_copyAction = nullptr;
    QAction* m_pasteAction = nullptr;
    QMenu* m_viewMenu = nullptr;
    RecordsPanel* m_recordsPanel = nullptr;
    QAction* m_recordsPanelAction = nullptr;
    QString m_fileName;
    // The file whose picture is shown, for a drag out; empty after a failed load or a paste.
    QString m_dragOutFile;
    QString m_savedFileName;
    ImageLabel* m_imageLabel = nullptr;
    QToolBar* m_zoomToolbar = nullptr;
    std::unique_ptr<QPixmap> m_pixmap;
    // The file last loaded, for its other pages.
    std::unique_ptr<document::Document> m_document;
    int m_shownHeight = 0;
    int m_shownWidth = 0;
    ConvertWindow* m_convertWindow = nullptr;
    WSQFileWindow* m_wsqFileWindow = nullptr;
    bool m_dragLeft = false;
    bool m_dragRight = false;
    bool m_dragTop = false;
    bool m_dragBottom = false;
    QScrollArea* m_scrollView = nullptr;
    int m_lastMouseX = 0;
    int m_lastMouseY = 0;
    QAction* m_zoomToolbarAction = nullptr;
    bool m_wsqSaveAccepted = false;
    // The comment last handed to the WSQ encoder; null at start.
    QByteArray m_commentText;
    // Whether the last save wrote its file; the Save command reports success only then.
    bool m_lastSaveWritten = false;

    // The page of m_document shown now.
    int m_shownPage = 0;
    // Its resolution in pixels per inch; -1 when unknown.
    int m_shownPpi = -1;
    // The damage notice shown now, and the status line it covers; empty when there is none.
    QString m_damageNotice;
    QString m_summaryUnderNotice;
    FactsPanel* m_factsPanel = nullptr;
    QAction* m_factsPanelAction = nullptr;
    QAction* m_keepZoomAction = nullptr;
    QMenu* m_recentFilesMenu = nullptr;
    QAction* m_recentFilesSeparator = nullptr;
    QLabel* m_pixelReadout = nullptr;
    QAction* m_smoothScalingAction = nullptr;
    // How the shown picture (m_pixmap) differs from the one loaded or pasted.
    document::ViewTransform m_viewTransform;
    // A comparison widens the window to at least twice this.
    static constexpr int kComparisonSideWidth = 480;
    QSplitter* m_compareSplitter = nullptr;
    QLabel* m_mainFacts = nullptr;
    ComparePane* m_comparePane = nullptr;
    QAction* m_linkViewsAction = nullptr;
    QAction* m_swapAction = nullptr;
    QAction* m_closeCompareAction = nullptr;
    // Set while one view passes a change on to the other.
    bool m_linking = false;
    // The shown page as an image, for the readout; refreshed when the pixmap changes.
    QImage m_readoutImage;
    qint64 m_readoutKey = 0;
    bool m_readoutGrey = true;
};

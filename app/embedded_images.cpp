#include "embedded_images.h"

#include <QFile>
#include <QTextDocument>
#include <QUrl>
#include <QVariant>

namespace {

// clang-format off
const char* const kFileOpenXpm[] = {
    "16 13 5 1",
    ". c None",
    "# c #000000",
    "a c #ffffa0",
    "b c #e0b030",
    "c c #806000",
    ".....####.......",
    "....#aaaa#......",
    "...#aaaaaa######",
    "...#abbbbbbbbbb#",
    "...#ab#########c",
    "...#a#bbbbbbbbb#",
    "...#a#bbbbbbbb#c",
    "...##bbbbbbbbb#c",
    "...##bbbbbbbb#cc",
    "...#bbbbbbbbb#c.",
    "...############c",
    "....cccccccccccc",
    "................",
};

const char* const kDiskXpm[] = {
    "14 14 4 1",
    ". c None",
    "# c #000000",
    "a c #4060c0",
    "b c #ffffff",
    "##############",
    "#a#bbbbbbbb#a#",
    "#a#bbbbbbbb#a#",
    "#a#bbbbbbbb#a#",
    "#a#bbbbbbbb#a#",
    "#a##########a#",
    "#aaaaaaaaaaaa#",
    "#aaaaaaaaaaaa#",
    "#aaa######aaa#",
    "#aaa#bb###aaa#",
    "#aaa#bb###aaa#",
    "#aaa#bb###aaa#",
    ".#############",
    "..............",
};
// clang-format on

const QString kCollectionPrefix = QStringLiteral(":/images/");

}  // namespace

// Pulls the compiled-in collection out of the static viewer library; must stay outside any
// namespace.
static void initialiseResources() {
    Q_INIT_RESOURCE(resources);
}

void registerEmbeddedImages() {
    static const bool registered = [] {
        initialiseResources();
        QTextDocument::setDefaultResourceProvider([](const QUrl& url) -> QVariant {
            const QString name = url.toString();
            if (name == QLatin1String("fileopen")) return fileOpenIcon();
            const QPixmap pixmap = embeddedPixmap(name);
            if (!pixmap.isNull()) return pixmap;
            return {};
        });
        return true;
    }();
    (void)registered;
}

QPixmap embeddedPixmap(const QString& name) {
    registerEmbeddedImages();
    // A name with a path separator could reach outside the collection.
    if (name.isEmpty() || name.contains(QLatin1Char('/'))) return {};
    const QString path = kCollectionPrefix + name;
    if (!QFile::exists(path)) return {};
    return QPixmap(path);
}

QPixmap fileOpenIcon() {
    return QPixmap(kFileOpenXpm);
}

QPixmap diskIcon() {
    return QPixmap(kDiskXpm);
}

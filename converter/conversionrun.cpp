#include "conversionrun.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace conversion {

namespace {

constexpr QDir::SortFlags kByNameIgnoringCase = QDir::Name | QDir::IgnoreCase;

void collectTree(const QString& dir, const QStringList& patterns, QStringList* files,
                 QSet<QString>* visited) {
    const QString path = withTrailingSlash(dir);
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (!canonical.isEmpty()) {
        if (visited->contains(canonical)) return;
        visited->insert(canonical);
    }
    collectFiles(path, patterns, files);
    const QStringList subdirs = QDir(path).entryList(
        {QStringLiteral("*")}, QDir::Dirs | QDir::NoDotAndDotDot, kByNameIgnoringCase);
    for (const QString& name : subdirs) collectTree(path + name, patterns, files, visited);
}

}  // namespace

QString withTrailingSlash(const QString& dir) {
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

void collectFiles(const QString& dir, const QStringList& patterns, QStringList* files) {
    const QString path = withTrailingSlash(dir);
    QStringList filters;
    // An entry may hold several patterns, separated by spaces ("*.eft *.an2 ...").
    for (const QString& p : patterns) filters << p.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    // An empty filter list would let QDir take every file; no ticked type takes none.
    if (filters.isEmpty()) return;
    const QStringList names = QDir(path).entryList(
        filters, QDir::Files | QDir::NoDotAndDotDot | QDir::CaseSensitive, kByNameIgnoringCase);
    for (const QString& name : names) files->append(path + name);
}

void collectFilesRecursive(const QString& dir, const QStringList& patterns, QStringList* files) {
    QSet<QString> visited;
    collectTree(dir, patterns, files, &visited);
}

QString outputBaseName(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

int progressPercent(int count, int total) {
    if (total <= 0) return 100;
    const long double quotient = static_cast<long double>(count) / static_cast<long double>(total);
    return static_cast<int>(quotient * 100.0L);
}

}  // namespace conversion

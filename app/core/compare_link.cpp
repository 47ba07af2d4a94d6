#include "compare_link.h"

#include <QFileInfo>
#include <cmath>

namespace document {

double linkedZoomFactor(double factor, int firstPpi, int secondPpi) {
    if (firstPpi > 0 && secondPpi > 0) return factor * firstPpi / secondPpi;
    return factor;
}

int linkedScrollValue(int value, int minimum, int maximum, int otherMin, int otherMax) {
    if (maximum <= minimum) return otherMin;
    const double fraction = double(value - minimum) / double(maximum - minimum);
    return otherMin + int(std::lround(fraction * (otherMax - otherMin)));
}

QString paneFactsLine(const Document& doc, int ppi, QSize picture, QSize shown) {
    QString line = QFileInfo(doc.fileName).fileName() + QStringLiteral("  ") + doc.format +
                   QStringLiteral(" %1 x %2").arg(picture.width()).arg(picture.height());
    line += ppi > 0 ? QStringLiteral(", %1 ppi").arg(ppi) : QStringLiteral(", resolution unknown");
    if (picture.width() > 0)
        line +=
            QStringLiteral("  zoom %1%").arg(std::lround(100.0 * shown.width() / picture.width()));
    if (!doc.damage.isEmpty()) line += QStringLiteral("  damaged file: ") + doc.damage;
    return line;
}

}  // namespace document

#include "natural_order.h"

namespace document {

namespace {

// -1, 0 or 1 as the digit runs a[ia, ea) and b[ib, eb) compare by value. Leading zeros do
// not count, so the runs may be of any length without overflow.
int compareDigitRuns(const QString& a, qsizetype ia, qsizetype ea, const QString& b, qsizetype ib,
                     qsizetype eb) {
    while (ia < ea - 1 && a[ia] == QLatin1Char('0')) ++ia;
    while (ib < eb - 1 && b[ib] == QLatin1Char('0')) ++ib;
    if (ea - ia != eb - ib) return ea - ia < eb - ib ? -1 : 1;
    for (; ia < ea; ++ia, ++ib)
        if (a[ia] != b[ib]) return a[ia] < b[ib] ? -1 : 1;
    return 0;
}

}  // namespace

bool naturalLess(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit()) ++ei;
            while (ej < b.size() && b[ej].isDigit()) ++ej;
            if (const int c = compareDigitRuns(a, i, ei, b, j, ej); c != 0) return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        const QChar ca = a[i].toCaseFolded(), cb = b[j].toCaseFolded();
        if (ca != cb) return ca < cb;
        ++i;
        ++j;
    }
    if ((i < a.size()) != (j < b.size())) return i >= a.size();  // a prefix sorts first
    return a < b;
}

}  // namespace document

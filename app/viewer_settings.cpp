#include "viewer_settings.h"

#include <QSettings>

namespace viewersettings {

namespace {

QSettings store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tarvelon"),
                     QStringLiteral("wsqviewer"));
}

}  // namespace

QVariant value(const char* key, const QVariant& fallback) {
    return store().value(QLatin1String(key), fallback);
}

void setValue(const char* key, const QVariant& v) {
    store().setValue(QLatin1String(key), v);
}

}  // namespace viewersettings

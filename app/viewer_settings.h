// The viewer's remembered settings (QSettings, organisation "Tarvelon", application
// "wsqviewer"). The designed window has none; every key belongs to a feature added beside it.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

namespace viewersettings {

inline constexpr char kFactsPanel[] = "view/factsPanel";           // bool, off at first start
inline constexpr char kSmoothScaling[] = "view/smoothScaling";     // bool, on at first start
inline constexpr char kKeepZoom[] = "browse/keepZoomAndPosition";  // bool, off at first start
inline constexpr char kScreenPpi[] = "view/screenPpi";        // double; 0 or none: the screen's
inline constexpr char kLinkViews[] = "compare/linkViews";     // bool, on at first start
inline constexpr char kRecentFiles[] = "browse/recentFiles";  // list of absolute paths

QVariant value(const char* key, const QVariant& fallback);
void setValue(const char* key, const QVariant& value);

}  // namespace viewersettings

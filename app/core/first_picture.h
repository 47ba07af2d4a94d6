// The picture a folder opens as, when a folder is dropped on the window.
#pragma once

#include <QString>

namespace document {

// The first file of `folder` (not of its subfolders), by name in any case, whose name a reader
// takes (format_registry.h); empty when there is none or the folder cannot be listed.
QString firstPictureIn(const QString& folder);

}  // namespace document

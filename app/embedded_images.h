// The pictures carried inside the program, looked up by name, and the two icons built from
// XPM text. Rich text (the tool buttons' what's-this help) finds the collection and the
// open-folder icon, under the name "fileopen", through the process-wide resource provider
// that registerEmbeddedImages installs.
#pragma once

#include <QPixmap>
#include <QString>

// Makes the collection available; safe to call more than once.
void registerEmbeddedImages();

// The picture of that name from the collection; a null pixmap for any other name.
QPixmap embeddedPixmap(const QString& name);

// The 16 x 13, five-colour open-folder icon and the 14 x 14, four-colour disk icon.
QPixmap fileOpenIcon();
QPixmap diskIcon();

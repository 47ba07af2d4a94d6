// What one branch of the main window's load hands back: the picture and the texts to show.
#pragma once

#include <QImage>
#include <QString>

struct ImageLoadResult {
    // False while the reader for this kind of file is not part of the program: the window
    // then shows no picture and puts statusLine into the status bar.
    bool available = true;
    // Non-empty: the load ends without a current image after a critical "WSQ viewer" box
    // with this text.
    QString errorText;
    // The decoded picture. A null image is kept and shown as an empty (0 x 0) picture, as
    // for a file whose content could not be decoded.
    QImage image;
    // The status bar's permanent line; empty leaves the status bar as it is.
    QString statusLine;
};

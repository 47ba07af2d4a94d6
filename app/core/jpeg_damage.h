// Whether a JPEG file holds the whole of its picture. Qt's JPEG reader shows what libjpeg made
// of a damaged file: broken or missing entropy-coded data come out grey, and libjpeg says so
// only in a warning ("Corrupt JPEG data: premature end of data segment"); a progressive file
// cut between two scans comes out blurred without any word. The warnings and the file's end
// marker together tell the difference.
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <span>

// "the file ends before its end-of-image marker" when the markers, segments and entropy-coded
// data run up to the end of the file without one; otherwise (or for bytes that are no JPEG
// file) an empty text.
QString jpegDamage(std::span<const uint8_t> bytes);

// True for a libjpeg warning that means pixels were lost or made up: corrupt or missing
// entropy-coded data, a broken progression. Stray bytes between segments, a broken colour
// profile and the like leave the picture as it is.
bool jpegMessageMeansDamage(QStringView message);

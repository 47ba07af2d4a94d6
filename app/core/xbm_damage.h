// Whether an XBM file holds every byte of its picture. Qt's XBM reader shows a file cut short
// as a whole picture whose missing rows are blank, and says nothing.
#pragma once

#include <QString>

#include <cstdint>
#include <span>

// What is missing from an XBM file, or an empty text when its array holds a byte for every
// eight pixels of every row (or when the bytes have no width, height and array; then Qt
// decides). Every "0x" item of the array counts as one byte, as Qt reads them.
QString xbmDamage(std::span<const uint8_t> bytes);

// Whether a plain (text) PGM or PPM file holds the whole of its last sample. Qt's netpbm reader
// takes a number that the end of the file cuts short ("25" of "255") as a whole one; the format
// puts white space after every sample, so a file that ends right after one was cut.
#pragma once

#include <QString>

#include <cstdint>
#include <span>

// What is missing from a plain PGM (P2) or PPM (P3) file, or an empty text when every sample
// its header counts is there with the white space after it (or when the bytes are no plain PGM
// or PPM file: Qt refuses raw files cut short, and plain PBM samples are single digits).
QString pnmDamage(std::span<const uint8_t> bytes);

// --extract: every picture of a transaction written as it is stored, one file a record.
#pragma once

#include <QString>
#include <QStringList>

namespace wsqconvert {

struct ExtractResult {
    QStringList written;   // "NAME (Type-T, positions, N ppi)" for each file written
    QStringList failures;  // "FILE: reason" for each record or file that failed
};

// Writes each image record's stored stream unchanged into `outputDir` as
// BASE-N-TYPE-POSITION.EXT (BASE the file's name up to its first ".", N the record, POSITION
// its first position code, left out when it has none): .wsq, .jpg, .jp2 or .j2k, .png; raw
// pictures as binary PGM (grey) or PPM (RGB) with their resolution in a comment. Each file is
// written whole or not at all.
ExtractResult extractRecords(const QString& fileName, const QString& outputDir);

}  // namespace wsqconvert

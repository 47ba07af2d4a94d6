// Which reader a file goes to, decided by its extension, lower-cased: the complete extension
// (everything after the first "." of the file name) when it names a type, otherwise the last
// one. So FLAT.WSQ, john.doe.wsq and scan.r0.75.wsq go to the WSQ reader, and scan.wsq.bak
// goes to none.
#pragma once

#include <QString>

enum class LoadBranch { Wsq, Toolkit, RasterLibrary, None };

QString completeExtension(const QString& fileName);
// The extension that decided the branch (the complete one when neither names a type).
QString dispatchExtension(const QString& fileName);
LoadBranch loadBranchForFileName(const QString& fileName);

// Which reader a file goes to, decided by its lower-cased complete extension: everything
// after the first "." of the file name, so scan.old.wsq has the extension old.wsq.
#pragma once

#include <QString>

enum class LoadBranch { Wsq, Toolkit, RasterLibrary, None };

QString completeExtension(const QString& fileName);
LoadBranch loadBranchForFileName(const QString& fileName);

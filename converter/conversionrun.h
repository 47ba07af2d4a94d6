// The parts of a conversion run that need no window: which files a run takes, in which order,
// under which output name, and the percentage shown after each file.
#pragma once

#include <QString>
#include <QStringList>

namespace conversion {

// `dir` with a "/" at its end (unchanged when it already has one).
QString withTrailingSlash(const QString& dir);

// Appends dir/name for every regular file directly in `dir` whose name matches one of the
// wildcard `patterns` (case-sensitive, so "*.wsq" does not take IMG.WSQ; one entry may hold
// several patterns separated by spaces), sorted by name
// ignoring case. Hidden files are left out; no patterns take no files.
void collectFiles(const QString& dir, const QStringList& patterns, QStringList* files);

// collectFiles for `dir`, then the same for each of its subdirectories (not hidden ones), in the
// same order, depth first: a directory's own files come before those of its subdirectories.
// A directory reached a second time (through a link back up the tree) is not walked again.
void collectFilesRecursive(const QString& dir, const QStringList& patterns, QStringList* files);

// The output name of an input file before the save appends its extension: the file name up to
// its first ".".
QString outputBaseName(const QString& path);

// The percentage after `count` of `total` files: the quotient in extended precision, times 100,
// truncated (the 53rd of 100 files gives 52). 100 when total is 0.
int progressPercent(int count, int total);

}  // namespace conversion

// The files of a folder the viewer can open, in natural order, and stepping through them.
#pragma once

#include <QString>
#include <QStringList>

namespace document {

// The absolute paths of the regular files in `folder` whose names a reader takes
// (readableTypeForFileName), in natural order of their names. Empty for a missing folder.
QStringList openableFilesIn(const QString& folder);

// Where a step lands in `files` from `current`: Next and Previous move one file and stop at
// the ends (no wrapping); First and Last go to the ends. A current file that is not in the list
// (deleted meanwhile) steps from the place its name would take. Empty when the step leads
// nowhere new.
enum class FolderStep { First, Previous, Next, Last };
QString steppedFile(const QStringList& files, const QString& current, FolderStep step);

}  // namespace document

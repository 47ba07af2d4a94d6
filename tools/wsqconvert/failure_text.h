// How wsqconvert words a failed load or save: one reason, after the file's name.
#pragma once

#include <QString>

#include "document.h"
#include "document_save.h"

namespace wsqconvert {

// "<what> (WSQ error <code>)", then ": " and the codec's line when it printed one.
QString wsqFailureText(const QString& what, int code, const QString& message);

// Why `fileName` cannot be converted before it is read: its type, or it is missing or a
// directory. Empty when it can be read.
QString inputProblem(const QString& fileName);
// The reason of a load that fell short ("cannot decode: ...").
QString loadFailureText(const document::Document& doc);
// The reason of a save that failed.
QString saveFailureText(const document::SaveResult& result);

}  // namespace wsqconvert

// The order people expect of file names: runs of digits compare by their value, so "print2"
// comes before "print10"; letters compare without regard to case.
#pragma once

#include <QString>

namespace document {

// True when `a` sorts before `b`. Names that differ only in case or in leading zeros are
// still told apart (by a plain comparison), so the order is strict and total.
bool naturalLess(const QString& a, const QString& b);

}  // namespace document

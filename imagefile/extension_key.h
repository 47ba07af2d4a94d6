// The key a file name is dispatched by: the text after its last "." (directory part included),
// cut to three characters and upper-cased. A name without "." has an empty key.
#pragma once

#include <string>

namespace imagefile {

std::string ExtensionKey(const char* name);

}  // namespace imagefile

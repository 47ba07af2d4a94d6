// What a general image tool prints: the resolution tests read Pillow's, tiffinfo's and
// ImageMagick's account of a file from their standard output.
#pragma once

#include <optional>
#include <string>

namespace testsupport {

// Runs a shell command and gives its standard output (its error output is dropped), or none
// when it could not be run or exited with a status other than 0.
std::optional<std::string> PeerOutput(const std::string& command);

}  // namespace testsupport

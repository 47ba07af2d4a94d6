// The synthesis filters a decoder builds from the DTT segment our encoder writes: the right
// halves of the analysis filters stored as scaled integers and read back as 32-bit floats.
#pragma once

#include "wsq/records.h"

namespace testsupport {

// One DTT tap written with the 32-bit scaled-integer rule and read back (the integer as a
// float, divided by ten once per scale step, a float after every division).
float dtt_tap_read_back(float tap);

// lofilt (7 taps) and hifilt (9 taps) with both defined flags set.
wsq::TransformTable synthesis_table_from_analysis_filters();

}  // namespace testsupport

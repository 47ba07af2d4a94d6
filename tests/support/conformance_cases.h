// The conformance cases of tests/data/conformance: each stream with the source picture it was
// encoded from and the settings it was encoded with (its decode is the stream's name with
// ".dec.png" for ".wsq").
#pragma once

namespace testsupport {

struct ConformanceCase {
    const char* stream;
    const char* source;
    float rate;
    int ppi;
    const char* comment;  // the comment of its own, or null
};

inline constexpr ConformanceCase kConformanceCases[] = {
    {"fp_416x416_s3_r0.75.wsq", "fp_416x416_s3.png", 0.75f, 500, nullptr},
    {"fp_101x81_s14_r2.25.wsq", "fp_101x81_s14.png", 2.25f, 500, nullptr},
    {"checker8_256x256_r1.0.wsq", "checker8_256x256.png", 1.0f, 500, nullptr},
    {"flat_256x256_128_r0.75.wsq", "flat_256x256_128.png", 0.75f, 500, nullptr},
    {"comment_plain_fp_417x300_s13_r0.75.wsq", "fp_417x300_s13.png", 0.75f, 500,
     "Scanned at booth 4, left index"},
};

}  // namespace testsupport

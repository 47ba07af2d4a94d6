// The WSQ encoder and the whole-file writer as the viewer's save reaches them.
#pragma once

#include <cstdint>
#include <vector>

// Returned while the codec's encoder or writer is not part of the program.
inline constexpr int kWsqCodecNotAvailable = -1000;

int encodeWsqForSave(std::vector<uint8_t>* odata, int* olen, float bitrate,
                     const uint8_t* grey, int w, int h, int ppi, const char* comment);
int writeWsqForSave(const char* path, const uint8_t* data, int length);

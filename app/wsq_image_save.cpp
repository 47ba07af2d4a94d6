// Stands in for the WSQ encoder and writer until the codec provides them.
#include "wsq_image_save.h"

int encodeWsqForSave(std::vector<uint8_t>*, int*, float, const uint8_t*, int, int, int,
                     const char*) {
    return kWsqCodecNotAvailable;
}

int writeWsqForSave(const char*, const uint8_t*, int) { return kWsqCodecNotAvailable; }

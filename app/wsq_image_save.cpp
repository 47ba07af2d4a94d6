// The WSQ encoder and writer as the viewer's save reaches them. The encoder is not part of the
// program yet.
#include "wsq_image_save.h"

#include "wsq/raw_file.h"

int encodeWsqForSave(std::vector<uint8_t>*, int*, float, const uint8_t*, int, int, int,
                     const char*) {
    return kWsqCodecNotAvailable;
}

int writeWsqForSave(const char* path, const uint8_t* data, int length) {
    return wsq::write_raw_from_memsize(path, data, length);
}

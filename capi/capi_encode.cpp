// wsq_encode: the codec's encoder behind the C API.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "capi/capi_error.h"
#include "libwsq/wsq.h"
#include "wsq/wsq.h"

namespace {

// The rates the encoder is asked for in practice run from about 0.5 to 3; far above, the
// quantizer's bins shrink below what its arithmetic resolves.
constexpr float kMostBitsPerPixel = 100.0f;

// The code encode_with_nistcom gives for a bad entry.
constexpr int kBadNistcomEntry = -17;

bool starts_with_nistcom(const char* comment) {
    static constexpr char kHeader[] = "NIST_COM";
    return comment != nullptr && std::strncmp(comment, kHeader, sizeof kHeader - 1) == 0;
}

}  // namespace

extern "C" {

int wsq_encode(const unsigned char* grey, int width, int height, float bitrate, int ppi,
               const char* comment, const wsq_nistcom_entry* nistcom, size_t nistcom_count,
               unsigned char** stream, size_t* stream_size, wsq_error* error) {
    return capi::guarded(error, [&] {
        if (grey == nullptr || stream == nullptr || stream_size == nullptr ||
            (nistcom == nullptr && nistcom_count != 0))
            return capi::fail(error, WSQ_ERROR_ARGUMENT, "wsq_encode: a null pointer argument");
        if (!std::isfinite(bitrate) || !(bitrate > 0.0f) || bitrate > kMostBitsPerPixel)
            return capi::fail(error, WSQ_ERROR_ARGUMENT,
                              "wsq_encode: the bit rate must be above 0 and at most 100");
        if (width <= 0 || height <= 0)
            return capi::fail(error, WSQ_ERROR_ARGUMENT,
                              "wsq_encode: width and height must be positive");
        std::vector<wsq::NistcomEntry> entries;
        for (size_t i = 0; i < nistcom_count; ++i) {
            if (nistcom[i].name == nullptr)
                return capi::fail(error, WSQ_ERROR_ARGUMENT,
                                  "wsq_encode: a NISTCOM entry without a name");
            wsq::NistcomEntry entry{nistcom[i].name, std::nullopt};
            if (nistcom[i].value != nullptr) entry.value = nistcom[i].value;
            entries.push_back(std::move(entry));
        }
        if (!entries.empty() && starts_with_nistcom(comment))
            return capi::fail(error, WSQ_ERROR_ARGUMENT,
                              "wsq_encode: NISTCOM entries given both as a list and as a "
                              "NIST_COM comment");

        const std::span<const uint8_t> pixels(
            grey, static_cast<size_t>(width) * static_cast<size_t>(height));
        wsq::DiagnosticCapture quiet(wsq::DiagnosticCapture::Echo::Off);
        wsq::Encoded encoded =
            entries.empty()
                ? wsq::encode(pixels, width, height, bitrate, ppi, comment)
                : wsq::encode_with_nistcom(pixels, width, height, bitrate, ppi, entries, comment);
        if (encoded.error.code == kBadNistcomEntry && !entries.empty())
            return capi::fail(error, WSQ_ERROR_ARGUMENT, encoded.error.text());
        if (encoded.error) return capi::fail(error, encoded.error);

        auto* bytes = static_cast<unsigned char*>(std::malloc(encoded.bytes.size()));
        if (bytes == nullptr)
            return capi::fail(error, WSQ_ERROR_MEMORY, "wsq_encode: out of memory");
        std::memcpy(bytes, encoded.bytes.data(), encoded.bytes.size());
        *stream = bytes;
        *stream_size = encoded.bytes.size();
        return capi::succeed(error);
    });
}

void wsq_free(void* stream) {
    std::free(stream);
}

}  // extern "C"

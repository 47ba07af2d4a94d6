// wsq_decode and wsq_read_facts: the codec's decoder and stream walk behind the C API.
#include <memory>
#include <span>

#include "capi/capi_error.h"
#include "capi/capi_facts.h"
#include "libwsq/wsq.h"
#include "wsq/wsq.h"

namespace {

// A result is its public struct with the storage behind it; the free calls cast back.
struct ImageResult : wsq_image {
    std::vector<uint8_t> pixel_bytes;
    capi::FactsStorage storage;
};

struct FactsResult : wsq_facts {
    capi::FactsStorage storage;
};

// The caller's bytes; a null pointer is taken only with size 0.
bool stream_span(const void* data, size_t size, std::span<const uint8_t>* out) {
    static const uint8_t kNothing = 0;
    if (data == nullptr && size != 0) return false;
    *out = std::span<const uint8_t>(data != nullptr ? static_cast<const uint8_t*>(data) : &kNothing,
                                    size);
    return true;
}

}  // namespace

extern "C" {

int wsq_decode(const void* data, size_t size, wsq_image** image, wsq_error* error) {
    return capi::guarded(error, [&] {
        std::span<const uint8_t> stream;
        if (image == nullptr || !stream_span(data, size, &stream))
            return capi::fail(error, WSQ_ERROR_ARGUMENT, "wsq_decode: a null pointer argument");
        wsq::DiagnosticCapture quiet(wsq::DiagnosticCapture::Echo::Off);
        wsq::Decoded decoded = wsq::decode(stream);
        if (decoded.error) return capi::fail(error, decoded.error);
        if (decoded.pixels.empty())
            return capi::fail(error, WSQ_ERROR_NO_PICTURE,
                              "wsq_decode: the stream holds no picture (no transform table ahead "
                              "of the first block)");
        auto result = std::make_unique<ImageResult>();
        result->pixel_bytes = std::move(decoded.pixels);
        result->pixels = result->pixel_bytes.data();
        result->size = result->pixel_bytes.size();
        result->storage.fill(&result->facts, decoded.facts, decoded.stream);
        *image = result.release();
        return capi::succeed(error);
    });
}

void wsq_image_free(wsq_image* image) {
    delete static_cast<ImageResult*>(image);
}

int wsq_read_facts(const void* data, size_t size, wsq_facts** facts, wsq_error* error) {
    return capi::guarded(error, [&] {
        std::span<const uint8_t> stream;
        if (facts == nullptr || !stream_span(data, size, &stream))
            return capi::fail(error, WSQ_ERROR_ARGUMENT, "wsq_read_facts: a null pointer argument");
        wsq::DiagnosticCapture quiet(wsq::DiagnosticCapture::Echo::Off);
        const wsq::StreamFacts found = wsq::inspect_stream(stream);
        if (found.header_stop != wsq::CommentWalkStop::FirstBlock)
            return capi::fail(error, found.header_error);
        if (!found.has_frame)
            return capi::fail(error, WSQ_ERROR_NO_FRAME,
                              "wsq_read_facts: no frame header ahead of the first block");
        auto result = std::make_unique<FactsResult>();
        result->storage.fill(result.get(), found.frame, found);
        *facts = result.release();
        return capi::succeed(error);
    });
}

void wsq_facts_free(wsq_facts* facts) {
    delete static_cast<FactsResult*>(facts);
}

}  // extern "C"

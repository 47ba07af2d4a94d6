#include "capi/capi_error.h"

#include <algorithm>
#include <cstring>

namespace capi {

int fail(wsq_error* error, int code, const std::string& message) {
    if (error != nullptr) {
        error->code = code;
        const std::string text =
            message.empty() ? "libwsq: failure " + std::to_string(code) : message;
        const size_t n = std::min(text.size(), sizeof error->message - 1);
        std::memcpy(error->message, text.data(), n);
        error->message[n] = '\0';
    }
    return code;
}

int fail(wsq_error* error, const wsq::Error& codec_error) {
    return fail(error, codec_error.code, codec_error.text());
}

int succeed(wsq_error* error) {
    if (error != nullptr) {
        error->code = 0;
        error->message[0] = '\0';
    }
    return 0;
}

}  // namespace capi

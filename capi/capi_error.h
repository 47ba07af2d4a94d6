// How the C API hands a failure to its caller: the code and the codec's line in wsq_error.
#pragma once

#include <string>

#include "libwsq/wsq.h"
#include "wsq/wsq.h"

namespace capi {

// Fills *error (when not null) and returns code.
int fail(wsq_error* error, int code, const std::string& message);
int fail(wsq_error* error, const wsq::Error& codec_error);
// Clears *error (when not null) and returns 0.
int succeed(wsq_error* error);

// Runs body(), turning an escaping exception into WSQ_ERROR_MEMORY, so that nothing unwinds
// into C code. body returns the call's code.
template <typename Body>
int guarded(wsq_error* error, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return fail(error, WSQ_ERROR_MEMORY, "libwsq: out of memory");
    }
}

}  // namespace capi

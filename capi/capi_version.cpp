// wsq_version and wsq_version_number: the release of the library actually loaded, which may be
// newer than the header a program was built with.
#include "libwsq/wsq.h"

#define WSQ_STRINGIFY2(x) #x
#define WSQ_STRINGIFY(x) WSQ_STRINGIFY2(x)

extern "C" {

const char* wsq_version(void) {
    return WSQ_STRINGIFY(WSQ_VERSION_MAJOR) "." WSQ_STRINGIFY(WSQ_VERSION_MINOR) "." WSQ_STRINGIFY(
        WSQ_VERSION_PATCH);
}

int wsq_version_number(void) {
    return WSQ_VERSION_MAJOR * 10000 + WSQ_VERSION_MINOR * 100 + WSQ_VERSION_PATCH;
}

}  // extern "C"

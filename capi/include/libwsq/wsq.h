/* libwsq: the WSQ fingerprint codec as a C library.
 *
 * WSQ (wavelet scalar quantization) stores 8-bit grey fingerprint pictures. This header is the
 * whole interface of libwsq.so.1; it is plain C99 and may be included from C++.
 *
 *   #include <libwsq/wsq.h>
 *   cc prog.c $(pkg-config --cflags --libs wsq)
 *
 * Conventions
 * - Every call that can fail returns 0 on success or a negative code, and fills the caller's
 *   wsq_error (which may be NULL) with the code and the codec's own one-line message. Nothing is
 *   written to standard error.
 * - Results are allocated by the library and released with the matching wsq_*_free call (or
 *   wsq_free for encoded streams). Outputs are written only on success.
 * - Re-entrant: the library keeps no process-wide state, so any number of threads may decode
 *   and encode at the same time, each getting exactly what a single thread would.
 */
#ifndef LIBWSQ_WSQ_H
#define LIBWSQ_WSQ_H

#include <stddef.h>

#if defined(__GNUC__) || defined(__clang__)
#define WSQ_API __attribute__((visibility("default")))
#else
#define WSQ_API
#endif

#define WSQ_VERSION_MAJOR 1
#define WSQ_VERSION_MINOR 0
#define WSQ_VERSION_PATCH 0

#ifdef __cplusplus
extern "C" {
#endif

/* Failure codes. The codec's own codes are small negative numbers (-2, -3, ... as the codec's
 * reading and writing steps return them); the library's own checks use the codes below. */
#define WSQ_ERROR_ARGUMENT (-1001)   /* a null pointer, a size out of range, a bad NISTCOM entry */
#define WSQ_ERROR_MEMORY (-1002)     /* the library could not allocate its result */
#define WSQ_ERROR_NO_PICTURE (-1003) /* the stream is readable but holds no picture */
#define WSQ_ERROR_NO_FRAME (-1004)   /* no frame header ahead of the first block */

#define WSQ_ERROR_MESSAGE_SIZE 256

typedef struct wsq_error {
    int code;                             /* 0 when the call succeeded */
    char message[WSQ_ERROR_MESSAGE_SIZE]; /* the codec's line, without newline; NUL-terminated,
                                             cut to fit; never empty after a failure */
} wsq_error;

/* One entry of a NISTCOM comment ("NAME value" per line). value is NULL for a name given
 * without a value. */
typedef struct wsq_nistcom_entry {
    const char* name;
    const char* value;
} wsq_nistcom_entry;

/* What a stream says about its picture. All strings are NUL-terminated UTF-8 or Latin-1 as the
 * file holds them, each comment up to its first zero byte, and live as long as their owner. */
typedef struct wsq_facts {
    int width, height; /* from the frame header */
    int depth;         /* always 8 */
    int ppi;           /* the NISTCOM PPI entry; -1 when the stream gives no resolution */
    int lossy;         /* always 1: WSQ is lossy */
    int encoder;       /* the frame header's WSQ encoder number */
    int software;      /* the frame header's software implementation number */
    size_t comment_count;
    const char* const* comments; /* every comment segment's text, in file order */
    int has_nistcom;             /* 1 when a NISTCOM comment stands ahead of the first block */
    size_t nistcom_count;
    const wsq_nistcom_entry* nistcom; /* the first NISTCOM comment's entries, in order */
} wsq_facts;

/* A decoded picture. */
typedef struct wsq_image {
    unsigned char* pixels; /* width x height grey bytes, the top row first, no padding */
    size_t size;           /* width x height */
    wsq_facts facts;
} wsq_image;

/* The library's version, "1.0.0", and as a number: major * 10000 + minor * 100 + patch. */
WSQ_API const char* wsq_version(void);
WSQ_API int wsq_version_number(void);

/* Decodes the WSQ stream data[0..size). On success *image receives the picture; release it
 * with wsq_image_free. A stream that decodes to no picture fails with WSQ_ERROR_NO_PICTURE. */
WSQ_API int wsq_decode(const void* data, size_t size, wsq_image** image, wsq_error* error);
WSQ_API void wsq_image_free(wsq_image* image);

/* Reads the facts ahead of the first coded block (and the comments of the whole stream)
 * without decoding. Fails with WSQ_ERROR_NO_FRAME when no frame header comes before the first
 * block, or with the reading step's code when a segment cannot be read. */
WSQ_API int wsq_read_facts(const void* data, size_t size, wsq_facts** facts, wsq_error* error);
WSQ_API void wsq_facts_free(wsq_facts* facts);

/* Encodes width x height grey bytes (the top row first) at `bitrate` bits per pixel (0.75 is
 * the usual rate for 500 ppi prints; 2.25 keeps more detail), with `ppi` in the NISTCOM comment
 * (-1 when unknown). Pictures are at least 81 x 81 pixels; the bit rate is above 0 and at most
 * 100.
 * - comment (may be NULL): a comment segment of its own. A text beginning with "NIST_COM" is
 *   read as NISTCOM text instead and merged into the NISTCOM comment, as the viewer does.
 * - nistcom / nistcom_count (may be NULL / 0): entries for the NISTCOM comment. Names are
 *   non-empty and hold no white space; values hold no line break. The entries the encoder writes
 *   itself (NIST_COM, PIX_WIDTH, PIX_HEIGHT, PIX_DEPTH, PPI, LOSSY, COLORSPACE, COMPRESSION,
 *   WSQ_BITRATE) take the encoder's values. Entries and a "NIST_COM" comment together fail
 *   with WSQ_ERROR_ARGUMENT.
 * On success *stream receives the stream (release it with wsq_free) and *stream_size its size. */
WSQ_API int wsq_encode(const unsigned char* grey, int width, int height, float bitrate, int ppi,
                       const char* comment, const wsq_nistcom_entry* nistcom, size_t nistcom_count,
                       unsigned char** stream, size_t* stream_size, wsq_error* error);
WSQ_API void wsq_free(void* stream);

#ifdef __cplusplus
}
#endif

#endif /* LIBWSQ_WSQ_H */

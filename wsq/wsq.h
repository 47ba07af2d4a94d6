// The WSQ codec as its callers see it: the fixed entry points with their return codes, and a
// small value API over them (inspect_stream, decode, encode, read_file, write_file) whose
// failures carry the codec's own sentence. Nothing else of wsq/ is for use outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "wsq/image_limits.h"

namespace wsq {

// ---- Fixed entry points: 0 or a negative code, after one "ERROR ..." line on standard error.

// Decodes a codestream held in memory. A stream without a transform table returns 0 with no
// pixels and width and height 0. Outputs are written only on success.
int wsq_decode_mem(std::vector<uint8_t>* odata, int* ow, int* oh, int* od, int* oppi,
                   int* lossyflag, int* oencoder, int* osoftware, const uint8_t* idata, int ilen);
// Encodes w x h grey bytes at r_bitrate bits per pixel; comment_text may be null.
int wsq_encode_1(std::vector<uint8_t>* odata, int* olen, float r_bitrate, const uint8_t* idata,
                 int w, int h, int d, int ppi, const char* comment_text);

// Size in bytes, or -2, -3, -4.
long filesize(const char* path);
int read_raw_from_filesize(const char* path, std::vector<uint8_t>* odata, int* olen);
// Never destroys an existing file: writes a temporary file beside it, then renames it.
int write_raw_from_memsize(const char* path, const uint8_t* data, int length);

// Where the walk over the segments ahead of the first block ended.
enum class CommentWalkStop {
    FirstBlock,     // reached the first SOB: every comment before it was read
    NoSoi,          // the stream does not start with SOI
    NoFirstMarker,  // no valid marker follows SOI
    SegmentFailed,  // a later marker or segment could not be read; earlier comments kept
};

// The comment texts ahead of the first block, in file order, the way the viewer and the raster
// library collect them. 0 when the walk reached the first block, otherwise the code of the read
// that stopped it; *ocomments always receives the comments read before that.
int read_comments_before_first_block(std::vector<std::string>* ocomments, const uint8_t* idata,
                                     int ilen, CommentWalkStop* ostop = nullptr);

// ---- Diagnostics

// The lines the codec writes on the calling thread while the capture lives (they still go to
// standard error as well). Captures may nest; each sees the lines written since it began.
class DiagnosticCapture {
public:
    // Echo::Off keeps the lines from standard error while the capture lives (for library
    // callers that report failures themselves); nested captures inside it are quiet too.
    enum class Echo { StandardError, Off };
    explicit DiagnosticCapture(Echo echo = Echo::StandardError);
    ~DiagnosticCapture();
    DiagnosticCapture(const DiagnosticCapture&) = delete;
    DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;

    // Every line, without its newline; warnings included.
    std::vector<std::string> lines() const;
    // The last error line (not a warning), or empty when the codec printed none.
    std::string last_error() const;

private:
    bool pending_is_new() const;
    bool m_quiet = false;
    size_t m_first = 0;
    unsigned long long m_completed = 0;
    size_t m_pending = 0;
};

// The last line the codec wrote on the calling thread, without its newline.
std::string last_diagnostic();

// ---- The value API

// A failure: the codec's code and the line it printed for it.
struct Error {
    int code = 0;         // 0 when nothing failed
    std::string message;  // without the newline; empty when the codec printed nothing
    explicit operator bool() const { return code != 0; }
    // The message, or "WSQ error <code>" when there is none; empty when nothing failed.
    std::string text() const;
};

// The facts wsq_decode_mem gives beside the pixels; the defaults are those of a failed decode.
struct ImageFacts {
    int width = 0, height = 0;      // of the frame header
    int depth = 8;                  // always 8
    int ppi = -1;                   // NISTCOM's PPI; -1: no resolution in the stream
    int lossy = 0;                  // 1 once decoded
    int encoder = 0, software = 0;  // the frame header's WSQ_encoder and Software
};

// One segment of a stream: its marker, the offset of the marker and its length from the marker
// on; a block's length covers its coded data up to the next marker.
struct Segment {
    uint16_t marker = 0;
    size_t offset = 0;
    size_t length = 0;
};

// "SOI", "EOI", "SOF", "SOB", "DTT", "DQT", "DHT", "DRT", "COM", or "?".
const char* marker_name(uint16_t marker);

struct NistcomEntry {
    std::string name;
    std::optional<std::string> value;
};

// What one walk over a stream finds, from SOI to EOI.
struct StreamFacts {
    // The frame header, when the walk met SOF ahead of the first block; ppi from NISTCOM.
    bool has_frame = false;
    ImageFacts frame;
    // Every comment text in file order (each up to its first zero byte); the first
    // header_comments of them stand ahead of the first block.
    std::vector<std::string> comments;
    size_t header_comments = 0;
    // The entries of the first NISTCOM comment ahead of the first block, in order.
    std::optional<std::vector<NistcomEntry>> nistcom;
    // The segments from SOI on, as far as they could be followed; segments_end says why they
    // stop short of a final EOI at the end of the data, and is empty when they do not.
    std::vector<Segment> segments;
    std::string segments_end;
    // How the walk ahead of the first block ended, and the read that stopped it.
    CommentWalkStop header_stop = CommentWalkStop::FirstBlock;
    Error header_error;
};

StreamFacts inspect_stream(std::span<const uint8_t> stream);

struct Decoded {
    Error error;                  // the decoder's failure, if any
    std::vector<uint8_t> pixels;  // width x height grey bytes; empty when there is no picture
    ImageFacts facts;             // as the decoder gives them; the defaults when it failed
    StreamFacts stream;           // inspect_stream of the same bytes
};

Decoded decode(std::span<const uint8_t> stream);

struct Encoded {
    Error error;
    std::vector<uint8_t> bytes;  // the whole stream
};

// Encodes width x height grey bytes at `bitrate` bits per pixel with `ppi` in the NISTCOM
// comment, and `comment` (may be null) as a comment of its own or merged into NISTCOM.
Encoded encode(std::span<const uint8_t> grey, int width, int height, float bitrate, int ppi,
               const char* comment = nullptr);

// Why an entry cannot be carried by a NISTCOM comment unchanged (its name empty or holding
// white space, a line break in its value, a value starting with white space, either longer than
// 511 bytes); empty when it can.
std::string nistcom_entry_problem(const NistcomEntry& entry);

// As encode, with the caller's NISTCOM entries (names unique, each without a problem) merged
// into the encoder's NISTCOM comment, the encoder's own entries taking its values; `comment`
// (may be null) is always a comment of its own. A bad entry fails with -17.
Encoded encode_with_nistcom(std::span<const uint8_t> grey, int width, int height, float bitrate,
                            int ppi, const std::vector<NistcomEntry>& nistcom, const char* comment);

struct FileBytes {
    Error error;
    std::vector<uint8_t> bytes;
};

FileBytes read_file(const char* path);
Error write_file(const char* path, std::span<const uint8_t> bytes);

}  // namespace wsq

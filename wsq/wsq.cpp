// The value API of wsq/wsq.h: each call runs the fixed entry points under a diagnostic capture,
// so a failure comes back with the line the codec printed for it.
#include "wsq/wsq.h"

#include <climits>

#include "wsq/diagnostics.h"
#include "wsq/encoder.h"
#include "wsq/nistcom.h"
#include "wsq/stream_walk.h"

namespace wsq {

namespace {

Error failure(int code, const DiagnosticCapture& capture) {
    return Error{code, code != 0 ? capture.last_error() : std::string()};
}

// Reports, and says, that `grey` holds fewer bytes than a width x height picture needs.
bool too_few_grey_bytes(std::span<const uint8_t> grey, int width, int height) {
    if (width <= 0 || height <= 0 ||
        grey.size() >= static_cast<size_t>(width) * static_cast<size_t>(height))
        return false;
    report("ERROR : wsq_encode_1 : %zu grey bytes for %d x %d pixels\n", grey.size(), width,
           height);
    return true;
}

}  // namespace

std::string Error::text() const {
    if (code == 0) return std::string();
    if (!message.empty()) return message;
    return "WSQ error " + std::to_string(code);
}

StreamFacts inspect_stream(std::span<const uint8_t> stream) {
    DiagnosticCapture capture;
    StreamWalk walk;
    walk_stream(stream.data(), stream.size(), WalkMode::Whole, &walk);

    StreamFacts facts;
    facts.header_stop = walk.stop;
    facts.header_error = failure(walk.code, capture);
    facts.comments = std::move(walk.comments);
    facts.header_comments = walk.header_comments;
    facts.segments = std::move(walk.segments);
    facts.segments_end = std::move(walk.segments_end);
    if (walk.frame) {
        facts.has_frame = true;
        facts.frame.width = walk.frame->width;
        facts.frame.height = walk.frame->height;
        facts.frame.lossy = 1;
        facts.frame.encoder = walk.frame->WSQ_encoder;
        facts.frame.software = walk.frame->Software;
    }
    FeatureListPtr list;
    if (walk.nistcom_text && string2fet(&list, walk.nistcom_text->c_str()) == 0) {
        std::vector<NistcomEntry> entries;
        for (int i = 0; i < list->num; ++i)
            entries.push_back(
                {list->names[static_cast<size_t>(i)], list->values[static_cast<size_t>(i)]});
        facts.nistcom = std::move(entries);
        std::optional<std::string> ppi;
        if (lookupfet(&ppi, "PPI", list.get()) == 1 && ppi)
            facts.frame.ppi = nistcom_int_value(*ppi);
    }
    return facts;
}

Decoded decode(std::span<const uint8_t> stream) {
    Decoded out;
    {
        DiagnosticCapture capture;
        int ret = 0;
        if (stream.size() > static_cast<size_t>(INT_MAX)) {
            report("ERROR: wsq_decode_mem : stream of %zu bytes exceeds %d bytes\n", stream.size(),
                   INT_MAX);
            ret = -24;
        } else {
            ImageFacts f;
            ret = wsq_decode_mem(&out.pixels, &f.width, &f.height, &f.depth, &f.ppi, &f.lossy,
                                 &f.encoder, &f.software, stream.data(),
                                 static_cast<int>(stream.size()));
            if (ret == 0) out.facts = f;
        }
        if (ret != 0) out.pixels.clear();
        out.error = failure(ret, capture);
    }
    out.stream = inspect_stream(stream);
    return out;
}

Encoded encode(std::span<const uint8_t> grey, int width, int height, float bitrate, int ppi,
               const char* comment) {
    DiagnosticCapture capture;
    Encoded out;
    if (too_few_grey_bytes(grey, width, height)) {
        out.error = failure(-16, capture);
        return out;
    }
    int length = 0;
    const int ret =
        wsq_encode_1(&out.bytes, &length, bitrate, grey.data(), width, height, 8, ppi, comment);
    out.error = failure(ret, capture);
    if (ret != 0) out.bytes.clear();
    return out;
}

std::string nistcom_entry_problem(const NistcomEntry& entry) {
    constexpr size_t kLongest = 511;  // what a NISTCOM reader keeps of a name or value
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    const std::string& name = entry.name;
    if (name.empty()) return "a NISTCOM entry has an empty name";
    if (name.size() > kLongest) return "NISTCOM name " + name.substr(0, 20) + "... is too long";
    for (char c : name)
        if (blank(c) || c == '\n' || c == '\r' || c == '\0')
            return "NISTCOM name \"" + name + "\" holds white space";
    if (!entry.value) return std::string();
    const std::string& value = *entry.value;
    if (value.size() > kLongest) return "the value of NISTCOM entry " + name + " is too long";
    if (!value.empty() && blank(value.front()))
        return "the value of NISTCOM entry " + name + " starts with white space";
    if (value.find_first_of(std::string("\n\r\0", 3)) != std::string::npos)
        return "the value of NISTCOM entry " + name + " holds a line break";
    return std::string();
}

Encoded encode_with_nistcom(std::span<const uint8_t> grey, int width, int height, float bitrate,
                            int ppi, const std::vector<NistcomEntry>& nistcom,
                            const char* comment) {
    DiagnosticCapture capture;
    Encoded out;
    if (too_few_grey_bytes(grey, width, height)) {
        out.error = failure(-16, capture);
        return out;
    }
    // The entries become NISTCOM text, which the encoder reads back and completes.
    std::string text = std::string(NCM_HEADER) + " " + std::to_string(nistcom.size() + 1);
    for (size_t i = 0; i < nistcom.size(); ++i) {
        const NistcomEntry& entry = nistcom[i];
        std::string problem = nistcom_entry_problem(entry);
        for (size_t j = 0; j < i && problem.empty(); ++j)
            if (nistcom[j].name == entry.name)
                problem = "NISTCOM entry " + entry.name + " is given twice";
        if (!problem.empty()) {
            report("ERROR : wsq_encode_1 : %s\n", problem.c_str());
            out.error = failure(-17, capture);
            return out;
        }
        text += "\n" + entry.name + " " + entry.value.value_or(std::string());
    }
    int length = 0;
    const int ret = wsq_encode_comments(&out.bytes, &length, bitrate, grey.data(), width, height,
                                        ppi, text.c_str(), comment);
    out.error = failure(ret, capture);
    if (ret != 0) out.bytes.clear();
    return out;
}

FileBytes read_file(const char* path) {
    DiagnosticCapture capture;
    FileBytes out;
    int length = 0;
    const int ret = read_raw_from_filesize(path, &out.bytes, &length);
    out.error = failure(ret, capture);
    return out;
}

Error write_file(const char* path, std::span<const uint8_t> bytes) {
    DiagnosticCapture capture;
    if (bytes.size() > static_cast<size_t>(INT_MAX)) {
        report("ERROR: write_raw_from_memsize : %zu bytes exceed %d bytes\n", bytes.size(),
               INT_MAX);
        return failure(-3, capture);
    }
    return failure(write_raw_from_memsize(path, bytes.data(), static_cast<int>(bytes.size())),
                   capture);
}

}  // namespace wsq

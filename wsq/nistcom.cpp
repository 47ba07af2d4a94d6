// NISTCOM comments: the image facts a WSQ stream carries, written by the encoder and found by
// the decoder.
#include "wsq/nistcom.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "wsq/byte_io.h"
#include "wsq/codestream.h"
#include "wsq/diagnostics.h"
#include "wsq/records.h"
#include "wsq/stream_walk.h"

namespace wsq {

namespace {

int set_int(const char* name, int value, FeatureList* fet) {
    char text[32];
    std::snprintf(text, sizeof text, "%d", value);
    return updatefet_ret(name, text, fet);
}

}  // namespace

int combine_nistcom(FeatureListPtr* onistcom, int w, int h, int d, int ppi, int lossyflag) {
    const bool created = !*onistcom;
    FeatureListPtr local;
    FeatureList* nistcom = onistcom->get();
    if (created) {
        if (int ret = allocfet_ret(&local, 6)) return ret;
        nistcom = local.get();
        // Its value is set once all entries are in.
        if (int ret = updatefet_ret(NCM_HEADER, "1", nistcom)) return ret;
    }
    if (int ret = set_int("PIX_WIDTH", w, nistcom)) return ret;
    if (int ret = set_int("PIX_HEIGHT", h, nistcom)) return ret;
    if (int ret = set_int("PIX_DEPTH", d, nistcom)) return ret;
    if (int ret = set_int("PPI", ppi, nistcom)) return ret;

    std::optional<std::string> lossy;
    const int found = lookupfet(&lossy, "LOSSY", nistcom);
    if (found < 0) return found;
    if (found == 1 && lossy && *lossy != "0" && lossyflag == 0) {
        report_warning("WARNING : combine_nistcom : ");
        report_warning("request to unset lossy flag ignored\n");
    } else {
        if (int ret = set_int("LOSSY", lossyflag, nistcom)) return ret;
    }
    if (int ret = set_int(NCM_HEADER, nistcom->num, nistcom)) return ret;
    if (created) *onistcom = std::move(local);
    return 0;
}

int add_wsq_nistcom_entries(FeatureListPtr* onistcom, int w, int h, int d, int ppi, int lossyflag,
                            float r_bitrate) {
    const bool created = !*onistcom;
    if (int ret = combine_nistcom(onistcom, w, h, d, ppi, lossyflag)) return ret;
    FeatureList* nistcom = onistcom->get();
    auto fail = [&](int ret) {
        if (created) onistcom->reset();
        return ret;
    };
    if (int ret = updatefet_ret("COLORSPACE", "GRAY", nistcom)) return fail(ret);
    if (int ret = updatefet_ret("COMPRESSION", "WSQ", nistcom)) return fail(ret);
    char rate[64];
    std::snprintf(rate, sizeof rate, "%f", static_cast<double>(r_bitrate));
    if (int ret = updatefet_ret("WSQ_BITRATE", rate, nistcom)) return fail(ret);
    if (int ret = set_int(NCM_HEADER, nistcom->num, nistcom)) return fail(ret);
    return 0;
}

int write_nistcom_comments(const char* comment_text, int w, int h, int d, int ppi, int lossyflag,
                           float r_bitrate, uint8_t* odata, int oalloc, int* olen) {
    const bool is_nistcom = comment_text != nullptr &&
                            std::strncmp(comment_text, NCM_HEADER, std::strlen(NCM_HEADER)) == 0;
    return write_comment_segments(is_nistcom ? comment_text : nullptr,
                                  is_nistcom ? nullptr : comment_text, w, h, d, ppi, lossyflag,
                                  r_bitrate, odata, oalloc, olen);
}

int write_comment_segments(const char* nistcom_text, const char* separate_comment, int w, int h,
                           int d, int ppi, int lossyflag, float r_bitrate, uint8_t* odata,
                           int oalloc, int* olen) {
    FeatureListPtr nistcom;
    if (nistcom_text != nullptr) {
        if (int ret = string2fet(&nistcom, nistcom_text)) return ret;
    }
    if (int ret = add_wsq_nistcom_entries(&nistcom, w, h, d, ppi, lossyflag, r_bitrate)) return ret;
    std::string text;
    if (int ret = fet2string(&text, nistcom.get())) return ret;
    nistcom.reset();

    // Both segments go to a scratch count, so a failure leaves the stream as it was.
    int len = *olen;
    if (int ret = putc_comment_segment(COM_WSQ, text.c_str(), static_cast<int>(text.size()), odata,
                                       oalloc, &len))
        return ret;
    if (separate_comment != nullptr) {
        const size_t n = std::strlen(separate_comment);
        const int cs = n > 65535 ? 65535 : static_cast<int>(n);  // refused by the writer
        if (int ret = putc_comment_segment(COM_WSQ, separate_comment, cs, odata, oalloc, &len))
            return ret;
    }
    *olen = len;
    return 0;
}

int find_nistcom_list(FeatureListPtr* onistcom, const uint8_t* idata, int ilen) {
    StreamWalk walk;
    if (int ret = walk_stream(idata, ilen > 0 ? static_cast<size_t>(ilen) : 0,
                              WalkMode::FirstNistcom, &walk))
        return ret;
    if (!walk.nistcom_text) {
        onistcom->reset();
        return 0;
    }
    FeatureListPtr list;
    if (int ret = string2fet(&list, walk.nistcom_text->c_str())) return ret;
    *onistcom = std::move(list);
    return 0;
}

int nistcom_int_value(const std::string& text) {
    // Read as atoi would, with an out-of-range number held at the ends of int.
    const long value = std::strtol(text.c_str(), nullptr, 10);
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

}  // namespace wsq

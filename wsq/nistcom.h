// NISTCOM: the name/value list carried in a WSQ comment, and the feature-list operations.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace wsq {

inline constexpr const char* NCM_HEADER = "NIST_COM";

struct FeatureList {
    int alloc = 0;
    int num = 0;
    std::vector<std::string> names;
    std::vector<std::optional<std::string>> values;
};

using FeatureListPtr = std::unique_ptr<FeatureList>;

int allocfet_ret(FeatureListPtr* ofet, int numfeatures);
int reallocfet_ret(FeatureListPtr* ofet, int newlen);
int updatefet_ret(const char* feature, const char* value, FeatureList* fet);
int lookupfet(std::optional<std::string>* ovalue, const char* feature, const FeatureList* fet);
int extractfet_ret(std::optional<std::string>* ovalue, const char* feature, const FeatureList* fet);
void destroy_fet(FeatureListPtr* fet);
int fet2string(std::string* ostr, const FeatureList* fet);
int string2fet(FeatureListPtr* ofet, const char* istr);

int combine_nistcom(FeatureListPtr* onistcom, int w, int h, int d, int ppi, int lossyflag);
int add_wsq_nistcom_entries(FeatureListPtr* onistcom, int w, int h, int d, int ppi, int lossyflag,
                            float r_bitrate);
int write_nistcom_comments(const char* comment_text, int w, int h, int d, int ppi, int lossyflag,
                           float r_bitrate, uint8_t* odata, int oalloc, int* olen);
// The parsed NISTCOM list of a stream; *onistcom is empty when the stream has none.
// The NISTCOM comment (nistcom_text, when not null, merged with the encoder's entries) and then
// separate_comment, when not null, as a comment of its own.
int write_comment_segments(const char* nistcom_text, const char* separate_comment, int w, int h,
                           int d, int ppi, int lossyflag, float r_bitrate, uint8_t* odata,
                           int oalloc, int* olen);
int find_nistcom_list(FeatureListPtr* onistcom, const uint8_t* idata, int ilen);
// An entry's value read as a base-10 integer, the way atoi reads it (leading white space and a
// sign allowed, no digits give 0), held at the ends of int.
int nistcom_int_value(const std::string& text);

}  // namespace wsq

// The name/value feature list and its text form.
#include <cstdio>
#include <cstring>
#include <new>

#include "wsq/diagnostics.h"
#include "wsq/nistcom.h"

namespace wsq {

int allocfet_ret(FeatureListPtr* ofet, int numfeatures) {
    FeatureListPtr fet;
    try {
        fet = std::make_unique<FeatureList>();
    } catch (const std::bad_alloc&) {
        report("ERROR : allocfet_ret : malloc : fet\n");
        return -2;
    }
    const size_t n = numfeatures > 0 ? static_cast<size_t>(numfeatures) : 0;
    try {
        fet->names.resize(n);
    } catch (const std::bad_alloc&) {
        report("ERROR : allocfet_ret : calloc : fet->names\n");
        return -3;
    }
    try {
        fet->values.resize(n);
    } catch (const std::bad_alloc&) {
        report("ERROR : allocfet_ret : calloc : fet->values\n");
        return -4;
    }
    fet->alloc = static_cast<int>(n);
    fet->num = 0;
    *ofet = std::move(fet);
    return 0;
}

namespace {

// Grows both slot arrays of an existing record to newlen slots (never shrinks).
int grow_slots(FeatureList* fet, int newlen) {
    if (newlen <= fet->alloc) return 0;
    try {
        fet->names.resize(static_cast<size_t>(newlen));
    } catch (const std::bad_alloc&) {
        report("ERROR : reallocfet_ret : realloc : fet->names\n");
        return -2;
    }
    try {
        fet->values.resize(static_cast<size_t>(newlen));
    } catch (const std::bad_alloc&) {
        report("ERROR : reallocfet_ret : realloc : fet->values");
        return -3;
    }
    fet->alloc = newlen;
    return 0;
}

}  // namespace

int reallocfet_ret(FeatureListPtr* ofet, int newlen) {
    if (!*ofet || (*ofet)->alloc == 0) return allocfet_ret(ofet, newlen);
    return grow_slots(ofet->get(), newlen);
}

namespace {

int find_entry(const char* feature, const FeatureList* fet) {
    for (int i = 0; i < fet->num; ++i)
        if (fet->names[i] == feature) return i;
    return -1;
}

}  // namespace

int updatefet_ret(const char* feature, const char* value, FeatureList* fet) {
    const int item = find_entry(feature, fet);
    if (item >= 0) {
        try {
            if (value != nullptr)
                fet->values[item] = std::string(value);
            else
                fet->values[item].reset();
        } catch (const std::bad_alloc&) {
            report("ERROR : updatefet_ret : strdup : fet->values[]\n");
            return -2;
        }
        return 0;
    }
    if (fet->num >= fet->alloc) {
        const int grow = fet->alloc / 10 > 10 ? fet->alloc / 10 : 10;
        if (int ret = grow_slots(fet, fet->alloc + grow)) return ret;
    }
    try {
        fet->names[fet->num] = feature;
    } catch (const std::bad_alloc&) {
        report("ERROR : updatefet_ret : strdup : fet->names[]\n");
        return -3;
    }
    try {
        if (value != nullptr) fet->values[fet->num] = std::string(value);
    } catch (const std::bad_alloc&) {
        fet->names[fet->num].clear();
        report("ERROR : updatefet_ret : strdup : fet->values[]\n");
        return -4;
    }
    ++fet->num;
    return 0;
}

int lookupfet(std::optional<std::string>* ovalue, const char* feature, const FeatureList* fet) {
    const int item = find_entry(feature, fet);
    if (item < 0) return 0;
    try {
        *ovalue = fet->values[item];
    } catch (const std::bad_alloc&) {
        report("ERROR : lookupfet : strdup : value\n");
        return -2;
    }
    return 1;
}

int extractfet_ret(std::optional<std::string>* ovalue, const char* feature,
                   const FeatureList* fet) {
    const int item = find_entry(feature, fet);
    if (item < 0) {
        report("ERROR : extractfet_ret : feature %s not found\n", feature);
        return -2;
    }
    try {
        *ovalue = fet->values[item];
    } catch (const std::bad_alloc&) {
        report("ERROR : extractfet_ret : strdup : value\n");
        return -3;
    }
    return 0;
}

void destroy_fet(FeatureListPtr* fet) {
    fet->reset();
}

int fet2string(std::string* ostr, const FeatureList* fet) {
    std::string text;
    try {
        size_t size = 1;
        for (int i = 0; i < fet->num; ++i)
            size += fet->names[i].size() + (fet->values[i] ? fet->values[i]->size() : 0) + 2;
        text.reserve(size);
        for (int i = 0; i < fet->num; ++i) {
            text += fet->names[i];
            // An entry without a value is written as its name and the space, with nothing
            // after it: the text reads back as the same entry without a value.
            text += ' ';
            if (fet->values[i]) text += *fet->values[i];
            text += '\n';
        }
    } catch (const std::bad_alloc&) {
        report("ERROR : fet2string : malloc : str\n");
        return -2;
    }
    if (!text.empty()) text.pop_back();
    *ostr = std::move(text);
    return 0;
}

namespace {

constexpr size_t kMaxFieldChars = 511;

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

int string2fet(FeatureListPtr* ofet, const char* istr) {
    FeatureListPtr fet;
    if (int ret = allocfet_ret(&fet, 100)) return ret;

    const char* p = istr;
    while (*p != '\0') {
        // Names and values keep at most 511 characters; the rest of a longer one is dropped.
        std::string name;
        while (*p != '\0' && !is_blank(*p)) {
            if (name.size() < kMaxFieldChars) name += *p;
            ++p;
        }
        std::string value;
        if (*p != '\0') {
            while (is_blank(*p)) ++p;
            while (*p != '\0' && *p != '\n') {
                if (value.size() < kMaxFieldChars) value += *p;
                ++p;
            }
        }
        while (is_blank(*p) || *p == '\n') ++p;
        if (name.empty()) {
            report("ERROR : string2fet : empty name string found\n");
            return -2;
        }
        if (int ret =
                updatefet_ret(name.c_str(), value.empty() ? nullptr : value.c_str(), fet.get()))
            return ret;
    }
    *ofet = std::move(fet);
    return 0;
}

}  // namespace wsq

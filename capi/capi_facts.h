// The storage behind a wsq_facts: the strings its pointers point into, owned by the result that
// carries it and released with it.
#pragma once

#include <string>
#include <vector>

#include "libwsq/wsq.h"
#include "wsq/wsq.h"

namespace capi {

class FactsStorage {
public:
    FactsStorage() = default;
    // The facts point into the strings: they must stay where they are.
    FactsStorage(const FactsStorage&) = delete;
    FactsStorage& operator=(const FactsStorage&) = delete;

    // Fills *facts with frame and the comments and NISTCOM entries of stream; the pointers stay
    // valid while this storage lives and is not filled again.
    void fill(wsq_facts* facts, const wsq::ImageFacts& frame, const wsq::StreamFacts& stream);

private:
    std::vector<std::string> m_comments;
    std::vector<const char*> m_comment_texts;
    std::vector<wsq::NistcomEntry> m_nistcom;
    std::vector<wsq_nistcom_entry> m_nistcom_entries;
};

}  // namespace capi

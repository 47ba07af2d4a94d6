#include "capi/capi_facts.h"

namespace capi {

void FactsStorage::fill(wsq_facts* facts, const wsq::ImageFacts& frame,
                        const wsq::StreamFacts& stream) {
    m_comments = stream.comments;
    m_comment_texts.clear();
    for (const std::string& comment : m_comments) m_comment_texts.push_back(comment.c_str());
    m_nistcom = stream.nistcom.value_or(std::vector<wsq::NistcomEntry>());
    m_nistcom_entries.clear();
    for (const wsq::NistcomEntry& entry : m_nistcom)
        m_nistcom_entries.push_back(
            {entry.name.c_str(), entry.value ? entry.value->c_str() : nullptr});

    *facts = wsq_facts{};
    facts->width = frame.width;
    facts->height = frame.height;
    facts->depth = frame.depth;
    facts->ppi = frame.ppi;
    facts->lossy = frame.lossy;
    facts->encoder = frame.encoder;
    facts->software = frame.software;
    facts->comment_count = m_comment_texts.size();
    facts->comments = m_comment_texts.empty() ? nullptr : m_comment_texts.data();
    facts->has_nistcom = stream.nistcom ? 1 : 0;
    facts->nistcom_count = m_nistcom_entries.size();
    facts->nistcom = m_nistcom_entries.empty() ? nullptr : m_nistcom_entries.data();
}

}  // namespace capi

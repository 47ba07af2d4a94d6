#include "wsq_budget.h"

#include <cmath>
#include <span>
#include <vector>

#include "wsq_grey.h"

namespace document {

BudgetedWsq encodeWsqWithin(const QImage& image, const SaveSettings& settings, size_t maxBytes) {
    BudgetedWsq result;
    std::vector<uint8_t> copy;
    const std::span<const uint8_t> grey = wsqgrey::encoderInput(image, &copy);
    const char* comment = settings.wsqComment ? settings.wsqComment->constData() : nullptr;
    const auto encodeAt = [&](double bitrate) {
        ++result.encodes;
        return wsq::encode(grey, image.width(), image.height(), static_cast<float>(bitrate),
                           settings.wsqPpi, comment);
    };

    double high = settings.wsqBitRate;
    wsq::Encoded at = encodeAt(high);
    if (at.error || at.bytes.size() <= maxBytes) {
        result.encoded = std::move(at);
        result.bitrate = high;
        return result;
    }
    double low = std::min(kLowestBudgetBitRate, high / 2);
    at = encodeAt(low);
    if (at.error) {
        result.encoded = std::move(at);
        return result;
    }
    if (at.bytes.size() > maxBytes) {
        result.smallest = at.bytes.size();
        result.bitrate = low;
        return result;
    }
    result.encoded = std::move(at);
    result.bitrate = low;
    // The stream grows about in proportion to the bit rate: halve the ratio between the bounds.
    while (result.encodes < kMaxBudgetEncodes) {
        const double middle = std::sqrt(low * high);
        wsq::Encoded tried = encodeAt(middle);
        if (tried.error || tried.bytes.size() > maxBytes) {
            high = middle;
        } else {
            low = middle;
            result.encoded = std::move(tried);
            result.bitrate = middle;
        }
    }
    return result;
}

}  // namespace document

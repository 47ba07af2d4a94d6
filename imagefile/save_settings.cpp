#include "imagefile/save_settings.h"

namespace imagefile {

namespace {

constexpr uint32_t kSelectorNone = 0;
constexpr uint32_t kSelectorPackBits = 9;
constexpr uint32_t kSelectorDeflate = 13;

}  // namespace

WsqSaveSettings& GlobalWsqSaveSettings() {
    thread_local WsqSaveSettings settings;
    return settings;
}

TiffSaveInfo& GlobalTiffSaveInfo() {
    thread_local TiffSaveInfo info;
    return info;
}

SaveSettings CurrentSaveSettings() {
    SaveSettings settings;
    settings.wsq = GlobalWsqSaveSettings();
    settings.tiff = GlobalTiffSaveInfo();
    return settings;
}

double GetWsqBitRate() {
    return GlobalWsqSaveSettings().bitRate;
}
void SetWsqBitRate(double bitRate) {
    GlobalWsqSaveSettings().bitRate = bitRate;
}
int32_t GetWsqPpi() {
    return GlobalWsqSaveSettings().ppi;
}
void SetWsqPpi(int32_t ppi) {
    GlobalWsqSaveSettings().ppi = ppi;
}

const char* GetWsqComment() {
    const auto& comment = GlobalWsqSaveSettings().comment;
    return comment ? comment->c_str() : nullptr;
}

void SetWsqComment(const char* comment) {
    auto& setting = GlobalWsqSaveSettings().comment;
    if (comment == nullptr) {
        setting.reset();
    } else {
        setting = std::string(comment);
    }
}

uint32_t GetTiffCompression() {
    return GlobalTiffSaveInfo().compression;
}
void SetTiffCompression(uint32_t selector) {
    GlobalTiffSaveInfo().compression = selector;
}
uint16_t GetTiffPredictor() {
    return GlobalTiffSaveInfo().predictor;
}
void SetTiffPredictor(uint16_t predictor) {
    GlobalTiffSaveInfo().predictor = predictor;
}

void SetTiffCompressionByNumber(int number) {
    TiffSaveInfo& info = GlobalTiffSaveInfo();
    if (number == 1) {
        info.compression = kSelectorDeflate;
        info.predictor = 2;
    } else if (number == 2) {
        info.compression = kSelectorPackBits;
    } else {
        info.compression = kSelectorNone;
    }
}

int GetTiffCompressionNumber() {
    switch (GlobalTiffSaveInfo().compression) {
        case kSelectorPackBits:
            return 2;
        case kSelectorDeflate:
            return 1;
        default:
            return 0;
    }
}

}  // namespace imagefile

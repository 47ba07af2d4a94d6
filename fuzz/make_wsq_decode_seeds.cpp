// Writes the hand-built seed streams of the wsq_decode fuzzer into a directory.
#include <cstdio>
#include <string>
#include <vector>

#include "support/wsq_stream_builder.h"
#include "wsq/records.h"
#include "wsq/wavelet.h"

namespace {

bool write(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

testsupport::WsqStreamSpec coded(int width, int height) {
    wsq::WaveletTreeNode w_tree[wsq::W_TREELEN];
    wsq::QuantTreeNode q_tree[wsq::Q_TREELEN];
    wsq::build_subband_trees(w_tree, wsq::W_TREELEN, q_tree, wsq::Q_TREELEN, width, height);
    testsupport::WsqStreamSpec plan;
    plan.width = width;
    plan.height = height;
    plan.r_scale = 2.0f;
    for (int i = 0; i < q_tree[0].lenx * q_tree[0].leny; ++i)
        plan.subband0.push_back((i * 29) % 148 - 73);
    return plan;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    testsupport::WsqStreamSpec plain, one, commented, no_ppi, no_dtt;
    one.width = one.height = 1;
    commented.comment = "Scanned at booth 4";
    no_ppi.comment = "NIST_COM 2\nPIX_WIDTH 16";
    no_dtt.dtt = false;
    const std::pair<const char*, testsupport::WsqStreamSpec> seeds[] = {
        {"uncoded_16x12.wsq", plain},      {"uncoded_1x1.wsq", one},
        {"comment.wsq", commented},        {"nistcom_no_ppi.wsq", no_ppi},
        {"no_dtt.wsq", no_dtt},            {"coded_64x48.wsq", coded(64, 48)},
        {"coded_7x5.wsq", coded(7, 5)},    {"coded_81x81.wsq", coded(81, 81)},
    };
    for (const auto& [name, plan] : seeds) {
        const std::vector<uint8_t> bytes = testsupport::build_wsq_stream(plan);
        if (bytes.empty() || !write(dir + "/" + name, bytes)) {
            std::fprintf(stderr, "cannot write %s\n", name);
            return 1;
        }
    }
    return 0;
}

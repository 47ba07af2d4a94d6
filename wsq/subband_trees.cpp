// The subband geometry of a picture: the 20-node wavelet tree that drives the transform steps
// and the 64-node subband tree that the quantizer and the coders walk.
#include "wsq/wavelet.h"

namespace wsq {
namespace {

// The two halves of a length. An odd length puts its extra sample in the first half when
// split larger first, in the second when split smaller first.
struct Halves {
    int first;
    int second;
};

Halves split_larger_first(int n) {
    if (n % 2 == 0) return {n / 2, n / 2};
    return {(n + 1) / 2, (n + 1) / 2 - 1};
}

Halves split_smaller_first(int n) {
    if (n % 2 == 0) return {n / 2, n / 2};
    return {(n + 1) / 2 - 1, (n + 1) / 2};
}

void set_region(WaveletTreeNode& node, int x, int y, int lenx, int leny) {
    node.x = x;
    node.y = y;
    node.lenx = lenx;
    node.leny = leny;
}

void set_region(QuantTreeNode& node, int x, int y, int lenx, int leny) {
    node.x = x;
    node.y = y;
    node.lenx = lenx;
    node.leny = leny;
}

// Node a covers the region; nodes b to b+3 its four quadrants (top-left, top-right,
// bottom-left, bottom-right). With stop set the bottom-right quadrant gets no node.
void split_wavelet_node(WaveletTreeNode* w_tree, int a, int b, int lenx, int leny, int x, int y,
                        bool stop) {
    set_region(w_tree[a], x, y, lenx, leny);
    const Halves w = a == 4 ? split_smaller_first(lenx) : split_larger_first(lenx);
    const Halves h = a == 5 ? split_smaller_first(leny) : split_larger_first(leny);
    set_region(w_tree[b], x, y, w.first, h.first);
    set_region(w_tree[b + 1], x + w.first, y, w.second, h.first);
    set_region(w_tree[b + 2], x, y + h.first, w.first, h.second);
    if (!stop) set_region(w_tree[b + 3], x + w.first, y + h.first, w.second, h.second);
}

void build_wavelet_tree(WaveletTreeNode* w_tree, int width, int height) {
    for (int node = 0; node < W_TREELEN; ++node) {
        w_tree[node].inv_rw = 0;
        w_tree[node].inv_cl = 0;
    }
    for (int node : {2, 4, 7, 9, 11, 13, 16, 18}) w_tree[node].inv_rw = 1;
    for (int node : {3, 5, 8, 9, 12, 13, 17, 18}) w_tree[node].inv_cl = 1;

    split_wavelet_node(w_tree, 0, 1, width, height, 0, 0, true);
    const Halves w = split_larger_first(w_tree[1].lenx);
    const Halves h = split_larger_first(w_tree[1].leny);
    split_wavelet_node(w_tree, 4, 6, w.second, h.first, w.first, 0, false);
    split_wavelet_node(w_tree, 5, 10, w.first, h.second, 0, h.first, false);
    split_wavelet_node(w_tree, 14, 15, w.first, h.first, 0, 0, false);
    set_region(w_tree[19], 0, 0, (w_tree[15].lenx + 1) / 2, (w_tree[15].leny + 1) / 2);
}

// Subbands s to s+15: a two-level split of the region. rw and cl choose which half of the
// first split gets the extra sample of an odd height or width.
void split_quant_16(QuantTreeNode* q_tree, int s, const WaveletTreeNode& region, bool rw,
                    bool cl) {
    const Halves w = cl ? split_smaller_first(region.lenx) : split_larger_first(region.lenx);
    const Halves h = rw ? split_smaller_first(region.leny) : split_larger_first(region.leny);
    struct Quadrant {
        int x, y, lenx, leny;
        bool right, bottom;
    };
    const Quadrant quadrants[4] = {
        {region.x, region.y, w.first, h.first, false, false},
        {region.x + w.first, region.y, w.second, h.first, true, false},
        {region.x, region.y + h.first, w.first, h.second, false, true},
        {region.x + w.first, region.y + h.first, w.second, h.second, true, true},
    };
    for (int k = 0; k < 4; ++k) {
        const Quadrant& q = quadrants[k];
        const Halves qw = q.right ? split_smaller_first(q.lenx) : split_larger_first(q.lenx);
        const Halves qh = q.bottom ? split_smaller_first(q.leny) : split_larger_first(q.leny);
        QuantTreeNode* band = q_tree + s + 4 * k;
        set_region(band[0], q.x, q.y, qw.first, qh.first);
        set_region(band[1], q.x + qw.first, q.y, qw.second, qh.first);
        set_region(band[2], q.x, q.y + qh.first, qw.first, qh.second);
        set_region(band[3], q.x + qw.first, q.y + qh.first, qw.second, qh.second);
    }
}

void split_quant_4(QuantTreeNode* q_tree, int s, const WaveletTreeNode& region) {
    const Halves w = split_larger_first(region.lenx);
    const Halves h = split_larger_first(region.leny);
    set_region(q_tree[s], region.x, region.y, w.first, h.first);
    set_region(q_tree[s + 1], region.x + w.first, region.y, w.second, h.first);
    set_region(q_tree[s + 2], region.x, region.y + h.first, w.first, h.second);
    set_region(q_tree[s + 3], region.x + w.first, region.y + h.first, w.second, h.second);
}

// Later splits overwrite earlier ones: subbands 48 to 50 come from node 5, subband 3 from
// node 19.
void build_quant_tree(QuantTreeNode* q_tree, const WaveletTreeNode* w_tree) {
    split_quant_16(q_tree, 3, w_tree[14], false, false);
    split_quant_16(q_tree, 19, w_tree[4], false, true);
    split_quant_16(q_tree, 48, w_tree[0], false, false);
    split_quant_16(q_tree, 35, w_tree[5], true, false);
    split_quant_4(q_tree, 0, w_tree[19]);
}

}  // namespace

void build_subband_trees(WaveletTreeNode* w_tree, int w_treelen, QuantTreeNode* q_tree,
                         int q_treelen, int width, int height) {
    if (w_treelen < W_TREELEN || q_treelen < Q_TREELEN) return;
    build_wavelet_tree(w_tree, width, height);
    build_quant_tree(q_tree, w_tree);
}

}  // namespace wsq

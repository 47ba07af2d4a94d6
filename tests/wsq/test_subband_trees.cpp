// Subband geometry: the worked 417 x 300 example, even and tiny sizes, and exact tiling.
#include <gtest/gtest.h>

#include <vector>

#include "wsq/wavelet.h"

namespace {

using wsq::QuantTreeNode;
using wsq::WaveletTreeNode;

struct Trees {
    WaveletTreeNode w[wsq::W_TREELEN];
    QuantTreeNode q[wsq::Q_TREELEN];
};

Trees build(int width, int height) {
    Trees t;
    wsq::build_subband_trees(t.w, wsq::W_TREELEN, t.q, wsq::Q_TREELEN, width, height);
    return t;
}

void expect_node(const WaveletTreeNode& n, int x, int y, int lx, int ly, int ir, int ic) {
    EXPECT_EQ(n.x, x);
    EXPECT_EQ(n.y, y);
    EXPECT_EQ(n.lenx, lx);
    EXPECT_EQ(n.leny, ly);
    EXPECT_EQ(n.inv_rw, ir);
    EXPECT_EQ(n.inv_cl, ic);
}

void expect_band(const QuantTreeNode& n, int x, int y, int lx, int ly) {
    EXPECT_EQ(n.x, x);
    EXPECT_EQ(n.y, y);
    EXPECT_EQ(n.lenx, lx);
    EXPECT_EQ(n.leny, ly);
}

TEST(SubbandTrees, WorkedExample417x300) {
    const Trees t = build(417, 300);
    const int expected[20][6] = {
        {0, 0, 417, 300, 0, 0},  {0, 0, 209, 150, 0, 0},  {209, 0, 208, 150, 1, 0},
        {0, 150, 209, 150, 0, 1}, {105, 0, 104, 75, 1, 0}, {0, 75, 105, 75, 0, 1},
        {105, 0, 52, 38, 0, 0},  {157, 0, 52, 38, 1, 0},  {105, 38, 52, 37, 0, 1},
        {157, 38, 52, 37, 1, 1}, {0, 75, 53, 37, 0, 0},   {53, 75, 52, 37, 1, 0},
        {0, 112, 53, 38, 0, 1},  {53, 112, 52, 38, 1, 1}, {0, 0, 105, 75, 0, 0},
        {0, 0, 53, 38, 0, 0},    {53, 0, 52, 38, 1, 0},   {0, 38, 53, 37, 0, 1},
        {53, 38, 52, 37, 1, 1},  {0, 0, 27, 19, 0, 0},
    };
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        const int* e = expected[i];
        expect_node(t.w[i], e[0], e[1], e[2], e[3], e[4], e[5]);
    }
    const int bands[][5] = {
        {0, 0, 0, 14, 10},      {1, 14, 0, 13, 10},     {3, 14, 10, 13, 9},
        {4, 27, 0, 26, 19},     {11, 0, 38, 27, 18},    {35, 0, 75, 27, 19},
        {37, 0, 94, 27, 18},    {50, 79, 131, 26, 19},  {51, 105, 75, 104, 75},
        {52, 209, 0, 104, 75},  {59, 105, 225, 104, 75}, {63, 313, 225, 104, 75},
    };
    for (const auto& b : bands) {
        SCOPED_TRACE(b[0]);
        expect_band(t.q[b[0]], b[1], b[2], b[3], b[4]);
    }
}

TEST(SubbandTrees, EvenAndTinySizes) {
    const Trees even = build(512, 512);
    expect_node(even.w[1], 0, 0, 256, 256, 0, 0);
    expect_node(even.w[19], 0, 0, 32, 32, 0, 0);
    expect_band(even.q[0], 0, 0, 16, 16);

    const Trees one = build(1, 1);
    expect_node(one.w[0], 0, 0, 1, 1, 0, 0);
    expect_node(one.w[1], 0, 0, 1, 1, 0, 0);
    expect_node(one.w[2], 1, 0, 0, 1, 1, 0);
    expect_node(one.w[3], 0, 1, 1, 0, 0, 1);
}

// Every pixel belongs to exactly one of the 64 subbands, subbands 60 to 63 are the image's
// bottom-right quadrant, and every region lies inside the image.
TEST(SubbandTrees, SubbandsTileTheImageOnce) {
    const int sizes[][2] = {{1, 1},   {1, 7},    {2, 2},    {3, 5},    {7, 1},     {16, 9},
                            {64, 64}, {65, 33},  {81, 81},  {101, 81}, {255, 257}, {416, 416},
                            {417, 300}, {512, 512}, {999, 17}, {1600, 1500}};
    for (const auto& s : sizes) {
        const int width = s[0];
        const int height = s[1];
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        const Trees t = build(width, height);
        std::vector<int> cover(static_cast<size_t>(width) * height, 0);
        for (int b = 0; b < wsq::Q_TREELEN; ++b) {
            const QuantTreeNode& n = t.q[b];
            ASSERT_GE(n.lenx, 0);
            ASSERT_GE(n.leny, 0);
            ASSERT_TRUE(n.lenx == 0 || n.leny == 0 ||
                        (n.x >= 0 && n.y >= 0 && n.x + n.lenx <= width && n.y + n.leny <= height))
                << "subband " << b;
            for (int y = n.y; y < n.y + n.leny; ++y) {
                for (int x = n.x; x < n.x + n.lenx; ++x) ++cover[static_cast<size_t>(y) * width + x];
            }
        }
        for (size_t i = 0; i < cover.size(); ++i) ASSERT_EQ(cover[i], 1) << "pixel " << i;
        int corner = 0;
        for (int b = 60; b < 64; ++b) corner += t.q[b].lenx * t.q[b].leny;
        EXPECT_EQ(corner, t.w[0].lenx / 2 * (t.w[0].leny / 2));
        for (int i = 0; i < wsq::W_TREELEN; ++i) {
            const WaveletTreeNode& n = t.w[i];
            EXPECT_LE(n.x + n.lenx, width) << "node " << i;
            EXPECT_LE(n.y + n.leny, height) << "node " << i;
        }
    }
}

// Offsets beyond the 16-bit range stay exact (a 60000-pixel wide strip).
TEST(SubbandTrees, WideImagesKeepTheirOffsets) {
    const Trees t = build(60000, 20);
    expect_band(t.q[63], 45000, 15, 15000, 5);
    expect_band(t.q[52], 30000, 0, 15000, 5);
}

}  // namespace

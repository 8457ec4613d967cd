// The CPU stretch Present uses on a software rasteriser: GL_LINEAR's sampling (pixel centres,
// clamped edges, 8-bit weights), each byte on its own, and every size read within bounds.
#include <gl/CpuStretch.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

std::vector<uint32_t> stretched(const std::vector<uint32_t>& source, int sw, int sh, int dw, int dh) {
    std::vector<uint32_t> dest(size_t(dw) * size_t(dh), 0xDEADBEEFu);
    CpuStretch().stretch(source.data(), sw, sh, sw, dest.data(), dw, dh);
    return dest;
}

}  // namespace

TEST(CpuStretch, BlendsEachByteAtPixelCentresAndClampsAtTheEdges) {
    // Two texels over four pixels: centres at -0.25 (clamped), 0.25, 0.75, 1.25 (clamped).
    // The channels run opposite ways, so a blend across bytes would show.
    const auto row = stretched({0x00FF00FFu, 0xFF00FF00u}, 2, 1, 4, 1);
    const std::vector<uint32_t> expected = {0x00FF00FFu, 0x40BF40BFu, 0xBF40BF40u, 0xFF00FF00u};
    EXPECT_EQ(expected, row);
    // Down as across: the same two texels as a column.
    const auto column = stretched({0x00FF00FFu, 0xFF00FF00u}, 1, 2, 1, 4);
    EXPECT_EQ(expected, column);
}

TEST(CpuStretch, SameSizeCopiesAndAFlatPictureStaysFlatAtAnySize) {
    const std::vector<uint32_t> picture = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(picture, stretched(picture, 3, 2, 3, 2));
    // Odd ratios, one-texel sources and the saver's own sizes; the last column and row read
    // only their own texel, which the sanitizer build would catch otherwise.
    const struct {
        int sw, sh, dw, dh;
    } sizes[] = {{1, 1, 5, 3}, {3, 2, 7, 5}, {7, 1, 13, 2}, {1024, 576, 1280, 720}, {1024, 576, 1920, 1080}};
    for (const auto& s : sizes) {
        SCOPED_TRACE(std::to_string(s.sw) + "x" + std::to_string(s.sh) + " to " + std::to_string(s.dw) + "x" +
                     std::to_string(s.dh));
        const auto out = stretched(std::vector<uint32_t>(size_t(s.sw) * size_t(s.sh), 0x80FF4001u), s.sw, s.sh,
                                   s.dw, s.dh);
        EXPECT_EQ(std::vector<uint32_t>(out.size(), 0x80FF4001u), out);
    }
}

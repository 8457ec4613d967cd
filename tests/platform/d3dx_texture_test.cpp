// The D3DX texture calls on the recording device: image files land the right way up with a
// full box-filtered mip chain, fills write each format correctly at texel centres, DDS cube
// maps keep their faces apart, and every kind of damaged file fails cleanly without leaks.
#include <gtest/gtest.h>

#include <ZarnRecordingDevice.h>
#include <d3dx9.h>

#include "D3DXTextureImage.h"

#include "support/TempDir.h"

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

class D3DXTextureTest : public testing::Test {
protected:
    void SetUp() override {
        baseline = ZarnRecordingLiveObjects();
        D3DPRESENT_PARAMETERS params = {};
        params.BackBufferWidth = 64;
        params.BackBufferHeight = 64;
        params.BackBufferFormat = D3DFMT_X8R8G8B8;
        params.Windowed = TRUE;
        device = new ZarnRecordingDevice(nullptr, params, ZarnRecordingHalCaps(), nullptr);
    }
    void TearDown() override {
        EXPECT_EQ(0u, device->Release());
        EXPECT_EQ(baseline, ZarnRecordingLiveObjects()) << "a texture outlived its test";
    }

    // The bytes of one level, read back through LockRect.
    static std::vector<uint8_t> levelBytes(IDirect3DTexture9* texture, UINT level) {
        D3DSURFACE_DESC desc = {};
        texture->GetLevelDesc(level, &desc);
        D3DLOCKED_RECT locked = {};
        if (FAILED(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY))) return {};
        size_t rowBytes = static_cast<size_t>(locked.Pitch);
        std::vector<uint8_t> bytes(static_cast<const uint8_t*>(locked.pBits),
                                   static_cast<const uint8_t*>(locked.pBits) + rowBytes * desc.Height);
        texture->UnlockRect(level);
        return bytes;
    }

    std::string writeFile(const std::string& name, const std::string& contents) { return temp.write(name, contents); }

    TempDir temp;
    ZarnRecordingDevice* device = nullptr;
    int baseline = 0;
};

// An RGBA image 4 wide, 2 high: top row red, bottom row blue, all opaque.
std::vector<uint8_t> redOverBlue() {
    std::vector<uint8_t> rgba;
    for (int i = 0; i < 4; ++i) rgba.insert(rgba.end(), {255, 0, 0, 255});
    for (int i = 0; i < 4; ++i) rgba.insert(rgba.end(), {0, 0, 255, 255});
    return rgba;
}

TEST_F(D3DXTextureTest, ImageFilesLoadTopRowFirstWithAFullBoxFilteredChain) {
    std::vector<uint8_t> rgba = redOverBlue();
    ASSERT_TRUE(stbi_write_png("image.png", 4, 2, 4, rgba.data(), 16));
    ASSERT_TRUE(stbi_write_bmp("image.bmp", 4, 2, 4, rgba.data()));
    ASSERT_TRUE(stbi_write_tga("image.tga", 4, 2, 4, rgba.data()));
    for (const char* file : {"image.png", "image.bmp", "image.tga"}) {
        SCOPED_TRACE(file);
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(D3D_OK, D3DXCreateTextureFromFileA(device, file, &texture));
        ASSERT_EQ(3u, texture->GetLevelCount());
        UINT sizes[3][2] = {{4, 2}, {2, 1}, {1, 1}};
        for (UINT level = 0; level < 3; ++level) {
            D3DSURFACE_DESC desc = {};
            texture->GetLevelDesc(level, &desc);
            EXPECT_EQ(D3DFMT_A8R8G8B8, desc.Format);
            EXPECT_EQ(sizes[level][0], desc.Width);
            EXPECT_EQ(sizes[level][1], desc.Height);
        }
        std::vector<uint8_t> top = levelBytes(texture, 0);
        // Memory order is B, G, R, A: red on the first row, blue on the second.
        EXPECT_EQ((std::vector<uint8_t>{0, 0, 255, 255}), std::vector<uint8_t>(top.begin(), top.begin() + 4));
        EXPECT_EQ((std::vector<uint8_t>{255, 0, 0, 255}), std::vector<uint8_t>(top.begin() + 16, top.begin() + 20));
        // Level 1 averages the two rows: purple with blue and red at 128.
        std::vector<uint8_t> mid = levelBytes(texture, 1);
        EXPECT_EQ((std::vector<uint8_t>{128, 0, 128, 255}), std::vector<uint8_t>(mid.begin(), mid.begin() + 4));
        std::vector<uint8_t> last = levelBytes(texture, 2);
        EXPECT_EQ((std::vector<uint8_t>{128, 0, 128, 255}), std::vector<uint8_t>(last.begin(), last.begin() + 4));
        EXPECT_EQ(0u, texture->Release());
    }
}

TEST_F(D3DXTextureTest, DamagedOrMissingImagesFailWithoutATexture) {
    std::vector<uint8_t> rgba = redOverBlue();
    int length = 0;
    unsigned char* png = stbi_write_png_to_mem(rgba.data(), 16, 4, 2, 4, &length);
    ASSERT_NE(nullptr, png);
    std::string good(reinterpret_cast<char*>(png), static_cast<size_t>(length));
    STBIW_FREE(png);

    std::string truncated = good.substr(0, good.size() / 2);
    std::string corruptData = good;
    for (size_t i = 40; i < corruptData.size() - 12; ++i) corruptData[i] = static_cast<char>(0xA5);
    std::string hugeHeader = good;  // IHDR width (bytes 16..19) claims 20000 texels
    hugeHeader[16] = 0;
    hugeHeader[17] = 0;
    hugeHeader[18] = static_cast<char>(0x4E);
    hugeHeader[19] = static_cast<char>(0x20);
    // A JPEG Huffman table claiming 16 x 255 codes, which stb_image would build past its
    // 257-entry table.
    std::string hugeHuffman = "\xFF\xD8\xFF\xC4";
    hugeHuffman += std::string("\x00\x13\x00", 3) + std::string(16, '\xFF') + "\xFF\xD9";
    const std::pair<const char*, std::string> files[] = {
        {"truncated.png", truncated}, {"corrupt.png", corruptData}, {"huge.png", hugeHeader},
        {"empty.png", ""},            {"text.png", "not an image at all, just words"},
        {"huffman.jpg", hugeHuffman},
        // The same table cut short by the end of the file, which stb reads as zeros.
        {"cut-huffman.jpg", std::string("\xFF\xD8\xFF\xC4\x00\x13\x00\x01\x00\x00\xFF\xD9", 12)},
        // ... and behind fill bytes before the start marker, which stb skips.
        {"fill-huffman.jpg", "\xFF\xFF" + hugeHuffman.substr(1)}};
    for (const auto& [name, contents] : files) {
        SCOPED_TRACE(name);
        IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(1);
        HRESULT hr = D3DXCreateTextureFromFileA(device, writeFile(name, contents).c_str(), &texture);
        EXPECT_EQ(D3DXERR_INVALIDDATA, hr);
        EXPECT_EQ(nullptr, texture);
    }
    IDirect3DTexture9* texture = nullptr;
    EXPECT_TRUE(FAILED(D3DXCreateTextureFromFileA(device, "no-such-file.png", &texture)));
    EXPECT_EQ(nullptr, texture);
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXCreateTextureFromFileA(nullptr, "x.png", &texture));
    EXPECT_EQ(0, device->log().countCalls("CreateTexture")) << "nothing is created for a bad file";

    // A good file on a device that cannot make the texture reports the device's failure.
    writeFile("good.png", good);
    device->script().failTextureFormats = {D3DFMT_A8R8G8B8};
    EXPECT_EQ(D3DERR_OUTOFVIDEOMEMORY, D3DXCreateTextureFromFileA(device, "good.png", &texture));
    EXPECT_EQ(nullptr, texture);
}

void recordCentres(D3DXVECTOR4* out, const D3DXVECTOR2* coord, const D3DXVECTOR2* texel, LPVOID data) {
    static_cast<std::vector<float>*>(data)->insert(static_cast<std::vector<float>*>(data)->end(),
                                                   {coord->x, coord->y, texel->x, texel->y});
    *out = D3DXVECTOR4(coord->x, coord->y, 1.5f, -1.0f);  // out-of-range channels clamp
}

void constant(D3DXVECTOR4* out, const D3DXVECTOR2*, const D3DXVECTOR2*, LPVOID data) {
    float v = *static_cast<float*>(data);
    *out = D3DXVECTOR4(v, v, v, v);
}

TEST_F(D3DXTextureTest, FillCallsEveryTexelCentreOfEveryLevel) {
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateTexture(device, 2, 2, D3DX_DEFAULT, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture));
    ASSERT_EQ(2u, texture->GetLevelCount());
    std::vector<float> calls;
    ASSERT_EQ(D3D_OK, D3DXFillTexture(texture, recordCentres, &calls));
    const std::vector<float> expected = {0.25f, 0.25f, 0.5f, 0.5f, 0.75f, 0.25f, 0.5f, 0.5f,
                                         0.25f, 0.75f, 0.5f, 0.5f, 0.75f, 0.75f, 0.5f, 0.5f,
                                         0.5f,  0.5f,  1.0f, 1.0f};
    EXPECT_EQ(expected, calls);
    std::vector<uint8_t> level0 = levelBytes(texture, 0);
    // Texel (1, 0): r = 0.75, g = 0.25, b clamps to 1, a clamps to 0; stored B, G, R, A.
    EXPECT_EQ((std::vector<uint8_t>{255, 64, 191, 0}), std::vector<uint8_t>(level0.begin() + 4, level0.begin() + 8));
    EXPECT_EQ(0u, texture->Release());

    ASSERT_EQ(D3D_OK, D3DXCreateTexture(device, 1, 1, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture));
    float half = 0.5f;
    D3DXFillTexture(texture, constant, &half);
    EXPECT_EQ((std::vector<uint8_t>{128, 128, 128, 255}), levelBytes(texture, 0)) << "X8 formats store opaque alpha";
    EXPECT_EQ(0u, texture->Release());
}

TEST_F(D3DXTextureTest, R16FFillStoresHalfFloats) {
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateTexture(device, 4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_R16F, D3DPOOL_DEFAULT,
                                        &texture));
    const std::pair<float, uint16_t> cases[] = {{1.0f, 0x3C00},  {0.5f, 0x3800},   {-2.0f, 0xC000},
                                                {65504.0f, 0x7BFF}, {1e6f, 0x7C00}, {0.0f, 0x0000},
                                                {1e-7f, 0x0002}, {1.0009765625f, 0x3C01}};
    for (auto [value, bits] : cases) {
        SCOPED_TRACE(value);
        ASSERT_EQ(D3D_OK, D3DXFillTexture(texture, constant, &value));
        std::vector<uint8_t> bytes = levelBytes(texture, 0);
        ASSERT_EQ(32u, bytes.size());
        for (size_t i = 0; i < bytes.size(); i += 2) {
            uint16_t stored;
            std::memcpy(&stored, &bytes[i], 2);
            ASSERT_EQ(bits, stored) << "texel " << i / 2;
        }
    }
    EXPECT_EQ(0u, texture->Release());

    ASSERT_EQ(D3D_OK, D3DXCreateTexture(device, 2, 2, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &texture));
    float one = 1.0f;
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXFillTexture(texture, constant, &one)) << "formats it cannot write are refused";
    EXPECT_EQ(0u, texture->Release());
}

// A DDS cube map of 32-bit texels: every texel of face f, level l holds 0xFF000000 | f << 8 | l.
std::string ddsCube(uint32_t edge, uint32_t storedLevels, bool withAlpha = true) {
    uint32_t header[31] = {};
    header[0] = 124;
    header[1] = 0x1 | 0x2 | 0x4 | 0x1000 | 0x8 | (storedLevels > 1 ? 0x20000 : 0);
    header[2] = edge;
    header[3] = edge;
    header[4] = edge * 4;
    header[6] = storedLevels > 1 ? storedLevels : 0;
    header[18] = 32;
    header[19] = 0x40 | (withAlpha ? 0x1 : 0);
    header[21] = 32;
    header[22] = 0x00FF0000;
    header[23] = 0x0000FF00;
    header[24] = 0x000000FF;
    header[25] = withAlpha ? 0xFF000000 : 0;
    header[26] = 0x1000 | 0x8;  // DDSCAPS_TEXTURE | DDSCAPS_COMPLEX
    header[27] = 0x200 | 0xFC00;
    std::string file = "DDS ";
    file.append(reinterpret_cast<const char*>(header), sizeof header);
    for (uint32_t face = 0; face < 6; ++face) {
        for (uint32_t level = 0; level < std::max(1u, storedLevels); ++level) {
            uint32_t side = std::max(1u, edge >> level);
            uint32_t texel = 0xFF000000u | face << 8 | level;
            for (uint32_t i = 0; i < side * side; ++i) file.append(reinterpret_cast<const char*>(&texel), 4);
        }
    }
    return file;
}

uint32_t firstTexel(IDirect3DCubeTexture9* cube, UINT face, UINT level) {
    D3DLOCKED_RECT locked = {};
    if (FAILED(cube->LockRect(static_cast<D3DCUBEMAP_FACES>(face), level, &locked, nullptr, D3DLOCK_READONLY)))
        return 0;
    uint32_t texel;
    std::memcpy(&texel, locked.pBits, 4);
    cube->UnlockRect(static_cast<D3DCUBEMAP_FACES>(face), level);
    return texel;
}

TEST_F(D3DXTextureTest, CubeMapsKeepTheirFacesAndGainMipsWhenTheFileHasNone) {
    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateCubeTextureFromFileA(device, writeFile("flat.dds", ddsCube(4, 1)).c_str(), &cube));
    EXPECT_EQ(3u, cube->GetLevelCount());
    D3DSURFACE_DESC desc = {};
    cube->GetLevelDesc(2, &desc);
    EXPECT_EQ(1u, desc.Width);
    EXPECT_EQ(D3DFMT_A8R8G8B8, desc.Format);
    for (UINT face = 0; face < 6; ++face)
        for (UINT level = 0; level < 3; ++level)
            EXPECT_EQ(0xFF000000u | face << 8, firstTexel(cube, face, level)) << face << "/" << level;
    EXPECT_EQ(0u, cube->Release());

    ASSERT_EQ(D3D_OK,
              D3DXCreateCubeTextureFromFileA(device, writeFile("mips.dds", ddsCube(4, 2, false)).c_str(), &cube));
    EXPECT_EQ(2u, cube->GetLevelCount()) << "a file's own chain is kept as it is";
    cube->GetLevelDesc(0, &desc);
    EXPECT_EQ(D3DFMT_X8R8G8B8, desc.Format);
    EXPECT_EQ(0xFF000501u, firstTexel(cube, 5, 1));
    EXPECT_EQ(0u, cube->Release());
}

TEST_F(D3DXTextureTest, DamagedOrLyingCubeMapsFailCleanly) {
    const std::string good = ddsCube(8, 4);
    auto patched = [&](size_t word, uint32_t value) {
        std::string file = good;
        std::memcpy(&file[4 + word * 4], &value, 4);
        return file;
    };
    const std::pair<const char*, std::string> files[] = {
        {"short by one byte", good.substr(0, good.size() - 1)},
        {"header only", good.substr(0, 128)},
        {"shorter than a header", good.substr(0, 60)},
        {"wrong magic", "DDX " + good.substr(4)},
        {"header size", patched(0, 100)},
        {"more mips than the size allows", patched(6, 10)},
        {"width differs from height", patched(3, 4)},
        {"absurd size", patched(2, 1u << 30)},
        {"pitch lies", patched(4, 12)},
        {"compressed", patched(19, 0x4)},
        {"16-bit texels", patched(21, 16)},
        {"five faces", patched(27, 0x200 | 0x7C00)},
        {"not a cube", patched(27, 0)},
        {"alpha flag without mask", patched(25, 0)},
    };
    for (const auto& [what, contents] : files) {
        SCOPED_TRACE(what);
        IDirect3DCubeTexture9* cube = reinterpret_cast<IDirect3DCubeTexture9*>(1);
        EXPECT_EQ(D3DXERR_INVALIDDATA, D3DXCreateCubeTextureFromFileA(device, writeFile("bad.dds", contents).c_str(),
                                                                      &cube));
        EXPECT_EQ(nullptr, cube);
    }
    // The mip count claims one level more than the file carries.
    std::string threeLevels = ddsCube(8, 3);
    std::memcpy(&threeLevels[4 + 6 * 4], "\x04\0\0\0", 4);
    IDirect3DCubeTexture9* cube = nullptr;
    EXPECT_EQ(D3DXERR_INVALIDDATA,
              D3DXCreateCubeTextureFromFileA(device, writeFile("lying.dds", threeLevels).c_str(), &cube));
    EXPECT_EQ(0, device->log().countCalls("CreateCubeTexture")) << "nothing is created for a bad file";
    ASSERT_EQ(D3D_OK, D3DXCreateCubeTextureFromFileA(device, writeFile("good.dds", good).c_str(), &cube));
    EXPECT_EQ(0u, cube->Release());
}

}  // namespace

// Each mip level of a texture is its previous level shrunk: halving (the usual step) and the
// uneven steps of other sizes must both give each texel the rounded mean of its source block.
TEST(MipShrink, EveryTexelIsTheRoundedMeanOfItsBlock) {
    struct Case {
        UINT fromWidth, fromHeight, toWidth, toHeight;
    };
    for (const Case& c : {Case{16, 8, 8, 4}, Case{2, 2, 1, 1}, Case{5, 3, 2, 1}, Case{169, 4, 84, 2}, Case{3, 1, 1, 1}}) {
        SCOPED_TRACE(std::to_string(c.fromWidth) + "x" + std::to_string(c.fromHeight));
        d3dxtexture::Image source;
        source.width = c.fromWidth;
        source.height = c.fromHeight;
        source.bgra.resize(size_t(c.fromWidth) * c.fromHeight * 4);
        uint32_t seed = 12345;
        for (uint8_t& byte : source.bgra) byte = uint8_t((seed = seed * 1103515245u + 12345u) >> 16);
        const d3dxtexture::Image out = d3dxtexture::shrink(source, c.toWidth, c.toHeight);
        ASSERT_EQ(c.toWidth, out.width);
        ASSERT_EQ(c.toHeight, out.height);
        for (UINT y = 0; y < c.toHeight; ++y) {
            const UINT y0 = y * c.fromHeight / c.toHeight, y1 = std::max(y0 + 1, (y + 1) * c.fromHeight / c.toHeight);
            for (UINT x = 0; x < c.toWidth; ++x) {
                const UINT x0 = x * c.fromWidth / c.toWidth, x1 = std::max(x0 + 1, (x + 1) * c.fromWidth / c.toWidth);
                for (int k = 0; k < 4; ++k) {
                    UINT sum = 0, count = 0;
                    for (UINT sy = y0; sy < y1; ++sy)
                        for (UINT sx = x0; sx < x1; ++sx, ++count) sum += source.bgra[(size_t(sy) * c.fromWidth + sx) * 4 + k];
                    ASSERT_EQ((sum + count / 2) / count, out.bgra[(size_t(y) * c.toWidth + x) * 4 + k])
                        << "texel " << x << "," << y << " channel " << k;
                }
            }
        }
    }
}

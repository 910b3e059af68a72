// Damaged files: every truncation and every single-byte change of valid PNG, PVR and ATC files
// goes through the game's loaders without a crash (run under ASan + UBSan to see every stray
// read or write), and damage that leaves too little data fails the load without a GL object.
#include <GLES/gl.h>
#include <gtest/gtest.h>

#include <cstring>

#include "gfx2d/atc_file.h"
#include "gfx2d/png_reader.h"
#include "gfx2d/pvr_file.h"
#include "gfx2d/resource_registry.h"
#include "gfx2d/texture.h"
#include "gfx2d/texture_test_util.h"
#include "tools/writers/png_writer.h"

namespace {

// Calls visit(bytes) for every proper prefix of file and every file with one byte changed
// (inverted, cleared, set, and stepped up by one).
template <typename Visit>
void sweep(const std::vector<uint8_t>& file, Visit visit) {
    for (size_t n = 0; n < file.size(); ++n) visit(std::vector<uint8_t>(file.begin(), file.begin() + n));
    for (size_t i = 0; i < file.size(); ++i)
        for (int kind = 0; kind < 4; ++kind) {
            std::vector<uint8_t> damaged = file;
            const uint8_t b = file[i];
            damaged[i] = kind == 0 ? static_cast<uint8_t>(~b) : kind == 1 ? 0 : kind == 2 ? 0xFF : static_cast<uint8_t>(b + 1);
            if (damaged[i] != b) visit(damaged);
        }
}

class Corruption : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(zvtest::ensureGlContext());
        createResourceRegistry();
        registeredBefore_ = registeredResourceCount();
    }
    void TearDown() override {
        EXPECT_EQ(registeredResourceCount(), registeredBefore_);
        while (glGetError() != GL_NO_ERROR) {
        }
    }
    int registeredBefore_ = 0;
};

// A load through the texture loader; true when a texture resulted (and it was destroyed again).
template <typename Load>
bool loads(const std::vector<uint8_t>& bytes, Load load) {
    // A copy of exactly the file's size, so that ASan sees any read past its end.
    uint8_t* exact = new uint8_t[bytes.size() ? bytes.size() : 1];
    if (!bytes.empty()) std::memcpy(exact, bytes.data(), bytes.size());
    Texture* texture = createTexture("damaged", 0);
    const bool ok = load(texture, exact, bytes.size());
    if (!ok) {
        EXPECT_EQ(texture->glName, 0u) << "a failed load made a GL object";
    }
    destroyTexture(texture);
    delete[] exact;
    return ok;
}

bool loadsAsPng(const std::vector<uint8_t>& bytes) {
    return loads(bytes, [](Texture* t, uint8_t* data, size_t size) {
        PngReader* reader = createPngReader();
        setPngData(reader, data, size, false);
        const bool ok = parsePngHeader(reader) && loadPngTexture(t, reader, false);
        destroyPngReader(reader);
        return ok;
    });
}

std::vector<uint8_t> samplePng(int colourType, int depth) {
    PngWriteOptions options;
    options.colourType = colourType;
    options.bitDepth = depth;
    options.filter = kPngFilterCycle;
    std::vector<uint8_t> rows(pngRowBytes(7, colourType, depth) * 5);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i * 37 + 11);
    if (colourType == kPngIndexed) {
        for (int i = 0; i < (1 << depth); ++i) options.palette.insert(options.palette.end(), {uint8_t(i * 9), 50, 200});
        options.transparency = {0, 100};
    }
    std::vector<uint8_t> png;
    EXPECT_TRUE(encodePng(rows.data(), 7, 5, options, &png));
    return png;
}

TEST_F(Corruption, DamagedPngsNeverCrashAndCutImageDataFails) {
    textest::ScopedCaps caps(1.1f, false, false);
    for (const std::vector<uint8_t>& png : {samplePng(kPngRgba, 8), samplePng(kPngIndexed, 4)}) {
        ASSERT_TRUE(loadsAsPng(png));
        const uint8_t iend[4] = {'I', 'E', 'N', 'D'};
        const size_t imageEnd = std::search(png.begin(), png.end(), iend, iend + 4) - png.begin() - 8;
        int loaded = 0, visits = 0;
        sweep(png, [&](const std::vector<uint8_t>& bytes) {
            ++visits;
            int32_t w, h;
            uint8_t* pixels = decodePngImage(bytes.data(), bytes.size(), &w, &h);
            const bool decoded = pixels != nullptr;
            delete[] pixels;
            const bool ok = loadsAsPng(bytes);
            EXPECT_EQ(ok, decoded);
            if (bytes.size() < imageEnd) {
                EXPECT_FALSE(ok) << "cut at " << bytes.size();
            }
            loaded += ok;
        });
        EXPECT_GT(visits, 500);
        EXPECT_GT(loaded, 0);  // changes in CRCs and ignored fields still load
    }
}

TEST_F(Corruption, DamagedPvrsNeverCrashAndShortDataFails) {
    for (const char* name : {"p11_smoke_32x32_2bpp_alpha_mips.pvr", "p07_noise_8x8_4bpp_rgb.pvr"}) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> pvr = textest::readBytes(textest::pvrtcVector(name));
        for (bool pvrtc : {false, true}) {
            textest::ScopedCaps caps(1.1f, pvrtc, false);
            for (bool mipmapped : {false, true}) {
                auto load = [mipmapped](Texture* t, uint8_t* data, size_t size) {
                    return loadPvrTexture(t, data, size, mipmapped);
                };
                sweep(pvr, [&](const std::vector<uint8_t>& bytes) {
                    const bool ok = loads(bytes, load);
                    PvrHeader header;
                    if (parsePvrHeader(bytes.data(), bytes.size(), &header)) {
                        // Decoding every level the header claims stays inside the file.
                        for (uint32_t k = 0; k <= std::min<uint32_t>(header.mipmapCount, 12); ++k) {
                            int32_t w, h;
                            delete[] decodePvrLevel(header, static_cast<int>(k), &w, &h);
                        }
                    }
                    if (bytes.size() < kPvrHeaderBytes + 32) {
                        EXPECT_FALSE(ok);
                    }
                });
            }
        }
    }
}

TEST_F(Corruption, DamagedAtcFilesNeverCrashAndShortDataFails) {
    textest::ScopedCaps caps(1.1f, false, true);
    // 16 x 8 with explicit alpha, full chain: 8 + 2 + 1 + 1 + 1 blocks of 16 bytes.
    std::vector<uint8_t> atc(24 + 13 * 16, 0x5A);
    const uint32_t words[5] = {0, 16, 8, 2, 24};
    std::memcpy(atc.data(), words, sizeof words);
    ASSERT_TRUE(loads(atc, [](Texture* t, uint8_t* d, size_t n) { return loadAtcTexture(t, d, n, true); }));
    for (bool mipmapped : {false, true}) {
        const size_t needed = 24 + (mipmapped ? 13 : 8) * 16;
        sweep(atc, [&](const std::vector<uint8_t>& bytes) {
            const bool ok = loads(bytes, [mipmapped](Texture* t, uint8_t* d, size_t n) {
                return loadAtcTexture(t, d, n, mipmapped);
            });
            if (bytes.size() < needed) {
                EXPECT_FALSE(ok) << bytes.size();
            }
        });
    }
}

}  // namespace

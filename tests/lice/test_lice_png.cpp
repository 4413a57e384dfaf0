// PNG decoding and writing: round trips, every input format converted to
// ARGB, and damaged data rejected cleanly.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "lice/LicePng.h"
#include "lice/LiceRaster.h"

namespace {

std::string TempPath(const char* name) { return testing::TempDir() + "lice_" + name; }

std::vector<unsigned char> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), (std::streamsize)bytes.size());
}

// Encodes raw rows with libpng directly, to build inputs in formats the
// library itself never writes.
struct PngSpec {
  PngSpec(int w, int h, int type, int bits) : width(w), height(h), colorType(type), depth(bits) {}
  int width, height, colorType, depth;
  bool interlaced = false;
  std::vector<png_color> palette;
  std::vector<png_byte> trns;
};

std::vector<unsigned char> EncodeRaw(const PngSpec& spec, const std::vector<std::vector<png_byte>>& rows) {
  std::vector<unsigned char> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    ADD_FAILURE() << "test encoder failed";
    return {};
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto* v = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(p));
        v->insert(v->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, spec.width, spec.height, spec.depth, spec.colorType,
               spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!spec.palette.empty()) png_set_PLTE(png, info, spec.palette.data(), (int)spec.palette.size());
  if (!spec.trns.empty()) png_set_tRNS(png, info, spec.trns.data(), (int)spec.trns.size(), nullptr);
  png_write_info(png, info);
  std::vector<png_bytep> pointers;
  for (const auto& r : rows) pointers.push_back(const_cast<png_bytep>(r.data()));
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::unique_ptr<LICE_IBitmap> Load(const std::vector<unsigned char>& bytes) {
  return std::unique_ptr<LICE_IBitmap>(LICE_LoadPNGFromMemory(bytes.data(), bytes.size()));
}

std::unique_ptr<LICE_MemBitmap> RandomBitmap(int w, int h, unsigned seed) {
  auto bmp = std::make_unique<LICE_MemBitmap>(w, h);
  std::mt19937 rng(seed);
  for (int i = 0; i < w * h; ++i) bmp->GetBits()[i] = rng();
  return bmp;
}

}  // namespace

TEST(LicePng, WriteThenLoadGivesIdenticalPixels) {
  auto bmp = RandomBitmap(37, 23, 1);
  const std::string path = TempPath("roundtrip.png");
  ASSERT_TRUE(LICE_WritePNG(path.c_str(), bmp.get())) << LICE_GetLastError();
  std::unique_ptr<LICE_IBitmap> back(LICE_LoadPNG(path.c_str()));
  ASSERT_TRUE(back) << LICE_GetLastError();
  EXPECT_STREQ(LICE_GetLastError(), "");
  ASSERT_EQ(back->getWidth(), 37);
  ASSERT_EQ(back->getHeight(), 23);
  for (int i = 0; i < 37 * 23; ++i) ASSERT_EQ(back->GetBits()[i], bmp->GetBits()[i]) << i;

  // Without alpha the colour survives and the alpha reads back opaque;
  // a system bitmap with padded rows can be both source and target.
  LICE_SysBitmap sys(5, 5);
  LICE_Copy(&sys, bmp.get());
  ASSERT_TRUE(LICE_WritePNG(path.c_str(), &sys, false));
  LICE_SysBitmap target;
  ASSERT_EQ(LICE_LoadPNG(path.c_str(), &target), &target);
  ASSERT_EQ(target.getWidth(), 37);
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 37; ++x)
      ASSERT_EQ(LICE_GetPixel(&target, x, y), LICE_GetPixel(bmp.get(), x, y) | 0xFF000000u);
}

TEST(LicePng, PaletteWithTransparencyExpandsToArgb) {
  PngSpec spec{4, 1, PNG_COLOR_TYPE_PALETTE, 4};
  spec.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 8, 7}};
  spec.trns = {255, 128, 0};  // entry 3 has no alpha entry: opaque
  const auto bmp = Load(EncodeRaw(spec, {{0x01, 0x23}}));
  ASSERT_TRUE(bmp) << LICE_GetLastError();
  EXPECT_EQ(LICE_GetPixel(bmp.get(), 0, 0), LICE_RGBA(255, 0, 0, 255));
  EXPECT_EQ(LICE_GetPixel(bmp.get(), 1, 0), LICE_RGBA(0, 255, 0, 128));
  EXPECT_EQ(LICE_GetPixel(bmp.get(), 2, 0), LICE_RGBA(0, 0, 255, 0));
  EXPECT_EQ(LICE_GetPixel(bmp.get(), 3, 0), LICE_RGBA(9, 8, 7, 255));
}

TEST(LicePng, GreyAndSixteenBitInputsConvert) {
  {
    const auto bmp = Load(EncodeRaw(PngSpec(8, 1, PNG_COLOR_TYPE_GRAY, 1), {{0xA5}}));  // 10100101
    ASSERT_TRUE(bmp);
    const int bits[] = {1, 0, 1, 0, 0, 1, 0, 1};
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(LICE_GetPixel(bmp.get(), x, 0), bits[x] ? 0xFFFFFFFFu : 0xFF000000u) << x;
  }
  {
    const auto bmp = Load(EncodeRaw(PngSpec(2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8), {{77, 200, 3, 0}}));
    ASSERT_TRUE(bmp);
    EXPECT_EQ(LICE_GetPixel(bmp.get(), 0, 0), LICE_RGBA(77, 77, 77, 200));
    EXPECT_EQ(LICE_GetPixel(bmp.get(), 1, 0), LICE_RGBA(3, 3, 3, 0));
  }
  {
    // 16-bit channels keep their high byte.
    const auto bmp = Load(EncodeRaw(PngSpec(1, 1, PNG_COLOR_TYPE_GRAY, 16), {{0x80, 0xFF}}));
    ASSERT_TRUE(bmp);
    EXPECT_EQ(LICE_GetPixel(bmp.get(), 0, 0), LICE_RGBA(0x80, 0x80, 0x80, 255));
    const auto rgba =
        Load(EncodeRaw(PngSpec(1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16), {{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0}}));
    ASSERT_TRUE(rgba);
    EXPECT_EQ(LICE_GetPixel(rgba.get(), 0, 0), LICE_RGBA(0x12, 0x56, 0x9A, 0xDE));
  }
}

TEST(LicePng, InterlacedDecodesLikeProgressive) {
  std::vector<std::vector<png_byte>> rows(13, std::vector<png_byte>(11 * 3));
  std::mt19937 rng(5);
  for (auto& r : rows)
    for (auto& b : r) b = (png_byte)rng();
  PngSpec plain{11, 13, PNG_COLOR_TYPE_RGB, 8};
  PngSpec interlaced = plain;
  interlaced.interlaced = true;
  const auto a = Load(EncodeRaw(plain, rows)), b = Load(EncodeRaw(interlaced, rows));
  ASSERT_TRUE(a && b);
  for (int i = 0; i < 11 * 13; ++i) ASSERT_EQ(a->GetBits()[i], b->GetBits()[i]) << i;
  EXPECT_EQ(LICE_GetPixel(a.get(), 0, 0), LICE_RGBA(rows[0][0], rows[0][1], rows[0][2], 255));
}

TEST(LicePng, DamagedDataFailsCleanly) {
  auto bmp = RandomBitmap(20, 17, 2);
  const std::string path = TempPath("damaged.png");
  ASSERT_TRUE(LICE_WritePNG(path.c_str(), bmp.get()));
  const std::vector<unsigned char> good = ReadFile(path);
  ASSERT_GT(good.size(), 100u);

  // Every truncation fails, from memory and from a file.
  for (size_t len = 0; len < good.size(); ++len) {
    EXPECT_EQ(LICE_LoadPNGFromMemory(good.data(), len), nullptr) << len;
    EXPECT_STRNE(LICE_GetLastError(), "");
    if (len % 37 == 0 || len + 1 == good.size()) {
      WriteFile(path, std::vector<unsigned char>(good.begin(), good.begin() + len));
      EXPECT_EQ(LICE_LoadPNG(path.c_str()), nullptr) << len;
    }
  }
  // Flipped bytes either decode to some image or fail with a message.
  std::mt19937 rng(3);
  for (int trial = 0; trial < 400; ++trial) {
    std::vector<unsigned char> bad = good;
    bad[rng() % bad.size()] ^= (unsigned char)(1 + rng() % 255);
    std::unique_ptr<LICE_IBitmap> result(LICE_LoadPNGFromMemory(bad.data(), bad.size()));
    if (!result) {
      EXPECT_STRNE(LICE_GetLastError(), "");
    }
  }
  // A caller's bitmap survives a failed load as a valid bitmap.
  LICE_MemBitmap target(3, 3);
  EXPECT_EQ(LICE_LoadPNGFromMemory(good.data(), good.size() / 2, &target), nullptr);
  LICE_FillRect(&target, 0, 0, 100, 100, 0xFFFFFFFF);
}

TEST(LicePng, NonPngInputsAreRefused) {
  const std::string empty = TempPath("empty.png"), text = TempPath("text.png");
  WriteFile(empty, {});
  WriteFile(text, {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'});
  LICE_MemBitmap keep(2, 2);
  for (const std::string& p : {empty, text, TempPath("missing/none.png")}) {
    EXPECT_EQ(LICE_LoadPNG(p.c_str(), &keep), nullptr) << p;
    EXPECT_NE(std::string(LICE_GetLastError()).find(p), std::string::npos) << LICE_GetLastError();
    EXPECT_EQ(keep.getWidth(), 2);
  }
  EXPECT_EQ(LICE_LoadPNG(nullptr), nullptr);
  EXPECT_EQ(LICE_LoadPNGFromMemory(nullptr, 10), nullptr);
  LICE_MemBitmap none;
  EXPECT_FALSE(LICE_WritePNG(TempPath("none.png").c_str(), &none));
  EXPECT_FALSE(LICE_WritePNG(TempPath("missing/none.png").c_str(), &keep));
}

TEST(LicePng, OversizedHeaderIsRejectedBeforeAllocating) {
  auto bmp = RandomBitmap(2, 2, 4);
  const std::string path = TempPath("huge.png");
  ASSERT_TRUE(LICE_WritePNG(path.c_str(), bmp.get()));
  std::vector<unsigned char> bytes = ReadFile(path);
  // IHDR data starts at byte 16: width, height big-endian; its CRC follows the 13 data bytes.
  const uint32_t width = 1u << 20;
  for (int i = 0; i < 4; ++i) bytes[16 + i] = (unsigned char)(width >> (24 - 8 * i));
  const uLong crc = crc32(0, bytes.data() + 12, 17);
  for (int i = 0; i < 4; ++i) bytes[29 + i] = (unsigned char)(crc >> (24 - 8 * i));
  EXPECT_EQ(LICE_LoadPNGFromMemory(bytes.data(), bytes.size()), nullptr);
  EXPECT_STRNE(LICE_GetLastError(), "");
}

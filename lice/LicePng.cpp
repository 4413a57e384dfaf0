// PNG decoding and encoding through libpng's classic interface.
//
// libpng reports errors by longjmp. The jump only ever crosses this file's
// plain-C frames: each Run* function keeps all its state in a struct of raw
// pointers that outlives the jump, has no C++ objects with destructors in
// scope, and the caller releases whatever was allocated once it returns.
#include "lice/LicePng.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

using lice_detail::ClearLastError;
using lice_detail::SetLastError;

namespace {

struct PngErrorSink {
  char message[160];
};

void OnPngError(png_structp png, png_const_charp msg) {
  PngErrorSink* sink = static_cast<PngErrorSink*>(png_get_error_ptr(png));
  std::snprintf(sink->message, sizeof(sink->message), "%s", msg ? msg : "PNG error");
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}  // ancillary damage is not fatal

struct MemoryReader {
  const unsigned char* data;
  size_t size;
  size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
  MemoryReader* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (length > r->size - r->pos) png_error(png, "truncated data");
  std::memcpy(out, r->data + r->pos, length);
  r->pos += length;
}

struct ReadJob {
  PngErrorSink sink;
  png_structp png;
  png_infop info;
  LICE_IBitmap* target;   // given by the caller, or null
  LICE_IBitmap* created;  // made here when target is null
};

// Decodes rows straight into the bitmap. Returns false with job->sink set.
bool RunDecode(ReadJob* job) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  png_structp png = job->png;
  png_infop info = job->info;
  png_set_user_limits(png, LICE_MAX_BITMAP_DIM, LICE_MAX_BITMAP_DIM);
  png_read_info(png, info);

  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const int colorType = png_get_color_type(png, info);
  const int depth = png_get_bit_depth(png, info);

  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (depth == 16) png_set_strip_16(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(png);
  // In memory a pixel 0xAARRGGBB is B, G, R, A on little-endian machines and
  // A, R, G, B on big-endian ones.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  png_set_swap_alpha(png);
  png_set_filler(png, 0xff, PNG_FILLER_BEFORE);
#else
  png_set_bgr(png);
  png_set_filler(png, 0xff, PNG_FILLER_AFTER);
#endif
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != (png_size_t)width * 4) png_error(png, "unsupported pixel layout");

  LICE_IBitmap* bmp = job->target;
  if (!bmp) bmp = job->created = new (std::nothrow) LICE_MemBitmap();
  if (!bmp) png_error(png, "out of memory");
  if (!bmp->resize((int)width, (int)height)) png_error(png, "image too large");

  const int span = bmp->getRowSpan();
  for (int pass = 0; pass < passes; ++pass)
    for (png_uint_32 y = 0; y < height; ++y)
      png_read_row(png, reinterpret_cast<png_bytep>(bmp->GetBits() + (size_t)y * span), nullptr);
  png_read_end(png, nullptr);
  return true;
}

LICE_IBitmap* Decode(FILE* file, MemoryReader* reader, LICE_IBitmap* bmp) {
  ReadJob job{};
  job.target = bmp;
  job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job.sink, OnPngError, OnPngWarning);
  if (job.png) job.info = png_create_info_struct(job.png);
  if (!job.png || !job.info) {
    png_destroy_read_struct(job.png ? &job.png : nullptr, nullptr, nullptr);
    SetLastError("out of memory");
    return nullptr;
  }
  if (file)
    png_init_io(job.png, file);
  else
    png_set_read_fn(job.png, reader, ReadFromMemory);

  const bool ok = RunDecode(&job);
  png_destroy_read_struct(&job.png, &job.info, nullptr);
  if (!ok) {
    delete job.created;
    SetLastError("PNG decoding failed: %s", job.sink.message);
    return nullptr;
  }
  ClearLastError();
  return bmp ? bmp : job.created;
}

bool HasPngSignature(const unsigned char* bytes, size_t n) {
  return n >= 8 && png_sig_cmp(bytes, 0, 8) == 0;
}

}  // namespace

LICE_IBitmap* LICE_LoadPNG(const char* filename, LICE_IBitmap* bmp) {
  if (!filename || !*filename) {
    SetLastError("no file name");
    return nullptr;
  }
  FILE* file = std::fopen(filename, "rb");
  if (!file) {
    SetLastError("cannot open \"%s\": %s", filename, std::strerror(errno));
    return nullptr;
  }
  unsigned char signature[8];
  const size_t got = std::fread(signature, 1, sizeof(signature), file);
  if (!HasPngSignature(signature, got)) {
    std::fclose(file);
    SetLastError("\"%s\" is not a PNG file", filename);
    return nullptr;
  }
  std::rewind(file);
  LICE_IBitmap* result = Decode(file, nullptr, bmp);
  std::fclose(file);
  return result;
}

LICE_IBitmap* LICE_LoadPNGFromMemory(const void* data, size_t size, LICE_IBitmap* bmp) {
  if (!data || !HasPngSignature(static_cast<const unsigned char*>(data), size)) {
    SetLastError("data is not a PNG image");
    return nullptr;
  }
  MemoryReader reader{static_cast<const unsigned char*>(data), size, 0};
  return Decode(nullptr, &reader, bmp);
}

namespace {

struct WriteJob {
  PngErrorSink sink;
  png_structp png;
  png_infop info;
  LICE_IBitmap* bmp;
  bool wantAlpha;
  LICE_PngEffort effort;
};

bool RunEncode(WriteJob* job) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  png_structp png = job->png;
  LICE_IBitmap* bmp = job->bmp;
  const int w = bmp->getWidth(), h = bmp->getHeight();
  png_set_IHDR(png, job->info, (png_uint_32)w, (png_uint_32)h, 8,
               job->wantAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (job->effort == LICE_PngEffort::kFast) {
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_compression_level(png, 3);
  }
  png_write_info(png, job->info);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  if (job->wantAlpha)
    png_set_swap_alpha(png);
  else
    png_set_filler(png, 0, PNG_FILLER_BEFORE);  // on write: strip the alpha byte
#else
  png_set_bgr(png);
  if (!job->wantAlpha) png_set_filler(png, 0, PNG_FILLER_AFTER);
#endif
  const int span = bmp->getRowSpan();
  for (int y = 0; y < h; ++y)
    png_write_row(png, reinterpret_cast<png_const_bytep>(bmp->GetBits() + (size_t)y * span));
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool LICE_WritePNG(const char* filename, LICE_IBitmap* bmp, bool wantAlpha, LICE_PngEffort effort) {
  if (!filename || !*filename) {
    SetLastError("no file name");
    return false;
  }
  if (!bmp || !bmp->GetBits() || bmp->getWidth() <= 0 || bmp->getHeight() <= 0) {
    SetLastError("cannot write an empty bitmap");
    return false;
  }
  FILE* file = std::fopen(filename, "wb");
  if (!file) {
    SetLastError("cannot create \"%s\": %s", filename, std::strerror(errno));
    return false;
  }
  WriteJob job{};
  job.bmp = bmp;
  job.wantAlpha = wantAlpha;
  job.effort = effort;
  job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job.sink, OnPngError, OnPngWarning);
  if (job.png) job.info = png_create_info_struct(job.png);
  bool ok = false;
  if (job.png && job.info) {
    png_init_io(job.png, file);
    ok = RunEncode(&job);
  } else {
    std::snprintf(job.sink.message, sizeof(job.sink.message), "out of memory");
  }
  png_destroy_write_struct(job.png ? &job.png : nullptr, job.info ? &job.info : nullptr);
  const bool closed = std::fclose(file) == 0;
  if (!ok || !closed) {
    std::remove(filename);
    SetLastError("PNG writing failed: %s", ok ? "cannot finish writing the file" : job.sink.message);
    return false;
  }
  ClearLastError();
  return true;
}

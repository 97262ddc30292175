#include "raster/PngLoader.h"

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

namespace tesselor::raster {

namespace {

constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr int kSignatureBytes = 8;
// Deflate cannot expand data more than 1032-fold, and one decompressed byte holds at most 8
// pixels (1-bit grey), so an image with more pixels than this per input byte cannot be complete.
// Refusing it up front spares allocating for pixels that can never arrive.
constexpr int64_t kMaxPixelsPerInputByte = 8 * 1032;

struct ReadCursor {
    const unsigned char* at;
    int remaining;  // bytes
};

// Bytes past the end read as zeros; libpng then fails on the damaged chunk that follows.
void ReadFromMemory(png_structp png, png_bytep out, size_t count) {
    auto* cursor = static_cast<ReadCursor*>(png_get_io_ptr(png));
    std::memset(out, 0, count);
    const size_t take = count < static_cast<size_t>(cursor->remaining)
                            ? count
                            : static_cast<size_t>(cursor->remaining);
    if (take > 0) std::memcpy(out, cursor->at, take);
    cursor->at += take;
    cursor->remaining -= static_cast<int>(take);
}

// Quiet handlers: a plug-in has no business writing to the host's standard error.
[[noreturn]] void OnPngError(png_structp png, png_const_charp /*message*/) { png_longjmp(png, 1); }
void OnPngWarning(png_structp /*png*/, png_const_charp /*message*/) {}

// The state of one decode. It lives in the caller's frame; the code that may be left by
// libpng's longjmp reaches it only through a pointer, so nothing it records is lost.
struct PngJob {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ReadCursor cursor{};
    std::FILE* file = nullptr;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    size_t rowBytes = 0;
    png_bytepp rows = nullptr;
};

// Reads the header and asks for 8-bit rows of alpha, red, green, blue (alpha 0xFF when the image
// has none).
void ReadHeader(PngJob* job) {
    png_structp png = job->png;
    png_infop info = job->info;
    png_set_user_limits(png, kMaxPngDimension, kMaxPngDimension);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colorType, nullptr, nullptr, nullptr);
    bool hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_tRNS_to_alpha(png);
        hasAlpha = true;
    }
    if (depth == 16) png_set_strip_16(png);
    if (depth < 8) png_set_packing(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    // Blue, green, red, alpha in memory, as the bitmaps hold them.
    png_set_bgr(png);
    if (!hasAlpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    job->width = width;
    job->height = height;
    job->rowBytes = png_get_rowbytes(png, info);
}

void ReadRows(PngJob* job) { png_read_image(job->png, job->rows); }

// Runs one step of libpng calls under its error-recovery point. This frame and the step's hold
// only trivially destructible locals, because a libpng error longjmps straight back here.
bool Guarded(PngJob* job, void (*step)(PngJob*)) {
    if (setjmp(png_jmpbuf(job->png))) return false;
    step(job);
    return true;
}

// Decodes into `dest`, or into a new MemBitmap when it is null. `inputBytes` is the size of the
// whole PNG, negative when unknown. Returns the bitmap written, or null (having released any
// bitmap it created).
RasterBitmap* Decode(PngJob& job, RasterBitmap* dest, int64_t inputBytes) {
    job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (!job.png) return nullptr;
    job.info = png_create_info_struct(job.png);
    if (!job.info) {
        png_destroy_read_struct(&job.png, nullptr, nullptr);
        return nullptr;
    }
    if (job.file) {
        png_init_io(job.png, job.file);
    } else {
        png_set_read_fn(job.png, &job.cursor, ReadFromMemory);
    }

    MemBitmap* created = nullptr;
    RasterBitmap* target = nullptr;
    bool ok = Guarded(&job, ReadHeader);
    const int width = static_cast<int>(job.width), height = static_cast<int>(job.height);
    if (ok) {
        ok = job.width > 0 && job.height > 0 && job.width <= kMaxPngDimension &&
             job.height <= kMaxPngDimension && job.rowBytes == static_cast<size_t>(job.width) * 4 &&
             (inputBytes < 0 ||
              static_cast<int64_t>(width) * height <= inputBytes * kMaxPixelsPerInputByte);
    }
    if (ok) {
        target = dest;
        if (!target) target = created = new (std::nothrow) MemBitmap();
        if (target) target->Resize(width, height);
        ok = target && target->Width() == width && target->Height() == height && target->Pixels() &&
             target->RowSpan() >= width;
    }
    if (ok) {
        job.rows = new (std::nothrow) png_bytep[job.height];
        ok = job.rows != nullptr;
    }
    if (ok) {
        for (int y = 0; y < height; ++y) job.rows[y] = reinterpret_cast<png_bytep>(target->Row(y));
        ok = Guarded(&job, ReadRows);
    }
    png_destroy_read_struct(&job.png, &job.info, nullptr);

    delete[] job.rows;
    job.rows = nullptr;
    if (!ok) {
        delete created;
        return nullptr;
    }
    return target;
}

bool EndsWithPngExtension(const char* path) {
    const char* dot = std::strrchr(path, '.');
    if (!dot || std::strpbrk(dot, "\\/")) return false;
    const char* want = ".png";
    for (int i = 0; i < 5; ++i) {
        char c = dot[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != want[i]) return false;
    }
    return true;
}

RasterBitmap* LoadPngEntry(const char* path, bool checkExtension, RasterBitmap* dest) {
    if (!path || (checkExtension && !EndsWithPngExtension(path))) return nullptr;
    return LoadPngFromFile(path, dest);
}

const char* PngExtensions() { return "PNG files (*.PNG)\0*.PNG\0"; }

const ImageLoaderEntry gPngLoader{LoadPngEntry, PngExtensions, nullptr};
const ImageLoaderEntry* const gFirstLoader = &gPngLoader;

}  // namespace

std::unique_ptr<MemBitmap> LoadPngFromMemory(const void* data, int length) {
    if (!data || length < kSignatureBytes || std::memcmp(data, kPngSignature, kSignatureBytes) != 0)
        return nullptr;
    PngJob job;
    job.cursor = ReadCursor{static_cast<const unsigned char*>(data), length};
    return std::unique_ptr<MemBitmap>(static_cast<MemBitmap*>(Decode(job, nullptr, length)));
}

RasterBitmap* LoadPngFromFile(const char* path, RasterBitmap* dest) {
    if (!path) return nullptr;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return nullptr;
    int64_t size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long end = std::ftell(file);
        if (end >= 0) size = end;
    }
    std::rewind(file);
    PngJob job;
    job.file = file;
    RasterBitmap* result = Decode(job, dest, size);
    std::fclose(file);
    return result;
}

const ImageLoaderEntry* FirstImageLoader() { return gFirstLoader; }

}  // namespace tesselor::raster

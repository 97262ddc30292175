#include "raster/PngWriter.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#ifdef _WIN32
#include <memory>

#include "raster/Utf8.h"
#endif

namespace tesselor::raster {

namespace {

// Encoded bytes gathered in a plain C buffer: libpng's writer may longjmp out of the sink, and a
// growing C++ container could throw through libpng's C frames.
struct ByteSink {
    unsigned char* data = nullptr;  // malloc'd
    size_t size = 0;                // bytes written
    size_t capacity = 0;            // bytes allocated
    bool outOfMemory = false;
};

bool Reserve(ByteSink* sink, size_t more) {
    if (more <= sink->capacity - sink->size) return true;
    if (more > SIZE_MAX / 2 - sink->size) return false;
    size_t capacity = sink->capacity < 4096 ? 4096 : sink->capacity;
    while (capacity - sink->size < more) capacity *= 2;
    auto* grown = static_cast<unsigned char*>(std::realloc(sink->data, capacity));
    if (!grown) return false;
    sink->data = grown;
    sink->capacity = capacity;
    return true;
}

void WriteToSink(png_structp png, png_bytep data, size_t length) {
    auto* sink = static_cast<ByteSink*>(png_get_io_ptr(png));
    if (!Reserve(sink, length)) {
        sink->outOfMemory = true;
        png_error(png, "out of memory");
    }
    std::memcpy(sink->data + sink->size, data, length);
    sink->size += length;
}

void FlushSink(png_structp /*png*/) {}

// Quiet handlers: a plug-in has no business writing to the host's standard error.
[[noreturn]] void OnPngError(png_structp png, png_const_charp /*message*/) { png_longjmp(png, 1); }
void OnPngWarning(png_structp /*png*/, png_const_charp /*message*/) {}

// Every libpng call of an encode, under one recovery point. Only trivially destructible locals
// live in this frame, because a libpng error longjmps straight back into it; the bitmap is read
// through RasterBitmap::Row, which neither allocates nor throws.
PngWriteStatus Encode(RasterBitmap* bitmap, ByteSink* sink) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (!png) return PngWriteStatus::kOutOfMemory;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return PngWriteStatus::kOutOfMemory;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return sink->outOfMemory ? PngWriteStatus::kOutOfMemory : PngWriteStatus::kEncodeFailed;
    }
    png_set_write_fn(png, sink, WriteToSink, FlushSink);
    // The images are small and written rarely; the smallest file is worth the extra time.
    png_set_compression_level(png, Z_BEST_COMPRESSION);
    png_set_IHDR(png, info, static_cast<png_uint_32>(bitmap->Width()),
                 static_cast<png_uint_32>(bitmap->Height()), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // The rows hold blue, green, red, alpha; libpng swaps them to PNG's order as it writes.
    png_set_bgr(png);
    const int height = bitmap->Height();
    for (int y = 0; y < height; ++y)
        png_write_row(png, reinterpret_cast<png_bytep>(bitmap->Row(y)));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return PngWriteStatus::kOk;
}

PngWriteStatus EncodeToSink(RasterBitmap* bitmap, ByteSink* sink) {
    if (!bitmap || !bitmap->Pixels() || bitmap->Width() <= 0 || bitmap->Height() <= 0 ||
        bitmap->RowSpan() < bitmap->Width()) {
        return PngWriteStatus::kNoPixels;
    }
    return Encode(bitmap, sink);
}

#ifdef _WIN32
// The C runtime reads narrow paths in the ANSI code page; UTF-8 needs the wide calls.
std::unique_ptr<wchar_t[]> WidePath(const char* path) {
    const int units = Utf8ToUtf16(path, -1, nullptr, 0);
    if (units < 0) return nullptr;
    std::unique_ptr<wchar_t[]> wide(new (std::nothrow) wchar_t[units + 1]);
    if (!wide || Utf8ToUtf16(path, -1, reinterpret_cast<char16_t*>(wide.get()), units) != units)
        return nullptr;
    wide[units] = 0;
    return wide;
}

std::FILE* OpenForWriting(const char* path) {
    const auto wide = WidePath(path);
    return wide ? _wfopen(wide.get(), L"wb") : nullptr;
}

void RemoveFile(const char* path) {
    if (const auto wide = WidePath(path)) _wremove(wide.get());
}
#else
std::FILE* OpenForWriting(const char* path) { return std::fopen(path, "wb"); }
void RemoveFile(const char* path) { std::remove(path); }
#endif

}  // namespace

const char* DescribePngWriteStatus(PngWriteStatus status) {
    switch (status) {
        case PngWriteStatus::kOk:
            return "written";
        case PngWriteStatus::kNoPixels:
            return "the bitmap has no pixels";
        case PngWriteStatus::kOutOfMemory:
            return "out of memory";
        case PngWriteStatus::kEncodeFailed:
            return "libpng could not encode the image";
        case PngWriteStatus::kCannotOpen:
            return "the file could not be created";
        case PngWriteStatus::kWriteFailed:
            return "writing the file failed";
    }
    return "unknown error";
}

PngWriteStatus WritePngToMemory(RasterBitmap* bitmap, std::vector<uint8_t>& out) {
    out.clear();
    ByteSink sink;
    PngWriteStatus status = EncodeToSink(bitmap, &sink);
    if (status == PngWriteStatus::kOk) {
        try {
            out.assign(sink.data, sink.data + sink.size);
        } catch (const std::bad_alloc&) {
            status = PngWriteStatus::kOutOfMemory;
        }
    }
    std::free(sink.data);
    return status;
}

PngWriteStatus WritePngToFile(RasterBitmap* bitmap, const char* path) {
    if (!path || !*path) return PngWriteStatus::kCannotOpen;
    ByteSink sink;
    PngWriteStatus status = EncodeToSink(bitmap, &sink);
    if (status == PngWriteStatus::kOk) {
        if (std::FILE* file = OpenForWriting(path)) {
            const bool written = std::fwrite(sink.data, 1, sink.size, file) == sink.size;
            if (std::fclose(file) != 0 || !written) {
                RemoveFile(path);
                status = PngWriteStatus::kWriteFailed;
            }
        } else {
            status = PngWriteStatus::kCannotOpen;
        }
    }
    std::free(sink.data);
    return status;
}

}  // namespace tesselor::raster

// libpng loaded with dlopen: the functions the tests use, resolved once by name.
#include "gfx2d/libpng_reference.h"

#include <dlfcn.h>
#include <png.h>

#include <csetjmp>
#include <cstring>

namespace libpng {

namespace {

struct Api {
#define ZV_PNG_FUNCTIONS(X)                                                                        \
    X(png_create_write_struct) X(png_create_read_struct) X(png_create_info_struct)               \
    X(png_destroy_write_struct) X(png_destroy_read_struct) X(png_set_longjmp_fn)                  \
    X(png_set_write_fn) X(png_set_read_fn) X(png_get_io_ptr) X(png_set_IHDR) X(png_set_PLTE)      \
    X(png_set_tRNS) X(png_set_filter) X(png_set_compression_buffer_size) X(png_write_info)       \
    X(png_write_row) X(png_write_end) X(png_read_info) X(png_get_IHDR) X(png_get_valid)          \
    X(png_set_palette_to_rgb) X(png_set_tRNS_to_alpha) X(png_set_add_alpha) X(png_set_strip_16)  \
    X(png_set_gray_to_rgb) X(png_set_expand_gray_1_2_4_to_8) X(png_read_update_info)              \
    X(png_get_rowbytes) X(png_read_row) X(png_read_end)
#define ZV_PNG_POINTER(name) decltype(&::name) name = nullptr;
    ZV_PNG_FUNCTIONS(ZV_PNG_POINTER)
    bool loaded = false;
};

const Api& api() {
    static Api a = [] {
        Api r;
        void* lib = dlopen("libpng16.so.16", RTLD_NOW | RTLD_LOCAL);
        if (!lib) return r;
        bool all = true;
#define ZV_PNG_RESOLVE(name)                                                          \
    r.name = reinterpret_cast<decltype(&::name)>(dlsym(lib, #name));                 \
    all = all && r.name;
        ZV_PNG_FUNCTIONS(ZV_PNG_RESOLVE)
        r.loaded = all;
        return r;
    }();
    return a;
}

struct ReadSource {
    const std::vector<uint8_t>* data;
    size_t position;
};

void writeToVector(png_structp png, png_bytep bytes, png_size_t n) {
    auto* out = static_cast<std::vector<uint8_t>*>(api().png_get_io_ptr(png));
    out->insert(out->end(), bytes, bytes + n);
}

void flushNothing(png_structp) {}

void readFromVector(png_structp png, png_bytep bytes, png_size_t n) {
    auto* src = static_cast<ReadSource*>(api().png_get_io_ptr(png));
    if (src->position + n > src->data->size()) {
        std::memset(bytes, 0, n);  // a short file decodes as garbage; the tests only feed whole ones
        src->position = src->data->size();
        return;
    }
    std::memcpy(bytes, src->data->data() + src->position, n);
    src->position += n;
}

jmp_buf& jumpBuffer(png_structp png) {
    return *api().png_set_longjmp_fn(png, longjmp, sizeof(jmp_buf));
}

}  // namespace

bool available() { return api().loaded; }

bool write(const WriteRequest& request, std::vector<uint8_t>* out) {
    const Api& a = api();
    if (!a.loaded) return false;
    out->clear();
    png_structp png = a.png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? a.png_create_info_struct(png) : nullptr;
    if (!info) {
        a.png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(jumpBuffer(png))) {
        a.png_destroy_write_struct(&png, &info);
        return false;
    }
    a.png_set_write_fn(png, out, writeToVector, flushNothing);
    // One IDAT: the whole stream fits the compression buffer.
    a.png_set_compression_buffer_size(png, 1 << 24);
    static const int kFilterFlags[5] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP,
                                        PNG_FILTER_AVG, PNG_FILTER_PAETH};
    a.png_set_filter(png, 0, request.filter >= 0 ? kFilterFlags[request.filter] : PNG_ALL_FILTERS);
    a.png_set_IHDR(png, info, request.width, request.height, request.bitDepth, request.colourType,
                   PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (size_t i = 0; i + 2 < request.palette.size(); i += 3)
        palette.push_back({request.palette[i], request.palette[i + 1], request.palette[i + 2]});
    if (!palette.empty())
        a.png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!request.transparency.empty())
        a.png_set_tRNS(png, info, request.transparency.data(),
                       static_cast<int>(request.transparency.size()), nullptr);
    a.png_write_info(png, info);
    const size_t rowBytes = request.rows.size() / request.height;
    for (int y = 0; y < request.height; ++y)
        a.png_write_row(png, request.rows.data() + y * rowBytes);
    a.png_write_end(png, info);
    a.png_destroy_write_struct(&png, &info);
    return true;
}

bool decodeRgba(const std::vector<uint8_t>& file, int* width, int* height,
                std::vector<uint8_t>* rgba) {
    const Api& a = api();
    if (!a.loaded) return false;
    png_structp png = a.png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? a.png_create_info_struct(png) : nullptr;
    if (!info) {
        a.png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(jumpBuffer(png))) {
        a.png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    ReadSource source{&file, 0};
    a.png_set_read_fn(png, &source, readFromVector);
    a.png_read_info(png, info);
    png_uint_32 w, h;
    int depth, colourType;
    a.png_get_IHDR(png, info, &w, &h, &depth, &colourType, nullptr, nullptr, nullptr);
    if (colourType == PNG_COLOR_TYPE_PALETTE) a.png_set_palette_to_rgb(png);
    if (a.png_get_valid(png, info, PNG_INFO_tRNS)) a.png_set_tRNS_to_alpha(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) a.png_set_expand_gray_1_2_4_to_8(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        a.png_set_gray_to_rgb(png);
    if (depth == 16) a.png_set_strip_16(png);
    a.png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    a.png_read_update_info(png, info);
    if (a.png_get_rowbytes(png, info) != size_t{w} * 4) {
        a.png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    rgba->assign(size_t{w} * h * 4, 0);
    for (png_uint_32 y = 0; y < h; ++y) a.png_read_row(png, rgba->data() + size_t{y} * w * 4, nullptr);
    a.png_read_end(png, nullptr);
    a.png_destroy_read_struct(&png, &info, nullptr);
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

}  // namespace libpng

// The gdk-pixbuf loader's read path (pixbufloader/wsq_pixbuf_loader.cpp, built in) over
// arbitrary bytes, driven as gdk-pixbuf drives it: fed in pieces (begin_load, load_increment,
// stop_load) and whole (load). Both must agree: the same success, and the same picture, 8-bit
// RGB without alpha. Every update must lie inside the prepared picture, and nothing may leak.
#define GDK_PIXBUF_ENABLE_BACKEND
#include <gdk-pixbuf/gdk-pixbuf-io.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#undef GDK_PIXBUF_ENABLE_BACKEND

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz/wsq_frame_pixels.h"
#include "wsq/wsq.h"

extern "C" void fill_vtable(GdkPixbufModule* module);

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

struct Callbacks {
    bool wantNoPixels = false;
    GdkPixbuf* prepared = nullptr;
    int sizeCalls = 0;
};

void askedSize(gint* width, gint* height, gpointer data) {
    auto* seen = static_cast<Callbacks*>(data);
    ++seen->sizeCalls;
    require(*width > 0 && *height > 0);
    if (seen->wantNoPixels) *width = *height = 0;
}

void prepared(GdkPixbuf* pixbuf, GdkPixbufAnimation* animation, gpointer data) {
    auto* seen = static_cast<Callbacks*>(data);
    require(pixbuf != nullptr && animation == nullptr && seen->prepared == nullptr);
    seen->prepared = GDK_PIXBUF(g_object_ref(pixbuf));
}

void updated(GdkPixbuf* pixbuf, int x, int y, int width, int height, gpointer data) {
    auto* seen = static_cast<Callbacks*>(data);
    require(pixbuf == seen->prepared && x >= 0 && y >= 0 && width >= 0 && height >= 0);
    require(x + width <= gdk_pixbuf_get_width(pixbuf) &&
            y + height <= gdk_pixbuf_get_height(pixbuf));
}

void requireRgb(GdkPixbuf* pixbuf) {
    require(gdk_pixbuf_get_colorspace(pixbuf) == GDK_COLORSPACE_RGB &&
            gdk_pixbuf_get_bits_per_sample(pixbuf) == 8 && !gdk_pixbuf_get_has_alpha(pixbuf) &&
            gdk_pixbuf_get_n_channels(pixbuf) == 3);
}

bool samePixels(GdkPixbuf* a, GdkPixbuf* b) {
    const int width = gdk_pixbuf_get_width(a), height = gdk_pixbuf_get_height(a);
    if (width != gdk_pixbuf_get_width(b) || height != gdk_pixbuf_get_height(b)) return false;
    for (int y = 0; y < height; ++y) {
        const guchar* rowA = gdk_pixbuf_read_pixels(a) + size_t(y) * gdk_pixbuf_get_rowstride(a);
        const guchar* rowB = gdk_pixbuf_read_pixels(b) + size_t(y) * gdk_pixbuf_get_rowstride(b);
        if (std::memcmp(rowA, rowB, size_t(width) * 3) != 0) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > size_t(1) << 20) return 0;
    {
        // The codec's lines about the frame walk go nowhere; the loader keeps its own quiet.
        const wsq::DiagnosticCapture quiet(wsq::DiagnosticCapture::Echo::Off);
        if (fuzzsupport::frame_pixels(data, int(size)) > fuzzsupport::kFuzzMaxPixels) return 0;
    }
    static GdkPixbufModule module = [] {
        GdkPixbufModule m{};
        fill_vtable(&m);
        return m;
    }();

    // Pieces of 1, 2, 3, ... bytes from an offset the input's size picks, so that the stream is
    // cut at every kind of place; one input in five asks for no pixels.
    Callbacks seen;
    seen.wantNoPixels = size % 5 == 4;
    GError* error = nullptr;
    gpointer context = module.begin_load(askedSize, prepared, updated, &seen, &error);
    require(context != nullptr && error == nullptr);
    size_t at = 0;
    bool fed = true;
    for (size_t piece = 1 + size % 7; at < size && fed; piece = piece % 61 + 1) {
        const size_t n = piece < size - at ? piece : size - at;
        fed = module.load_increment(context, data + at, guint(n), &error);
        at += n;
    }
    require(fed == (error == nullptr));
    const gboolean stopped = module.stop_load(context, fed ? &error : nullptr);
    require(!fed || stopped == (error == nullptr));
    const bool incremental = fed && stopped;
    g_clear_error(&error);

    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    GdkPixbuf* whole = nullptr;
    if (file != nullptr) {
        whole = module.load(file, &error);
        std::fclose(file);
        require((whole != nullptr) == (error == nullptr));
        g_clear_error(&error);
    }

    if (seen.wantNoPixels) {
        require(seen.prepared == nullptr);
    } else if (file != nullptr) {
        require(incremental == (whole != nullptr));
        require((seen.prepared != nullptr) == incremental);
    }
    if (seen.prepared) requireRgb(seen.prepared);
    if (whole) requireRgb(whole);
    if (seen.prepared && whole) require(samePixels(seen.prepared, whole));
    if (seen.prepared) g_object_unref(seen.prepared);
    if (whole) g_object_unref(whole);
    return 0;
}

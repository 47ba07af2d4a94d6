// The gdk-pixbuf loader for WSQ (libpixbufloader-wsq.so): GTK programs and GNOME's thumbnailers
// read WSQ files through it, whole (load) or fed in pieces (begin_load, load_increment,
// stop_load). The picture is 8-bit grey, given as RGB since gdk-pixbuf has no grey pixbuf; the
// NISTCOM resolution becomes the "x-dpi" and "y-dpi" options. Only fill_vtable and fill_info
// leave the shared object.
#define GDK_PIXBUF_ENABLE_BACKEND
#include <gdk-pixbuf/gdk-pixbuf-io.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#undef GDK_PIXBUF_ENABLE_BACKEND

#include <cstdio>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "wsq/wsq.h"

namespace {

// What begin_load hands back: the callbacks and the bytes fed so far.
struct IncrementalLoad {
    GdkPixbufModuleSizeFunc sizeFunc = nullptr;
    GdkPixbufModulePreparedFunc preparedFunc = nullptr;
    GdkPixbufModuleUpdatedFunc updatedFunc = nullptr;
    gpointer userData = nullptr;
    std::vector<uint8_t> bytes;
    bool tooLarge = false;
};

void setError(GError** error, GdkPixbufError code, const std::string& text) {
    g_set_error_literal(error, GDK_PIXBUF_ERROR, code, text.c_str());
}

bool fitsWholeFileLimit(size_t have, size_t more) {
    return more <= wsq::kMaxWholeFileBytes && have <= wsq::kMaxWholeFileBytes - more;
}

// Decodes a whole stream into a new pixbuf, or sets `error`. `sizeFunc`, when given, is told the
// size first; a width or height of 0 back means the caller wants no pixels (null, no error).
GdkPixbuf* decodeStream(std::span<const uint8_t> stream, GdkPixbufModuleSizeFunc sizeFunc,
                        gpointer userData, GError** error) {
    if (stream.size() < 4 || stream[0] != 0xFF || stream[1] != 0xA0 || stream[2] != 0xFF) {
        setError(error, GDK_PIXBUF_ERROR_UNKNOWN_TYPE, "WSQ: the data is not a WSQ stream");
        return nullptr;
    }
    try {
        // The codec's line goes into the GError, not onto the host program's standard error.
        const wsq::DiagnosticCapture quiet(wsq::DiagnosticCapture::Echo::Off);
        const wsq::Decoded decoded = wsq::decode(stream);
        const int width = decoded.facts.width, height = decoded.facts.height;
        if (decoded.error) {
            setError(error, GDK_PIXBUF_ERROR_CORRUPT_IMAGE, "WSQ: " + decoded.error.text());
            return nullptr;
        }
        if (width <= 0 || height <= 0 || decoded.pixels.size() != size_t(width) * size_t(height)) {
            setError(error, GDK_PIXBUF_ERROR_CORRUPT_IMAGE, "WSQ: the stream holds no picture");
            return nullptr;
        }
        if (sizeFunc) {
            int askedWidth = width, askedHeight = height;
            sizeFunc(&askedWidth, &askedHeight, userData);
            if (askedWidth == 0 || askedHeight == 0) return nullptr;
        }
        GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
        if (!pixbuf) {
            setError(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY,
                     "WSQ: not enough memory for the picture");
            return nullptr;
        }
        guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
        const size_t stride = size_t(gdk_pixbuf_get_rowstride(pixbuf));
        for (int y = 0; y < height; ++y) {
            const uint8_t* in = decoded.pixels.data() + size_t(y) * size_t(width);
            guchar* out = pixels + size_t(y) * stride;
            for (int x = 0; x < width; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = in[x];
        }
        if (decoded.facts.ppi > 0) {
            char ppi[16];
            g_snprintf(ppi, sizeof ppi, "%d", decoded.facts.ppi);
            gdk_pixbuf_set_option(pixbuf, "x-dpi", ppi);
            gdk_pixbuf_set_option(pixbuf, "y-dpi", ppi);
        }
        return pixbuf;
    } catch (const std::bad_alloc&) {
        setError(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY,
                 "WSQ: not enough memory for the picture");
        return nullptr;
    }
}

GdkPixbuf* loadFile(FILE* file, GError** error) {
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    for (;;) {
        const size_t n = std::fread(chunk, 1, sizeof chunk, file);
        if (n == 0) break;
        if (!fitsWholeFileLimit(bytes.size(), n)) {
            setError(error, GDK_PIXBUF_ERROR_CORRUPT_IMAGE,
                     "WSQ: the file is larger than any WSQ stream read");
            return nullptr;
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    if (std::ferror(file)) {
        setError(error, GDK_PIXBUF_ERROR_FAILED, "WSQ: the file could not be read");
        return nullptr;
    }
    return decodeStream(bytes, nullptr, nullptr, error);
}

gpointer beginLoad(GdkPixbufModuleSizeFunc sizeFunc, GdkPixbufModulePreparedFunc preparedFunc,
                   GdkPixbufModuleUpdatedFunc updatedFunc, gpointer userData, GError** error) {
    auto* load = new (std::nothrow) IncrementalLoad;
    if (!load) {
        setError(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "WSQ: not enough memory");
        return nullptr;
    }
    load->sizeFunc = sizeFunc;
    load->preparedFunc = preparedFunc;
    load->updatedFunc = updatedFunc;
    load->userData = userData;
    return load;
}

gboolean loadIncrement(gpointer context, const guchar* buf, guint size, GError** error) {
    auto* load = static_cast<IncrementalLoad*>(context);
    if (load->tooLarge || !fitsWholeFileLimit(load->bytes.size(), size)) {
        load->tooLarge = true;
        setError(error, GDK_PIXBUF_ERROR_CORRUPT_IMAGE,
                 "WSQ: the data is larger than any WSQ stream read");
        return FALSE;
    }
    try {
        load->bytes.insert(load->bytes.end(), buf, buf + size);
    } catch (const std::bad_alloc&) {
        setError(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "WSQ: not enough memory");
        return FALSE;
    }
    return TRUE;
}

// The whole stream is decoded here, when the last piece has arrived.
gboolean stopLoad(gpointer context, GError** error) {
    auto* load = static_cast<IncrementalLoad*>(context);
    gboolean ok = FALSE;
    if (load->tooLarge) {
        setError(error, GDK_PIXBUF_ERROR_CORRUPT_IMAGE,
                 "WSQ: the data is larger than any WSQ stream read");
    } else {
        GError* failure = nullptr;
        GdkPixbuf* pixbuf = decodeStream(load->bytes, load->sizeFunc, load->userData, &failure);
        if (pixbuf) {
            if (load->preparedFunc) load->preparedFunc(pixbuf, nullptr, load->userData);
            if (load->updatedFunc)
                load->updatedFunc(pixbuf, 0, 0, gdk_pixbuf_get_width(pixbuf),
                                  gdk_pixbuf_get_height(pixbuf), load->userData);
            g_object_unref(pixbuf);
            ok = TRUE;
        } else if (failure) {
            g_propagate_error(error, failure);
        } else {
            ok = TRUE;  // the caller asked for no pixels
        }
    }
    delete load;
    return ok;
}

}  // namespace

extern "C" {

G_MODULE_EXPORT void fill_vtable(GdkPixbufModule* module);
G_MODULE_EXPORT void fill_info(GdkPixbufFormat* info);

void fill_vtable(GdkPixbufModule* module) {
    module->load = loadFile;
    module->begin_load = beginLoad;
    module->stop_load = stopLoad;
    module->load_increment = loadIncrement;
}

void fill_info(GdkPixbufFormat* info) {
    // SOI (0xFFA0) and the first byte of the next marker.
    static GdkPixbufModulePattern signature[] = {
        {const_cast<char*>("\xff\xa0\xff"), const_cast<char*>("   "), 100},
        {nullptr, nullptr, 0},
    };
    static const gchar* mimeTypes[] = {"image/x-wsq", nullptr};
    static const gchar* extensions[] = {"wsq", nullptr};
    info->name = const_cast<gchar*>("wsq");
    info->signature = signature;
    info->description = const_cast<gchar*>("WSQ fingerprint image");
    info->mime_types = const_cast<gchar**>(mimeTypes);
    info->extensions = const_cast<gchar**>(extensions);
    info->flags = GDK_PIXBUF_FORMAT_THREADSAFE;
    info->license = const_cast<gchar*>("MIT");
}

}  // extern "C"

/* The gdk-pixbuf loader as GTK programs meet it: this program links gdk-pixbuf only and finds the
 * loader through GDK_PIXBUF_MODULE_FILE (and image/x-wsq through XDG_DATA_DIRS, by which
 * gdk-pixbuf picks a loader). It reads the conformance streams to their reference decodes, whole
 * and in pieces, at a size asked for, by content under another name, and refuses every
 * truncation and non-WSQ data with an error.
 *   test_pixbuf_loader CONFORMANCE_DIR SCRATCH_DIR
 *   test_pixbuf_loader --same-pixels A B      (exit 0 when two files read to the same pixels) */
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib/gstdio.h>
#include <stdio.h>
#include <string.h>

static int failures = 0;

#define CHECK(cond, ...)                                                   \
    do {                                                                   \
        if (!(cond)) {                                                     \
            ++failures;                                                    \
            fprintf(stderr, "%s:%d: %s: ", __FILE__, __LINE__, #cond);     \
            fprintf(stderr, __VA_ARGS__);                                  \
            fputc('\n', stderr);                                           \
        }                                                                  \
    } while (0)

/* Whether two pixbufs hold the same grey picture: same size, every channel of every pixel
 * equal to the other's first channel (the reference decodes are grey PNGs). */
static gboolean same_pixels(GdkPixbuf *a, GdkPixbuf *b) {
    if (!a || !b) return FALSE;
    const int w = gdk_pixbuf_get_width(a), h = gdk_pixbuf_get_height(a);
    if (w != gdk_pixbuf_get_width(b) || h != gdk_pixbuf_get_height(b)) return FALSE;
    const int na = gdk_pixbuf_get_n_channels(a), nb = gdk_pixbuf_get_n_channels(b);
    const guchar *pa = gdk_pixbuf_read_pixels(a), *pb = gdk_pixbuf_read_pixels(b);
    const int sa = gdk_pixbuf_get_rowstride(a), sb = gdk_pixbuf_get_rowstride(b);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                const int ca = na >= 3 ? c : 0, cb = nb >= 3 ? c : 0;
                if (pa[y * sa + x * na + ca] != pb[y * sb + x * nb + cb]) return FALSE;
            }
    return TRUE;
}

/* Feeds the bytes to a loader in pieces of `piece` bytes; the picture, or NULL and `error`. */
static GdkPixbuf *load_in_pieces(const guchar *bytes, gsize size, gsize piece, GError **error) {
    GdkPixbufLoader *loader = gdk_pixbuf_loader_new();
    gboolean ok = TRUE;
    for (gsize at = 0; ok && at < size; at += piece)
        ok = gdk_pixbuf_loader_write(loader, bytes + at, MIN(piece, size - at), error);
    if (ok) {
        ok = gdk_pixbuf_loader_close(loader, error);
    } else {
        gdk_pixbuf_loader_close(loader, NULL);
    }
    GdkPixbuf *pixbuf = ok ? gdk_pixbuf_loader_get_pixbuf(loader) : NULL;
    if (pixbuf) g_object_ref(pixbuf);
    g_object_unref(loader);
    return pixbuf;
}

static void check_stream(const char *dir, const char *name, const char *scratch) {
    char *path = g_build_filename(dir, name, NULL);
    char *base = g_strndup(name, strlen(name) - strlen(".wsq"));
    char *reference_name = g_strdup_printf("%s/%s.dec.png", dir, base);
    GError *error = NULL;
    GdkPixbuf *reference = gdk_pixbuf_new_from_file(reference_name, &error);
    CHECK(reference != NULL, "%s: %s", reference_name, error ? error->message : "");
    g_clear_error(&error);

    /* Whole, from the file: the pixels and the resolution. */
    GdkPixbuf *whole = gdk_pixbuf_new_from_file(path, &error);
    CHECK(whole != NULL, "%s: %s", name, error ? error->message : "");
    g_clear_error(&error);
    CHECK(same_pixels(whole, reference), "%s: pixels differ from the reference decode", name);
    if (whole) {
        CHECK(g_strcmp0(gdk_pixbuf_get_option(whole, "x-dpi"), "500") == 0, "%s: x-dpi", name);
        CHECK(g_strcmp0(gdk_pixbuf_get_option(whole, "y-dpi"), "500") == 0, "%s: y-dpi", name);
    }
    GdkPixbufFormat *format = gdk_pixbuf_get_file_info(path, NULL, NULL);
    gchar *format_name = format ? gdk_pixbuf_format_get_name(format) : NULL;
    CHECK(g_strcmp0(format_name, "wsq") == 0, "%s: format %s", name,
          format_name ? format_name : "(none)");
    g_free(format_name);

    /* In pieces, as a loader is fed from a stream. */
    gchar *bytes = NULL;
    gsize size = 0;
    CHECK(g_file_get_contents(path, &bytes, &size, NULL), "%s: cannot read", name);
    GdkPixbuf *pieces = load_in_pieces((const guchar *)bytes, size, 7, &error);
    CHECK(same_pixels(pieces, reference), "%s: read in pieces: %s", name,
          error ? error->message : "pixels differ");
    g_clear_error(&error);

    /* At a size asked for: fitted into 64 x 64. */
    GdkPixbuf *small = gdk_pixbuf_new_from_file_at_size(path, 64, 64, &error);
    CHECK(small && MAX(gdk_pixbuf_get_width(small), gdk_pixbuf_get_height(small)) == 64,
          "%s: at size: %s", name, error ? error->message : "wrong size");
    g_clear_error(&error);

    /* By content, under a name that says nothing. */
    char *renamed = g_build_filename(scratch, "stream.bin", NULL);
    CHECK(g_file_set_contents(renamed, bytes, (gssize)size, NULL), "cannot write %s", renamed);
    GdkPixbuf *by_content = gdk_pixbuf_new_from_file(renamed, &error);
    CHECK(same_pixels(by_content, reference), "%s as stream.bin: %s", name,
          error ? error->message : "pixels differ");
    g_clear_error(&error);

    g_unlink(renamed);
    g_free(renamed);
    g_clear_object(&by_content);
    g_clear_object(&small);
    g_clear_object(&pieces);
    g_clear_object(&whole);
    g_clear_object(&reference);
    g_free(bytes);
    g_free(reference_name);
    g_free(base);
    g_free(path);
}

/* Every truncation of a stream, and data that only starts like one, is refused with an error. */
static void check_damaged(const char *dir, const char *scratch) {
    char *path = g_build_filename(dir, "fp_101x81_s14_r2.25.wsq", NULL);
    gchar *bytes = NULL;
    gsize size = 0;
    CHECK(g_file_get_contents(path, &bytes, &size, NULL), "cannot read %s", path);
    char *cut = g_build_filename(scratch, "cut.wsq", NULL);
    /* The last two bytes are the end marker, which the decoder does not need. */
    for (gsize n = 0; n + 2 < size; ++n) {
        GError *error = NULL;
        GdkPixbuf *pieces = load_in_pieces((const guchar *)bytes, n, 64, &error);
        CHECK(!pieces && (n == 0 || error), "a stream cut to %zu bytes read in pieces", n);
        g_clear_error(&error);
        g_clear_object(&pieces);
        if (n % 16 != 0) continue; /* the file route for every 16th cut */
        CHECK(g_file_set_contents(cut, bytes, (gssize)n, NULL), "cannot write %s", cut);
        GdkPixbuf *whole = gdk_pixbuf_new_from_file(cut, &error);
        CHECK(!whole && error, "a stream cut to %zu bytes read from a file", n);
        g_clear_error(&error);
        g_clear_object(&whole);
    }
    /* The signature and then nothing that decodes. */
    guchar fake[300];
    memset(fake, 0x5a, sizeof fake);
    fake[0] = 0xff, fake[1] = 0xa0, fake[2] = 0xff, fake[3] = 0xa8;
    CHECK(g_file_set_contents(cut, (const gchar *)fake, sizeof fake, NULL), "cannot write");
    GError *error = NULL;
    GdkPixbuf *fake_pixbuf = gdk_pixbuf_new_from_file(cut, &error);
    CHECK(!fake_pixbuf && error, "a stream of nothing but a header read");
    g_clear_error(&error);
    g_clear_object(&fake_pixbuf);
    g_unlink(cut);
    g_free(cut);
    g_free(bytes);
    g_free(path);
}

int main(int argc, char **argv) {
    if (argc == 4 && strcmp(argv[1], "--same-pixels") == 0) {
        GdkPixbuf *a = gdk_pixbuf_new_from_file(argv[2], NULL);
        GdkPixbuf *b = gdk_pixbuf_new_from_file(argv[3], NULL);
        const gboolean same = same_pixels(a, b);
        if (!same) fprintf(stderr, "%s and %s differ\n", argv[2], argv[3]);
        g_clear_object(&a);
        g_clear_object(&b);
        return same ? 0 : 1;
    }
    if (argc != 3) {
        fprintf(stderr, "usage: test_pixbuf_loader CONFORMANCE_DIR SCRATCH_DIR\n");
        return 2;
    }
    g_mkdir_with_parents(argv[2], 0700);
    GDir *dir = g_dir_open(argv[1], 0, NULL);
    CHECK(dir != NULL, "cannot open %s", argv[1]);
    int streams = 0;
    for (const char *name; dir && (name = g_dir_read_name(dir));) {
        if (!g_str_has_suffix(name, ".wsq")) continue;
        check_stream(argv[1], name, argv[2]);
        ++streams;
    }
    if (dir) g_dir_close(dir);
    CHECK(streams >= 5, "only %d conformance streams", streams);
    check_damaged(argv[1], argv[2]);
    printf("%d conformance streams, %d failures\n", streams, failures);
    return failures == 0 ? 0 : 1;
}

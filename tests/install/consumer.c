/* A program that knows libwsq only from its installed header and library:
 *   consumer decode IN.wsq OUT.pgm      the picture as a binary PGM, and its facts
 *   consumer encode IN.pgm RATE PPI OUT.wsq
 */
#include <libwsq/wsq.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static unsigned char* read_all(const char* path, size_t* size) {
    FILE* f = fopen(path, "rb");
    unsigned char* data = NULL;
    long n;
    if (f == NULL) return NULL;
    if (fseek(f, 0, SEEK_END) == 0 && (n = ftell(f)) >= 0 && fseek(f, 0, SEEK_SET) == 0) {
        data = malloc((size_t)n + 1);
        if (data != NULL && fread(data, 1, (size_t)n, f) != (size_t)n) {
            free(data);
            data = NULL;
        }
        *size = (size_t)n;
    }
    fclose(f);
    return data;
}

static int write_all(const char* path, const char* header, const unsigned char* data,
                     size_t size) {
    FILE* f = fopen(path, "wb");
    int ok;
    if (f == NULL) return 0;
    ok = fputs(header, f) >= 0 && fwrite(data, 1, size, f) == size;
    return fclose(f) == 0 && ok;
}

static int decode(const char* in, const char* out) {
    size_t size = 0;
    unsigned char* stream = read_all(in, &size);
    wsq_image* image = NULL;
    wsq_error error;
    char header[64];
    size_t i;
    int ok;
    if (stream == NULL) return fprintf(stderr, "cannot read %s\n", in), 1;
    if (wsq_decode(stream, size, &image, &error) != 0) {
        fprintf(stderr, "%s: %s (%d)\n", in, error.message, error.code);
        free(stream);
        return 1;
    }
    free(stream);
    printf("libwsq %s: %d x %d, %d ppi, encoder %d, software %d, %lu NISTCOM entries\n",
           wsq_version(), image->facts.width, image->facts.height, image->facts.ppi,
           image->facts.encoder, image->facts.software, (unsigned long)image->facts.nistcom_count);
    for (i = 0; i < image->facts.comment_count; ++i)
        printf("comment: %s\n", image->facts.comments[i]);
    sprintf(header, "P5\n%d %d\n255\n", image->facts.width, image->facts.height);
    ok = write_all(out, header, image->pixels, image->size);
    wsq_image_free(image);
    return ok ? 0 : 1;
}

static int encode(const char* in, float rate, int ppi, const char* out) {
    size_t size = 0, stream_size = 0;
    unsigned char* pgm = read_all(in, &size);
    unsigned char* stream = NULL;
    int width = 0, height = 0, maxval = 0, used = 0, ok;
    wsq_error error;
    if (pgm == NULL) return fprintf(stderr, "cannot read %s\n", in), 1;
    pgm[size] = '\0';
    if (sscanf((const char*)pgm, "P5 %d %d %d%n", &width, &height, &maxval, &used) != 3 ||
        maxval != 255 || size - (size_t)used - 1 < (size_t)width * (size_t)height) {
        free(pgm);
        return fprintf(stderr, "%s is not an 8-bit binary PGM\n", in), 1;
    }
    if (wsq_encode(pgm + used + 1, width, height, rate, ppi, NULL, NULL, 0, &stream,
                   &stream_size, &error) != 0) {
        fprintf(stderr, "%s: %s (%d)\n", in, error.message, error.code);
        free(pgm);
        return 1;
    }
    free(pgm);
    ok = write_all(out, "", stream, stream_size);
    wsq_free(stream);
    return ok ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc == 4 && strcmp(argv[1], "decode") == 0) return decode(argv[2], argv[3]);
    if (argc == 6 && strcmp(argv[1], "encode") == 0)
        return encode(argv[2], (float)atof(argv[3]), atoi(argv[4]), argv[5]);
    fprintf(stderr, "usage: consumer decode IN.wsq OUT.pgm | encode IN.pgm RATE PPI OUT.wsq\n");
    return 2;
}

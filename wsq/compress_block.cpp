// Huffman coding of one block of quantized values into a caller's byte area.
#include <cstdio>

#include "wsq/byte_io.h"
#include "wsq/coded_block_writer.h"
#include "wsq/diagnostics.h"
#include "wsq/huffman_encode.h"
#include "wsq/symbol_mapping.h"

namespace wsq {

namespace {

// Writes the assembled byte, and the stuffed zero that keeps a coded 0xFF from reading as a
// marker. Both go through the bounded byte writer, so a block that outgrows its area fails
// with its overflow message instead of writing past the end.
int put_coded_byte(CodedBlockWriter* writer) {
    if (int rc = putc_byte(writer->byte, writer->outbuf, writer->outalloc, &writer->count);
        rc != 0) {
        return rc;
    }
    if (writer->byte == 0xFF) {
        if (int rc = putc_byte(0x00, writer->outbuf, writer->outalloc, &writer->count); rc != 0) {
            return rc;
        }
    }
    writer->byte = 0;
    writer->bit_pos = 7;
    return 0;
}

}  // namespace

int emit_code_bits(CodedBlockWriter* writer, uint32_t code, int size) {
    if (size < 0 || size > 32) {
        report("ERROR : emit_code_bits : code length %d out of range\n", size);
        return -45;
    }
    for (int i = size - 1; i >= 0; --i) {
        if ((code >> i) & 1u)
            writer->byte = static_cast<uint8_t>(writer->byte | (1u << writer->bit_pos));
        if (--writer->bit_pos < 0) {
            if (int rc = put_coded_byte(writer); rc != 0) return rc;
        }
    }
    return 0;
}

int finish_coded_block(CodedBlockWriter* writer) {
    if (writer->bit_pos == 7) return 0;
    writer->byte = static_cast<uint8_t>(writer->byte | ((1u << (writer->bit_pos + 1)) - 1u));
    return put_coded_byte(writer);
}

int compress_block(uint8_t* outbuf, int outalloc, int* obytes, const int16_t* sip, int sip_siz,
                   int MaxCoeff, int MaxZRun, const HuffCode* codes) {
    if (MaxCoeff < 1 || MaxCoeff + kCoefficientSymbolBias > MAX_HUFFCOUNTS_WSQ || MaxZRun < 1 ||
        MaxZRun >= kSymbolPositive8 || sip_siz < 0) {
        report("ERROR : compress_block : MaxCoeff %d, MaxZRun %d or size %d out of range\n",
               MaxCoeff, MaxZRun, sip_siz);
        return -46;
    }
    CodedBlockWriter writer;
    writer.outbuf = outbuf;
    writer.outalloc = outalloc;
    int rc = walk_block_symbols(sip, sip_siz, MaxCoeff, MaxZRun,
                                [&](int symbol, int payload_bits, unsigned payload) -> int {
                                    const HuffCode& hc = codes[symbol];
                                    if (int e = emit_code_bits(&writer, hc.code, hc.size); e != 0) {
                                        return e;
                                    }
                                    return emit_code_bits(&writer, payload, payload_bits);
                                });
    if (rc == 0) rc = finish_coded_block(&writer);
    if (rc != 0) return rc;
    *obytes = writer.count;
    return 0;
}

}  // namespace wsq

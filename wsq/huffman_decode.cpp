// Reading the entropy-coded blocks: the bit reader, symbol decoding and coefficient expansion.
#include "wsq/huffman_decode.h"

#include <cstdint>
#include <vector>

#include "wsq/byte_io.h"
#include "wsq/codec_state.h"
#include "wsq/codestream.h"
#include "wsq/diagnostics.h"
#include "wsq/symbol_mapping.h"

namespace wsq {

namespace {

// continuation: this read completes a request that began in the previous byte, so a marker
// here cannot end the block.
int nextbits(BitReader& in, uint16_t* obits, int bits_req, bool continuation) {
    if (in.bit_count == 0) {
        uint8_t byte = 0;
        if (int ret = getc_byte(&byte, &in.cur, in.end)) return ret;
        in.bit_count = 8;
        in.byte = byte;
        // Inside coded data every 0xFF is followed by a stuffed 0x00. Any other byte after
        // 0xFF is a marker: it ends the block, and only a one-bit read (the start of a
        // symbol) may meet it.
        if (byte == 0xff) {
            uint8_t next = 0;
            if (int ret = getc_byte(&next, &in.cur, in.end)) return ret;
            if (next != 0) {
                if (bits_req == 1 && !continuation) {
                    in.marker = static_cast<uint16_t>((0xff << 8) | next);
                    *obits = 1;
                    return 0;
                }
                report("ERROR: getc_nextbits_wsq : No stuffed zeros\n");
                return -41;
            }
        }
    }
    if (bits_req <= in.bit_count) {
        const int shift = in.bit_count - bits_req;
        *obits = static_cast<uint16_t>((in.byte >> shift) & ((1u << bits_req) - 1));
        in.bit_count = shift;
        in.byte = static_cast<uint8_t>(in.byte & ((1u << shift) - 1));
        return 0;
    }
    const int bits_needed = bits_req - in.bit_count;
    const uint16_t high = static_cast<uint16_t>(in.byte & ((1u << in.bit_count) - 1));
    in.bit_count = 0;
    uint16_t low = 0;
    if (int ret = nextbits(in, &low, bits_needed, true)) return ret;
    *obits = static_cast<uint16_t>((high << bits_needed) | low);
    return 0;
}

void print_overflow(int which) {
    report("ERROR : huffman_decode_data_mem [%d]: ", which);
    report("Decoded data extends past image buffer. ");
    report("Encoded data appears corrupt or non-standard.\n");
    flush_reports();
}

// Counts for which canonical codes exist: no more codes of each length than the shorter
// codes leave room for (Kraft's inequality). Other counts would give codes that do not fit
// their lengths and value indexes outside the table.
bool counts_form_prefix_code(const uint8_t* huffbits) {
    uint32_t room = 1;  // codes still free at the current length
    for (int len = 1; len <= MAX_HUFFBITS; ++len) {
        room *= 2;
        if (huffbits[len - 1] > room) return false;
        room -= huffbits[len - 1];
    }
    return true;
}

}  // namespace

int read_bits(BitReader& in, uint16_t* obits, int bits_req) {
    if (bits_req < 1 || bits_req > 16 || in.bit_count < 0 || in.bit_count > 8) {
        report("ERROR: getc_nextbits_wsq : %d bits requested\n", bits_req);
        return -41;
    }
    return nextbits(in, obits, bits_req, false);
}

int read_symbol(BitReader& in, const DecodeTables& tables, const uint8_t* huffvalues,
                int* osymbol) {
    uint16_t bit = 0;
    if (int ret = read_bits(in, &bit, 1)) return ret;
    if (in.marker != 0) {
        *osymbol = -1;
        return 0;
    }
    int32_t code = bit;
    int len = 1;
    while (code > tables.maxcode[len]) {
        if (len == MAX_HUFFBITS) {
            report("ERROR : decode_symbol : no code of up to %d bits matches\n", MAX_HUFFBITS);
            return -53;
        }
        if (int ret = read_bits(in, &bit, 1)) return ret;
        code = ((code << 1) + bit) & 0xffff;
        ++len;
        if (in.marker != 0) {
            *osymbol = -1;
            return 0;
        }
    }
    const int32_t index = tables.valptr[len] + code - tables.mincode[len];
    if (index < 0 || index > MAX_HUFFCOUNTS_WSQ) {
        report("ERROR : decode_symbol : code %d of %d bits has no value\n", code, len);
        return -53;
    }
    *osymbol = huffvalues[index];
    return 0;
}

void build_peek_table(PeekTable* opeek, const DecodeTables& tables, const uint8_t* huffvalues) {
    for (int window = 0; window < (1 << PEEK_BITS); ++window) {
        uint16_t entry = 0;
        // The same walk as decode_symbol, on the first PEEK_BITS bits.
        for (int len = 1; len <= PEEK_BITS; ++len) {
            const int32_t code = window >> (PEEK_BITS - len);
            if (code > tables.maxcode[len]) continue;
            const int32_t index = tables.valptr[len] + code - tables.mincode[len];
            // A code without a value is left to decode_symbol, which reports it.
            if (index >= 0 && index <= MAX_HUFFCOUNTS_WSQ)
                entry = static_cast<uint16_t>((len << 8) | huffvalues[index]);
            break;
        }
        (*opeek)[window] = entry;
    }
}

int read_symbol_fast(BitReader& in, const PeekTable& peek, const DecodeTables& tables,
                     const uint8_t* huffvalues, int* osymbol) {
    const int have = in.bit_count;
    if (in.marker == 0 && have >= 0 && have <= 8) {
        const uint32_t current = in.byte & ((1u << have) - 1);
        // The next data byte, when it is one: a plain byte, or 0xFF with its stuffed zero.
        // Anything else (the end of the data, a marker) leaves only the current bits.
        const uint8_t* p = in.cur;
        int step = 0;
        uint32_t next = 0;
        if (p < in.end) {
            if (p[0] != 0xff) {
                step = 1;
            } else if (in.end - p >= 2 && p[1] == 0) {
                step = 2;
            }
            if (step != 0) next = p[0];
        }
        const int avail = have + (step != 0 ? 8 : 0);
        const uint32_t window = ((current << 8) | next) << (PEEK_BITS - 8);
        const uint16_t entry = peek[(window >> have) & ((1u << PEEK_BITS) - 1)];
        const int len = entry >> 8;
        if (len != 0 && len <= avail) {
            *osymbol = entry & 0xff;
            if (len <= have) {
                in.bit_count = have - len;
                in.byte = static_cast<uint8_t>(current & ((1u << (have - len)) - 1));
            } else {
                const int left = 8 - (len - have);
                in.cur = p + step;
                in.bit_count = left;
                in.byte = static_cast<uint8_t>(next & ((1u << left) - 1));
            }
            return 0;
        }
    }
    // Longer codes, markers, the end of the data and bad codes: the bit-by-bit walk.
    return read_symbol(in, tables, huffvalues, osymbol);
}

// The fixed entry points keep the reader's byte in the calling thread's codec state between
// calls; the cursor, the bit count and the marker are the caller's.
namespace {

template <typename Read>
int with_thread_reader(const uint8_t** cbufptr, const uint8_t* ebufptr, int* bit_count,
                       uint16_t* marker, Read&& read) {
    uint8_t& byte = codec_state().bit_reader_byte;
    BitReader in{*cbufptr, ebufptr, *bit_count, byte, *marker};
    const int ret = read(in);
    *cbufptr = in.cur;
    *bit_count = in.bit_count;
    byte = in.byte;
    *marker = in.marker;
    return ret;
}

}  // namespace

int getc_nextbits_wsq(uint16_t* obits, uint16_t* marker, const uint8_t** cbufptr,
                      const uint8_t* ebufptr, int* bit_count, int bits_req) {
    return with_thread_reader(cbufptr, ebufptr, bit_count, marker,
                              [&](BitReader& in) { return read_bits(in, obits, bits_req); });
}

int decode_symbol(int* osymbol, const DecodeTables& tables, const uint8_t* huffvalues,
                  const uint8_t** cbufptr, const uint8_t* ebufptr, int* bit_count,
                  uint16_t* marker) {
    return with_thread_reader(cbufptr, ebufptr, bit_count, marker, [&](BitReader& in) {
        return read_symbol(in, tables, huffvalues, osymbol);
    });
}

int decode_symbol_fast(int* osymbol, const PeekTable& peek, const DecodeTables& tables,
                       const uint8_t* huffvalues, const uint8_t** cbufptr, const uint8_t* ebufptr,
                       int* bit_count, uint16_t* marker) {
    return with_thread_reader(cbufptr, ebufptr, bit_count, marker, [&](BitReader& in) {
        return read_symbol_fast(in, peek, tables, huffvalues, osymbol);
    });
}

namespace {

template <bool Fast>
int decode_blocks(int16_t* ip, const BlockLayout& layout, TransformTable* dtt_table,
                  QuantTable* dqt_table, HuffmanTableSet* dht_table, const uint8_t** cbufptr,
                  const uint8_t* ebufptr) {
    BitReader in{*cbufptr, ebufptr};
    // The cursor goes back to the caller on every way out.
    struct Hand {
        BitReader& in;
        const uint8_t** cbufptr;
        ~Hand() { *cbufptr = in.cur; }
    } hand{in, cbufptr};

    if (int ret = getc_marker_wsq(&in.marker, TablesOrSob, &in.cur, in.end)) return ret;

    // Counts are 64-bit: runs of up to 65535 zeros are added before they are checked.
    int64_t count = 0;
    int64_t nsamples = int64_t{layout.width} * int64_t{layout.height};
    bool uncoded_subtracted = false;
    int blocks = 0;
    int table_id = 0;
    DecodeTables tables;
    PeekTable peek{};
    int16_t* out = ip;

    for (;;) {
        if (in.marker == EOI_WSQ) return 0;

        if (in.marker != 0) {
            while (in.marker != SOB_WSQ) {
                if (int ret =
                        getc_table_wsq(in.marker, dtt_table, dqt_table, dht_table, &in.cur, in.end))
                    return ret;
                if (int ret = getc_marker_wsq(&in.marker, TablesOrSob, &in.cur, in.end)) return ret;
            }
            if (dqt_table->dqt_def && !uncoded_subtracted) {
                // Subbands with a bin width of 0 are not coded at all.
                for (int k = 0; k < MAX_SUBBANDS; ++k) {
                    if (dqt_table->q[k] == 0.0f)
                        nsamples -= int64_t{layout.q_tree[k].lenx} * layout.q_tree[k].leny;
                }
                uncoded_subtracted = true;
            }
            uint8_t huff_table = 0;
            if (int ret = getc_block_header(&huff_table, &in.cur, in.end)) return ret;
            table_id = huff_table;
            if (table_id >= MAX_DHT_TABLES || !(*dht_table)[table_id].tabdef) {
                report("ERROR : huffman_decode_data_mem : ");
                report("huffman table {%d} undefined.\n", table_id);
                return -51;
            }
            const HuffmanTable& table = (*dht_table)[table_id];
            if (!counts_form_prefix_code(table.huffbits.data())) {
                report("ERROR : huffman_decode_data_mem : ");
                report("huffman table {%d} counts form no prefix code.\n", table_id);
                return -54;
            }
            std::vector<HuffCode> codes;
            int num_codes = 0;
            if (int ret =
                    build_huffsizes(&codes, &num_codes, table.huffbits.data(), MAX_HUFFCOUNTS_WSQ))
                return ret;
            assign_huffcodes(codes.data());
            if (check_all_ones_codes(codes.data(), num_codes) != 0)
                report_warning("         hufftable_id = %d\n", table_id);
            build_decode_tables(&tables, codes.data(), table.huffbits.data());
            if constexpr (Fast) build_peek_table(&peek, tables, table.huffvalues.data());
            ++blocks;
            in.bit_count = 0;
            in.marker = 0;
        }

        int symbol = 0;
        const uint8_t* huffvalues = (*dht_table)[table_id].huffvalues.data();
        if constexpr (Fast) {
            if (int ret = read_symbol_fast(in, peek, tables, huffvalues, &symbol)) return ret;
        } else {
            if (int ret = read_symbol(in, tables, huffvalues, &symbol)) return ret;
        }

        if (symbol == -1) {
            while (in.marker == COM_WSQ && blocks == 3) {
                if (int ret =
                        getc_table_wsq(in.marker, dtt_table, dqt_table, dht_table, &in.cur, in.end))
                    return ret;
                if (int ret = getc_marker_wsq(&in.marker, AnyMarker, &in.cur, in.end)) return ret;
            }
            continue;
        }

        if (count > nsamples) {
            print_overflow(1);
            return -51;
        }

        int64_t run = -1;  // zeros to write, or -1 for one coefficient
        int16_t value = 0;
        uint16_t bits = 0;
        if (symbol > 0 && symbol <= MAX_HUFFZRUN) {
            run = symbol;
            count += run;
            if (count > nsamples) {
                print_overflow(2);
                return -51;
            }
        } else if (symbol == kSymbolPositive8 || symbol == kSymbolNegative8) {
            if (int ret = read_bits(in, &bits, 8)) return ret;
            value =
                static_cast<int16_t>(symbol == kSymbolPositive8 ? bits : -static_cast<int>(bits));
        } else if (symbol == kSymbolPositive16 || symbol == kSymbolNegative16) {
            if (int ret = read_bits(in, &bits, 16)) return ret;
            // A 16-bit payload of 32768 or more wraps, as the stored values are 16-bit.
            value =
                static_cast<int16_t>(symbol == kSymbolPositive16 ? bits : -static_cast<int>(bits));
        } else if (symbol == kSymbolZeroRun8 || symbol == kSymbolZeroRun16) {
            if (int ret = read_bits(in, &bits, symbol == kSymbolZeroRun8 ? 8 : 16)) return ret;
            run = bits;
            count += run;
            if (count > nsamples) {
                print_overflow(symbol == kSymbolZeroRun8 ? 3 : 4);
                return -51;
            }
        } else if (symbol >= kCoefficientSymbolBias + 1 - MAX_HUFFCOEFF &&
                   symbol <= kCoefficientSymbolBias + MAX_HUFFCOEFF) {
            value = static_cast<int16_t>(symbol - kCoefficientSymbolBias);
        } else {
            report("ERROR: huffman_decode_data_mem : Invalid code %d (%x).\n", symbol, symbol);
            return -52;
        }

        if (run >= 0) {
            for (int64_t i = 0; i < run; ++i) *out++ = 0;
        } else {
            if (count >= nsamples) {
                print_overflow(1);
                return -51;
            }
            *out++ = value;
            ++count;
        }
    }
}

BlockLayout thread_layout() {
    const CodecState& state = codec_state();
    return {state.frm_header_wsq.width, state.frm_header_wsq.height, state.q_tree};
}

}  // namespace

int huffman_decode_blocks(int16_t* ip, const BlockLayout& layout, TransformTable* dtt_table,
                          QuantTable* dqt_table, HuffmanTableSet* dht_table,
                          const uint8_t** cbufptr, const uint8_t* ebufptr) {
    return decode_blocks<true>(ip, layout, dtt_table, dqt_table, dht_table, cbufptr, ebufptr);
}

int huffman_decode_data_mem(int16_t* ip, TransformTable* dtt_table, QuantTable* dqt_table,
                            HuffmanTableSet* dht_table, const uint8_t** cbufptr,
                            const uint8_t* ebufptr) {
    return decode_blocks<true>(ip, thread_layout(), dtt_table, dqt_table, dht_table, cbufptr,
                               ebufptr);
}

int huffman_decode_data_mem_reference(int16_t* ip, TransformTable* dtt_table, QuantTable* dqt_table,
                                      HuffmanTableSet* dht_table, const uint8_t** cbufptr,
                                      const uint8_t* ebufptr) {
    return decode_blocks<false>(ip, thread_layout(), dtt_table, dqt_table, dht_table, cbufptr,
                                ebufptr);
}

}  // namespace wsq

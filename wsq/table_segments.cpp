// Reading the table segments (DTT, DQT, DHT) and dispatching table and comment markers.
#include <cstdio>
#include <new>

#include "wsq/byte_io.h"
#include "wsq/codestream.h"
#include "wsq/diagnostics.h"
#include "wsq/scaled_integer.h"

namespace wsq {

namespace {

// One 6-byte DTT coefficient record: sign, scale, 32-bit magnitude.
int getc_filter_record(float* ovalue, const uint8_t** cur, const uint8_t* end) {
    uint8_t sign = 0, scale = 0;
    uint32_t magnitude = 0;
    if (int ret = getc_byte(&sign, cur, end)) return ret;
    if (int ret = getc_byte(&scale, cur, end)) return ret;
    if (int ret = getc_u32(&magnitude, cur, end)) return ret;
    float value = scaled_integer_value(scale, magnitude);
    if (sign != 0) value = -value;
    *ovalue = value;
    return 0;
}

int getc_scaled_u16(float* ovalue, const uint8_t** cur, const uint8_t* end) {
    uint8_t scale = 0;
    uint16_t raw = 0;
    if (int ret = getc_byte(&scale, cur, end)) return ret;
    if (int ret = getc_u16(&raw, cur, end)) return ret;
    *ovalue = scaled_integer_value(scale, raw);
    return 0;
}

void clear_filters(TransformTable* dtt_table) {
    dtt_table->lofilt.clear();
    dtt_table->hifilt.clear();
    dtt_table->lo_def = 0;
    dtt_table->hi_def = 0;
}

}  // namespace

int getc_transform_table(TransformTable* dtt_table, const uint8_t** cbufptr,
                         const uint8_t* ebufptr) {
    const uint8_t* cur = *cbufptr;
    uint16_t length = 0;
    uint8_t first = 0, second = 0;
    if (int ret = getc_u16(&length, &cur, ebufptr)) return ret;
    if (int ret = getc_byte(&first, &cur, ebufptr)) return ret;
    if (int ret = getc_byte(&second, &cur, ebufptr)) return ret;

    // The analysis low-pass length is the synthesis high-pass length, and the other way round.
    const int hisize = first;
    const int losize = second;
    clear_filters(dtt_table);
    std::vector<float> lofilt(losize), hifilt(hisize);

    const int m1 = (hisize + 1) / 2;
    for (int i = 0; i < m1; ++i) {
        float a = 0.0f;
        if (int ret = getc_filter_record(&a, &cur, ebufptr)) return ret;
        const float v = (i % 2 == 0) ? a : -a;
        if (hisize % 2 == 1) {
            hifilt[m1 - 1 + i] = v;
            if (i > 0) hifilt[m1 - 1 - i] = v;
        } else {
            hifilt[m1 + i] = v;
            hifilt[m1 - 1 - i] = -v;
        }
    }
    const int m2 = (losize + 1) / 2;
    for (int i = 0; i < m2; ++i) {
        float b = 0.0f;
        if (int ret = getc_filter_record(&b, &cur, ebufptr)) return ret;
        if (losize % 2 == 1) {
            const float v = (i % 2 == 0) ? b : -b;
            lofilt[m2 - 1 + i] = v;
            if (i > 0) lofilt[m2 - 1 - i] = v;
        } else {
            const float v = (i % 2 == 0) ? -b : b;
            lofilt[m2 + i] = v;
            lofilt[m2 - 1 - i] = v;
        }
    }

    dtt_table->lofilt = std::move(lofilt);
    dtt_table->hifilt = std::move(hifilt);
    dtt_table->losize = static_cast<uint8_t>(losize);
    dtt_table->hisize = static_cast<uint8_t>(hisize);
    dtt_table->lo_def = 1;
    dtt_table->hi_def = 1;
    *cbufptr = cur;
    return 0;
}

int getc_quantization_table(QuantTable* dqt_table, const uint8_t** cbufptr,
                            const uint8_t* ebufptr) {
    const uint8_t* cur = *cbufptr;
    uint16_t length = 0;
    QuantTable table;
    if (int ret = getc_u16(&length, &cur, ebufptr)) return ret;
    if (int ret = getc_scaled_u16(&table.bin_center, &cur, ebufptr)) return ret;
    for (int k = 0; k < MAX_SUBBANDS; ++k) {
        if (int ret = getc_scaled_u16(&table.q[k], &cur, ebufptr)) return ret;
        if (int ret = getc_scaled_u16(&table.z[k], &cur, ebufptr)) return ret;
    }
    table.dqt_def = 1;
    *dqt_table = table;
    *cbufptr = cur;
    return 0;
}

int getc_huffman_table(uint8_t* otable_id, std::vector<uint8_t>* ohuffbits,
                       std::vector<uint8_t>* ohuffvalues, int max_huffcounts,
                       const uint8_t** cbufptr, const uint8_t* ebufptr, int read_table_len,
                       int* bytes_left) {
    const uint8_t* cur = *cbufptr;
    int left = *bytes_left;
    if (read_table_len) {
        uint16_t length = 0;
        if (int ret = getc_u16(&length, &cur, ebufptr)) return ret;
        left = length - 2;
    }
    if (left < 1) {
        report("ERROR : getc_huffman_table : no huffman table bytes remaining\n");
        return -2;
    }
    uint8_t table_id = 0;
    if (int ret = getc_byte(&table_id, &cur, ebufptr)) return ret;
    left -= 1;

    std::vector<uint8_t> huffbits(MAX_HUFFBITS);
    if (int ret = getc_bytes(huffbits.data(), MAX_HUFFBITS, &cur, ebufptr)) return ret;
    left -= MAX_HUFFBITS;
    int num_hufvals = 0;
    for (uint8_t c : huffbits) num_hufvals += c;
    if (num_hufvals > max_huffcounts + 1) {
        report(
            "ERROR : getc_huffman_table : num_hufvals (%d) is largerthan "
            "MAX_HUFFCOUNTS (%d)\n",
            num_hufvals, max_huffcounts + 1);
        return -4;
    }
    std::vector<uint8_t> huffvalues(static_cast<size_t>(max_huffcounts) + 1);
    if (int ret = getc_bytes(huffvalues.data(), num_hufvals, &cur, ebufptr)) return ret;
    left -= num_hufvals;

    *otable_id = table_id;
    *ohuffbits = std::move(huffbits);
    *ohuffvalues = std::move(huffvalues);
    *bytes_left = left;
    *cbufptr = cur;
    return 0;
}

namespace {

// Table ids name one of the 8 slots; anything else is refused before a slot is touched.
int check_table_id(uint8_t table_id) {
    if (table_id >= MAX_DHT_TABLES) {
        report("ERROR : getc_huffman_segment : huffman table id %d is not below %d\n", table_id,
               MAX_DHT_TABLES);
        return -2;
    }
    return 0;
}

void store_table(HuffmanTable* slot, const std::vector<uint8_t>& huffbits,
                 const std::vector<uint8_t>& huffvalues) {
    std::copy(huffbits.begin(), huffbits.begin() + MAX_HUFFBITS, slot->huffbits.begin());
    std::copy(huffvalues.begin(), huffvalues.begin() + (MAX_HUFFCOUNTS_WSQ + 1),
              slot->huffvalues.begin());
    slot->tabdef = 1;
}

}  // namespace

int getc_huffman_segment(HuffmanTableSet* dht_table, const uint8_t** cbufptr,
                         const uint8_t* ebufptr) {
    const uint8_t* cur = *cbufptr;
    int bytes_left = 0;
    uint8_t table_id = 0;
    std::vector<uint8_t> huffbits, huffvalues;
    if (int ret = getc_huffman_table(&table_id, &huffbits, &huffvalues, MAX_HUFFCOUNTS_WSQ, &cur,
                                     ebufptr, 1, &bytes_left))
        return ret;
    if (int ret = check_table_id(table_id)) return ret;
    store_table(&(*dht_table)[table_id], huffbits, huffvalues);
    // The first table was stored; the cursor follows what was read, whatever fails later.
    *cbufptr = cur;

    while (bytes_left != 0) {
        if (int ret = getc_huffman_table(&table_id, &huffbits, &huffvalues, MAX_HUFFCOUNTS_WSQ,
                                         &cur, ebufptr, 0, &bytes_left))
            return ret;
        if (int ret = check_table_id(table_id)) return ret;
        HuffmanTable* slot = &(*dht_table)[table_id];
        if (slot->tabdef) return -2;
        store_table(slot, huffbits, huffvalues);
        *cbufptr = cur;
    }
    return 0;
}

int getc_table_wsq(uint16_t marker, TransformTable* dtt_table, QuantTable* dqt_table,
                   HuffmanTableSet* dht_table, const uint8_t** cbufptr, const uint8_t* ebufptr) {
    switch (marker) {
        case DTT_WSQ:
            return getc_transform_table(dtt_table, cbufptr, ebufptr);
        case DQT_WSQ:
            return getc_quantization_table(dqt_table, cbufptr, ebufptr);
        case DHT_WSQ:
            return getc_huffman_segment(dht_table, cbufptr, ebufptr);
        case COM_WSQ: {
            // The decoder has no use for comments; the NISTCOM reader walks them separately.
            std::string comment;
            return getc_comment(&comment, cbufptr, ebufptr);
        }
        default:
            report("ERROR: getc_table_wsq : Invalid table defined -> {%u}\n",
                   static_cast<unsigned>(marker));
            return -93;
    }
}

}  // namespace wsq

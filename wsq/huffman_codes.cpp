// Canonical Huffman codes from the 16 code-length counts of a table.
#include "wsq/huffman_codes.h"
#include "wsq/diagnostics.h"

#include <cstdio>
#include <new>

namespace wsq {

int build_huffsizes(std::vector<HuffCode>* ohuffcode_table, int* otemp_size,
                    const uint8_t* huffbits, int max_huffcounts) {
    std::vector<HuffCode> table;
    try {
        // Room for every code a table can hold plus the entry of size 0 that ends the list.
        table.resize(static_cast<size_t>(max_huffcounts) + 2);
    } catch (const std::bad_alloc&) {
        report("ERROR : build_huffsizes : calloc : huffcode_table\n");
        return -2;
    }
    int count = 0;
    for (int size = 1; size <= MAX_HUFFBITS; ++size) {
        for (int i = 0; i < huffbits[size - 1]; ++i) {
            // A table read from a stream holds at most max + 1 codes; more are not listed.
            if (count >= max_huffcounts + 1) break;
            table[count++].size = static_cast<uint16_t>(size);
        }
    }
    table[count].size = 0;
    *ohuffcode_table = std::move(table);
    *otemp_size = count;
    return 0;
}

void assign_huffcodes(HuffCode* huffcode_table) {
    uint32_t code = 0;
    uint16_t size = huffcode_table[0].size;
    if (size == 0) return;
    for (int k = 0;;) {
        do {
            huffcode_table[k].code = code & 0xffff;
            ++code;
            ++k;
        } while (huffcode_table[k].size == size);
        if (huffcode_table[k].size == 0) return;
        do {
            code <<= 1;
            ++size;
        } while (huffcode_table[k].size != size);
    }
}

int check_all_ones_codes(const HuffCode* huffcode_table, int size) {
    for (int k = 0; k < size; ++k) {
        const uint32_t all_ones = (uint32_t{1} << huffcode_table[k].size) - 1;
        if (huffcode_table[k].code == all_ones) {
            report_warning("WARNING: A code in the hufftable contains an ");
            report_warning("all 1's code.\n         This image may still be ");
            report_warning("decodable.\n         It is not compliant with ");
            report_warning("the WSQ specification.\n");
            return -1;
        }
    }
    return 0;
}

void build_decode_tables(DecodeTables* tables, const HuffCode* huffcode_table,
                         const uint8_t* huffbits) {
    *tables = DecodeTables{};
    int k = 0;
    for (int len = 1; len <= MAX_HUFFBITS; ++len) {
        if (huffbits[len - 1] == 0) {
            tables->maxcode[len] = -1;
            continue;
        }
        tables->valptr[len] = k;
        tables->mincode[len] = static_cast<int32_t>(huffcode_table[k].code);
        k += huffbits[len - 1] - 1;
        tables->maxcode[len] = static_cast<int32_t>(huffcode_table[k].code);
        ++k;
    }
}

}  // namespace wsq

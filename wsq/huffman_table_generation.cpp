// An optimal Huffman code limited to 16 bits, generated from the symbol counts of one or more
// blocks, with the length counts and symbol list that the table segment carries.
#include "wsq/huffman_table_generation.h"

#include <cstdio>
#include <new>

#include "wsq/diagnostics.h"
#include "wsq/huffman_codes.h"
#include "wsq/huffman_encode.h"

namespace wsq {

void pick_two_least_frequent(int* value1, int* value2, const int* freq, int max_huffcounts) {
    int v1 = -1;
    for (int i = 0; i <= max_huffcounts; ++i) {
        if (freq[i] != 0 && (v1 < 0 || freq[i] <= freq[v1])) v1 = i;
    }
    int v2 = -1;
    for (int i = 0; i <= max_huffcounts; ++i) {
        if (i != v1 && freq[i] != 0 && (v2 < 0 || freq[i] <= freq[v2])) v2 = i;
    }
    *value1 = v1;
    *value2 = v2;
}

int find_huff_sizes(std::vector<int>* ocodesize, int* freq, int max_huffcounts) {
    const size_t n = static_cast<size_t>(max_huffcounts) + 1;
    std::vector<int> codesize;
    std::vector<int> others;
    try {
        codesize.assign(n, 0);
    } catch (const std::bad_alloc&) {
        report("ERROR : find_huff_sizes : calloc : codesize\n");
        return -2;
    }
    try {
        // The chain of symbols merged below each symbol; -1 ends it.
        others.assign(n, -1);
    } catch (const std::bad_alloc&) {
        report("ERROR : find_huff_sizes : malloc : others\n");
        return -3;
    }
    for (;;) {
        int v1 = 0;
        int v2 = 0;
        pick_two_least_frequent(&v1, &v2, freq, max_huffcounts);
        if (v2 < 0) break;
        freq[v1] += freq[v2];
        freq[v2] = 0;
        ++codesize[v1];
        while (others[v1] >= 0) {
            v1 = others[v1];
            ++codesize[v1];
        }
        others[v1] = v2;
        ++codesize[v2];
        while (others[v2] >= 0) {
            v2 = others[v2];
            ++codesize[v2];
        }
    }
    *ocodesize = std::move(codesize);
    return 0;
}

int find_num_huff_sizes(std::vector<int>* obits, int* adjust, const int* codesize,
                        int max_huffcounts) {
    std::vector<int> bits;
    try {
        bits.assign(kMaxCountedCodeLength, 0);
    } catch (const std::bad_alloc&) {
        report("ERROR : find_num_huff_sizes : calloc : bits\n");
        return -2;
    }
    int longer = 0;
    for (int i = 0; i < max_huffcounts; ++i) {
        const int size = codesize[i];
        if (size == 0) continue;
        // Only counts that grow like a Fibonacci series over millions of values get here.
        if (size > kMaxCountedCodeLength) {
            report(
                "ERROR : find_num_huff_sizes : Code length of %d for symbol %d is "
                "greater than %d.\n",
                size, i, kMaxCountedCodeLength);
            return -3;
        }
        ++bits[size - 1];
        if (size > MAX_HUFFBITS) longer = 1;
    }
    *adjust = longer;
    *obits = std::move(bits);
    return 0;
}

int sort_huffbits(std::vector<int>* bits) {
    std::vector<int16_t> tbits;
    try {
        tbits.assign(kMaxCountedCodeLength, 0);
    } catch (const std::bad_alloc&) {
        report("ERROR : sort_huffbits : malloc : tbits\n");
        return -2;
    }
    for (int i = 0; i < kMaxCountedCodeLength; ++i) tbits[i] = static_cast<int16_t>((*bits)[i]);

    // Each step moves a pair of the longest codes up: one of them replaces their common prefix,
    // the other goes below the longest shorter code, which grows by one bit.
    for (int i = kMaxCountedCodeLength - 1; i > MAX_HUFFBITS - 1; --i) {
        while (tbits[i] > 0) {
            int j = i - 2;
            while (j >= 0 && tbits[j] == 0) --j;
            if (j < 0) {
                report(
                    "ERROR : sort_huffbits : no shorter code to lengthen for "
                    "length %d.\n",
                    i + 1);
                return -3;
            }
            tbits[i] = static_cast<int16_t>(tbits[i] - 2);
            tbits[i - 1] = static_cast<int16_t>(tbits[i - 1] + 1);
            tbits[j + 1] = static_cast<int16_t>(tbits[j + 1] + 2);
            tbits[j] = static_cast<int16_t>(tbits[j] - 1);
        }
        // The odd code left at the deepest length (its partner was the reserved symbol) gives
        // -1 here; it is balanced by the subtraction below.
        tbits[i] = 0;
    }
    int i = MAX_HUFFBITS - 1;
    while (i >= 0 && tbits[i] == 0) --i;
    if (i >= 0) tbits[i] = static_cast<int16_t>(tbits[i] - 1);

    for (int k = MAX_HUFFBITS; k < kMaxCountedCodeLength; ++k) {
        if (tbits[k] != 0) {
            report("ERROR : sort_huffbits : Code length of %d is greater than 16.\n", k);
            return -3;
        }
    }
    for (int k = 0; k < kMaxCountedCodeLength; ++k) (*bits)[k] = tbits[k];
    return 0;
}

int sort_code_sizes(std::vector<uint8_t>* ovalues, const int* codesize, int max_huffcounts) {
    std::vector<uint8_t> values;
    try {
        // Reserved whole, so that the list has storage even when it holds no symbol.
        values.reserve(static_cast<size_t>(max_huffcounts) + 1);
    } catch (const std::bad_alloc&) {
        report("ERROR : sort_code_sizes : calloc : value\n");
        return -2;
    }
    for (int size = 1; size <= kMaxCountedCodeLength; ++size) {
        for (int i = 0; i < max_huffcounts; ++i) {
            if (codesize[i] == size) values.push_back(static_cast<uint8_t>(i));
        }
    }
    *ovalues = std::move(values);
    return 0;
}

int build_huffcode_table(std::vector<HuffCode>* onew_huffcode_table, const HuffCode* huffcode_table,
                         int last_size, const uint8_t* values, int max_huffcounts) {
    std::vector<HuffCode> table;
    try {
        table.assign(static_cast<size_t>(max_huffcounts) + 1, HuffCode{});
    } catch (const std::bad_alloc&) {
        report("ERROR : build_huffcode_table : calloc : new_huffcode_table\n");
        return -2;
    }
    for (int k = 0; k < last_size; ++k) table[values[k]] = huffcode_table[k];
    *onew_huffcode_table = std::move(table);
    return 0;
}

int generate_huffman_table(std::vector<HuffCode>* ohuffcode_table, std::vector<uint8_t>* ohuffbits,
                           std::vector<uint8_t>* ohuffvalues, const int16_t* sip,
                           const int* block_sizes, int num_sizes) {
    if (num_sizes < 1) {
        report("ERROR : generate_huffman_table : no block to count\n");
        return -4;
    }
    std::vector<int> counts;
    if (int rc = count_block(&counts, MAX_HUFFCOUNTS_WSQ, sip, block_sizes[0], MAX_HUFFCOEFF,
                             MAX_HUFFZRUN);
        rc != 0) {
        return rc;
    }
    const int16_t* next = sip + block_sizes[0];
    for (int b = 1; b < num_sizes; ++b) {
        std::vector<int> more;
        if (int rc = count_block(&more, MAX_HUFFCOUNTS_WSQ, next, block_sizes[b], MAX_HUFFCOEFF,
                                 MAX_HUFFZRUN);
            rc != 0) {
            return rc;
        }
        for (int i = 0; i < MAX_HUFFCOUNTS_WSQ; ++i) counts[i] += more[i];
        next += block_sizes[b];
    }

    std::vector<int> codesize;
    if (int rc = find_huff_sizes(&codesize, counts.data(), MAX_HUFFCOUNTS_WSQ); rc != 0) return rc;
    std::vector<int> bits32;
    int adjust = 0;
    if (int rc = find_num_huff_sizes(&bits32, &adjust, codesize.data(), MAX_HUFFCOUNTS_WSQ);
        rc != 0) {
        return rc;
    }
    if (adjust) {
        if (int rc = sort_huffbits(&bits32); rc != 0) return rc;
    }
    std::vector<uint8_t> values;
    if (int rc = sort_code_sizes(&values, codesize.data(), MAX_HUFFCOUNTS_WSQ); rc != 0) return rc;

    // Every symbol that occurs must keep a code, and a count must fit the segment's byte.
    std::vector<uint8_t> huffbits(MAX_HUFFBITS, 0);
    int num_codes = 0;
    for (int k = 0; k < MAX_HUFFBITS; ++k) {
        if (bits32[k] < 0 || bits32[k] > 255) {
            report(
                "ERROR : generate_huffman_table : %d codes of length %d do not fit "
                "a table\n",
                bits32[k], k + 1);
            return -5;
        }
        huffbits[k] = static_cast<uint8_t>(bits32[k]);
        num_codes += bits32[k];
    }
    if (num_codes != static_cast<int>(values.size())) {
        report("ERROR : generate_huffman_table : %d codes for %d symbols\n", num_codes,
               static_cast<int>(values.size()));
        return -5;
    }

    std::vector<HuffCode> huffcode_list;
    int last_size = 0;
    if (int rc = build_huffsizes(&huffcode_list, &last_size, huffbits.data(), MAX_HUFFCOUNTS_WSQ);
        rc != 0) {
        return rc;
    }
    assign_huffcodes(huffcode_list.data());
    if (check_all_ones_codes(huffcode_list.data(), last_size) != 0) {
        report("ERROR: This huffcode warning is an error ");
        report("for the encoder.\n");
        return -1;
    }
    std::vector<HuffCode> huffcode_table;
    if (int rc = build_huffcode_table(&huffcode_table, huffcode_list.data(), last_size,
                                      values.data(), MAX_HUFFCOUNTS_WSQ);
        rc != 0) {
        return rc;
    }
    *ohuffcode_table = std::move(huffcode_table);
    *ohuffbits = std::move(huffbits);
    *ohuffvalues = std::move(values);
    return 0;
}

}  // namespace wsq

// Markers and segments of the WSQ codestream: readers fill the decoder's records, writers
// append whole segments to the encoder's output buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wsq/records.h"

namespace wsq {

// What getc_marker_wsq accepts. Other values are reported as an invalid mode (-93).
enum MarkerMode : int {
    SoiOnly = 0,
    TablesOrSof = 1,
    TablesOrSob = 2,
    AnyMarker = 3,
};

int getc_marker_wsq(uint16_t* omarker, int mode, const uint8_t** cbufptr, const uint8_t* ebufptr);
int getc_table_wsq(uint16_t marker, TransformTable* dtt_table, QuantTable* dqt_table,
                   HuffmanTableSet* dht_table, const uint8_t** cbufptr, const uint8_t* ebufptr);
int getc_transform_table(TransformTable* dtt_table, const uint8_t** cbufptr,
                         const uint8_t* ebufptr);
int getc_quantization_table(QuantTable* dqt_table, const uint8_t** cbufptr,
                            const uint8_t* ebufptr);
int getc_huffman_segment(HuffmanTableSet* dht_table, const uint8_t** cbufptr,
                         const uint8_t* ebufptr);
// One table inside a DHT segment: id, 16 counts and a zero-filled array of max_huffcounts + 1
// values. With read_table_len set it first reads L and sets *bytes_left to L - 2.
int getc_huffman_table(uint8_t* otable_id, std::vector<uint8_t>* ohuffbits,
                       std::vector<uint8_t>* ohuffvalues, int max_huffcounts,
                       const uint8_t** cbufptr, const uint8_t* ebufptr, int read_table_len,
                       int* bytes_left);
int getc_frame_header(FrameHeader* frm_header, const uint8_t** cbufptr, const uint8_t* ebufptr);
int getc_block_header(uint8_t* huff_table, const uint8_t** cbufptr, const uint8_t* ebufptr);
// The comment text (L - 2 bytes) of a COM segment.
int getc_comment(std::string* ocomment, const uint8_t** cbufptr, const uint8_t* ebufptr);
int getc_skip_marker_segment(uint16_t marker, const uint8_t** cbufptr, const uint8_t* ebufptr);

int putc_transform_table(const float* lofilt, int losz, const float* hifilt, int hisz,
                         uint8_t* odata, int oalloc, int* olen);
int putc_quantization_table(const QuantValues* quant_vals, uint8_t* odata, int oalloc, int* olen);
int putc_huffman_table(uint16_t marker, uint8_t table_id, const uint8_t* huffbits,
                       const uint8_t* huffvalues, uint8_t* odata, int oalloc, int* olen);
int putc_frame_header(int width, int height, float m_shift, float r_scale, uint8_t* odata,
                      int oalloc, int* olen);
int putc_block_header(int table, uint8_t* odata, int oalloc, int* olen);
int putc_comment_segment(uint16_t marker, const char* comment, int cs, uint8_t* odata, int oalloc,
                         int* olen);

}  // namespace wsq

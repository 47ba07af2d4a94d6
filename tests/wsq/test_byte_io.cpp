// Bounded byte reader and writer: limits, byte order and failure messages.
#include <gtest/gtest.h>

#include "wsq/byte_io.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

TEST(ByteIo, ReadsBigEndianAndStopsAtTheEnd) {
    const uint8_t data[] = {0x12, 0x34, 0x56, 0x78, 0x9a};
    const uint8_t* cur = data;
    const uint8_t* end = data + sizeof data;
    uint32_t u32 = 0;
    ASSERT_EQ(wsq::getc_u32(&u32, &cur, end), 0);
    EXPECT_EQ(u32, 0x12345678u);

    uint16_t u16 = 7;
    CaptureStderr();
    EXPECT_EQ(wsq::getc_u16(&u16, &cur, end), -40);
    EXPECT_EQ(GetCapturedStderr(), "ERROR : getc_bytes : premature End Of Buffer\n");
    EXPECT_EQ(u16, 7);  // untouched on failure
    EXPECT_EQ(cur, data + 4);

    uint8_t b = 0;
    ASSERT_EQ(wsq::getc_byte(&b, &cur, end), 0);
    EXPECT_EQ(b, 0x9a);
    CaptureStderr();
    EXPECT_EQ(wsq::getc_byte(&b, &cur, end), -39);
    EXPECT_EQ(GetCapturedStderr(), "ERROR : getc_byte : premature End Of Buffer\n");
    EXPECT_EQ(cur, end);
}

TEST(ByteIo, WriterRefusesToOverflowWithTheRequestedCount) {
    uint8_t buf[5] = {};
    int len = 0;
    ASSERT_EQ(wsq::putc_u32(0xA1B2C3D4u, buf, sizeof buf, &len), 0);
    EXPECT_EQ(len, 4);
    EXPECT_EQ(buf[0], 0xA1);
    EXPECT_EQ(buf[3], 0xD4);

    // One free byte: a u16 fails, naming capacity + 1; a byte still fits.
    CaptureStderr();
    EXPECT_EQ(wsq::putc_u16(0xFFFF, buf, sizeof buf, &len), -33);
    EXPECT_EQ(GetCapturedStderr(),
              "ERROR : putc_bytes : buffer overlow : alloc = 5, request = 6\n");
    EXPECT_EQ(len, 4);
    ASSERT_EQ(wsq::putc_byte(0x42, buf, sizeof buf, &len), 0);
    EXPECT_EQ(len, 5);
    CaptureStderr();
    EXPECT_EQ(wsq::putc_byte(0x43, buf, sizeof buf, &len), -32);
    EXPECT_EQ(GetCapturedStderr(), "ERROR : putc_byte : buffer overlow : alloc = 5, request = 5\n");
    EXPECT_EQ(len, 5);
}

}  // namespace

#include <gtest/gtest.h>

#include "device/report_descriptor.h"
#include "device/sim_link.h"

namespace vantora {
namespace {

TEST(ReportDescriptorTest, KeyboardInterfaceHasSixtyFiveByteReports) {
    const auto interfaces = simlink::StandardInterfaces();
    ReportLengths lengths;
    ASSERT_TRUE(ParseReportLengths(interfaces[0].reportDescriptor, lengths));
    EXPECT_EQ(lengths.input, 65);
    EXPECT_EQ(lengths.output, 65);
    EXPECT_EQ(lengths.feature, 0);
    EXPECT_TRUE(HasProtocolReportLengths(interfaces[0].reportDescriptor));
    // The vendor collection has only 32-byte input reports.
    ASSERT_TRUE(ParseReportLengths(interfaces[1].reportDescriptor, lengths));
    EXPECT_EQ(lengths.input, 32);
    EXPECT_EQ(lengths.output, 0);
    EXPECT_FALSE(HasProtocolReportLengths(interfaces[1].reportDescriptor));
}

TEST(ReportDescriptorTest, LongestReportOfSeveralIdsCounts) {
    const std::vector<std::uint8_t> descriptor = {
        0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,                    // vendor collection
        0x85, 0x01, 0x75, 0x08, 0x95, 0x10, 0x81, 0x02, 0x91, 0x02,  // id 1: 16 bytes each way
        0x85, 0x02, 0x95, 0x40, 0x81, 0x02,                          // id 2: 64 bytes in
        0x85, 0x03, 0x96, 0x40, 0x00, 0x91, 0x02,                    // id 3: 64 bytes out (two-byte count)
        0x75, 0x01, 0x95, 0x03, 0x91, 0x02,                          // id 3: three more bits out
        0xC0};
    ReportLengths lengths;
    ASSERT_TRUE(ParseReportLengths(descriptor, lengths));
    EXPECT_EQ(lengths.input, 65);
    EXPECT_EQ(lengths.output, 66);  // 515 bits round up to 65 bytes, plus the id
    EXPECT_TRUE(HasProtocolReportLengths(descriptor));
}

TEST(ReportDescriptorTest, SixtyFourByteReportsWithoutRoomForTheIdAreTooShort) {
    // 63 bytes of data each way: 64 with the id byte, not more than 64.
    const std::vector<std::uint8_t> descriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75,
                                                  0x08, 0x95, 0x3F, 0x81, 0x02, 0x91, 0x02, 0xC0};
    EXPECT_FALSE(HasProtocolReportLengths(descriptor));
}

TEST(ReportDescriptorTest, PushAndPopRestoreTheGlobals) {
    const std::vector<std::uint8_t> descriptor = {0x75, 0x08, 0x95, 0x41, 0xA4,  // push size 8, count 65
                                                  0x95, 0x01, 0x81, 0x02,        // 1 byte in
                                                  0xB4,                          // pop: count 65 again
                                                  0x91, 0x02};
    ReportLengths lengths;
    ASSERT_TRUE(ParseReportLengths(descriptor, lengths));
    EXPECT_EQ(lengths.input, 2);
    EXPECT_EQ(lengths.output, 66);
}

TEST(ReportDescriptorTest, MalformedDescriptorsAreRejected) {
    ReportLengths lengths{7, 7, 7};
    EXPECT_FALSE(ParseReportLengths({0x95}, lengths));                    // data missing
    EXPECT_FALSE(ParseReportLengths({0x97, 0x01, 0x02}, lengths));        // four-byte item cut short
    EXPECT_FALSE(ParseReportLengths({0xB4}, lengths));                    // pop without push
    EXPECT_FALSE(ParseReportLengths({0xFE, 0x05, 0x00, 0x01}, lengths));  // long item cut short
    EXPECT_EQ(lengths.input, 7);
    EXPECT_FALSE(HasProtocolReportLengths({}));
    ASSERT_TRUE(ParseReportLengths({0xFE, 0x01, 0x10, 0xAA}, lengths));  // a whole long item is skipped
    EXPECT_EQ(lengths.input, 0);
}

TEST(ReportDescriptorTest, HugeCountsDoNotOverflow) {
    const std::vector<std::uint8_t> descriptor = {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF,
                                                  0xFF, 0xFF, 0x81, 0x02, 0x81, 0x02, 0x91, 0x02};
    ReportLengths lengths;
    ASSERT_TRUE(ParseReportLengths(descriptor, lengths));
    EXPECT_GT(lengths.input, 64);
    EXPECT_GT(lengths.output, 64);
}

}  // namespace
}  // namespace vantora

#include <gtest/gtest.h>

#include <cctype>

#include "platform/machineid.h"

// The processor id has the original's form (16 upper-case hex digits) on every
// machine that has CPUID or a machine-id file, and is the same on each call.
TEST(MachineId, ProcessorIdForm)
{
    const std::string& id = platform::processor_id();
    ASSERT_EQ(16u, id.size()) << id;
    for (char c : id)
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F')) << id;
    EXPECT_EQ(&id, &platform::processor_id());
}

TEST(MachineId, DiskSerialIsCachedAndPrintable)
{
    const std::string& serial = platform::disk_serial();
    for (char c : serial)
        EXPECT_TRUE(std::isprint(static_cast<unsigned char>(c))) << serial;
    EXPECT_EQ(&serial, &platform::disk_serial());
}

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "channel_table.h"
#include "log_naming.h"

namespace quillet {
namespace {

struct NamingCase {
    std::string logPath;
    bool namedLikeALog;
    std::string csvPath;
};

class LogNamingTest : public ::testing::TestWithParam<NamingCase> {};

TEST_P(LogNamingTest, RecognisesLogsAndNamesTheirCsv) {
    EXPECT_EQ(isLogFileName(GetParam().logPath), GetParam().namedLikeALog);
    EXPECT_EQ(csvPathForLog(GetParam().logPath), GetParam().csvPath);
}

INSTANTIATE_TEST_SUITE_P(
    Names, LogNamingTest,
    ::testing::Values(NamingCase{"Run7QMRX.pdb", true, "Run7QMRX.csv"},
                      NamingCase{"c:\\Palm\\Backup\\run7qmrx.PDB", true,
                                 "c:\\Palm\\Backup\\run7qmrx.csv"},
                      NamingCase{"/home/tuner/Run7QmRx.PdB", true, "/home/tuner/Run7QmRx.csv"},
                      NamingCase{"QMRX.pdb", true, "QMRX.csv"},
                      NamingCase{"Run.pdb.pdb", false, "Run.pdb.csv"},
                      NamingCase{"Run7QMRX.pdb.bak", false, "Run7QMRX.pdb.bak.csv"},
                      NamingCase{"Addresses.pdb", false, "Addresses.csv"},
                      NamingCase{"Run7QMRX", false, "Run7QMRX.csv"},
                      NamingCase{"pdb", false, "pdb.csv"}, NamingCase{"", false, ".csv"}));

TEST(FirstLog, IsTheFirstPathNamedLikeALog) {
    EXPECT_EQ(firstLog({"notes.txt", "a/Run1QMRX.pdb", "b/Run2QMRX.pdb"}), "a/Run1QMRX.pdb");
    EXPECT_EQ(firstLog({"b/run2qmrx.PDB", "a/Run1QMRX.pdb"}), "b/run2qmrx.PDB");
    EXPECT_EQ(firstLog({"notes.txt", "Addresses.pdb"}), std::nullopt);
    EXPECT_EQ(firstLog({}), std::nullopt);
}

TEST(ChannelNumber, IsTheValueThatTheCellWrites) {
    for (int identifier = 0; identifier < 256; ++identifier) {
        const auto id = static_cast<std::uint8_t>(identifier);
        for (int raw = 0; raw < 256; ++raw) {
            const auto byte = static_cast<std::uint8_t>(raw);
            const std::optional<double> number = channelNumber(id, byte);
            const std::string text = ChannelValue(id, byte);
            ASSERT_EQ(number.has_value(), !ChannelName(id).empty()) << identifier;
            if (!number) continue;
            if (text.empty()) {
                EXPECT_EQ(*number, 0.0) << identifier << " " << raw;
                continue;
            }
            const std::string written =
                text.find('.') == std::string::npos && text.front() == ' ' ? text.substr(1) : text;
            const int decimals = channelDecimals(id);
            const auto point = written.find('.');
            EXPECT_EQ(point == std::string::npos ? 0 : static_cast<int>(written.size() - point - 1),
                      decimals)
                << identifier << " " << raw;
            EXPECT_EQ(std::stod(written), *number) << identifier << " " << raw;
        }
    }
}

}  // namespace
}  // namespace quillet

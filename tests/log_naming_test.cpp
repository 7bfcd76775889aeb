#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "conversion/cell_text.h"
#include "conversion/channel_table.h"
#include "conversion/log_naming.h"

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

struct FirstLineCase {
    std::string fileName;
    std::string utf8;
    std::string latin1;
};

class FirstLineTest : public ::testing::TestWithParam<FirstLineCase> {};

// Line 1 as Linux's spreadsheets read it and as Windows' do, whichever platform runs the test:
// the name as every output shows it, then in the platform's encoding.
TEST_P(FirstLineTest, SpellsTheNameForEitherPlatform) {
    EXPECT_EQ(firstLineText(GetParam().fileName, NameEncoding::Utf8), GetParam().utf8);
    EXPECT_EQ(firstLineText(GetParam().fileName, NameEncoding::Latin1), GetParam().latin1);
}

INSTANTIATE_TEST_SUITE_P(
    Names, FirstLineTest,
    ::testing::Values(FirstLineCase{"RunQMRX.pdb", "RunQMRX.pdb", "RunQMRX.pdb"},
                      FirstLineCase{"Fahrt \xC3\xA4\xC3\xBFQMRX.pdb",
                                    "Fahrt \xC3\xA4\xC3\xBFQMRX.pdb", "Fahrt \xE4\xFFQMRX.pdb"},
                      FirstLineCase{"\xE2\x82\xAC \xF0\x9F\x9A\x97 \xC4\x80",
                                    "\xE2\x82\xAC \xF0\x9F\x9A\x97 \xC4\x80", "? ? ?"},
                      FirstLineCase{"new\nline\r\tx\x7F\xC2\x85QMRX.pdb", "new line  x  QMRX.pdb",
                                    "new line  x  QMRX.pdb"},
                      FirstLineCase{"\xFFx\xC3", "\xFFx\xC3", "?x?"}));

TEST(FirstLog, IsTheFirstPathNamedLikeALog) {
    EXPECT_EQ(firstLog({"notes.txt", "a/Run1QMRX.pdb", "b/Run2QMRX.pdb"}), "a/Run1QMRX.pdb");
    EXPECT_EQ(firstLog({"b/run2qmrx.PDB", "a/Run1QMRX.pdb"}), "b/run2qmrx.PDB");
    EXPECT_EQ(firstLog({"notes.txt", "Addresses.pdb"}), std::nullopt);
    EXPECT_EQ(firstLog({}), std::nullopt);
}

}  // namespace
}  // namespace quillet

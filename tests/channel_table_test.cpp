#include <gtest/gtest.h>

#include <string>

#include "conversion/channel_table.h"

namespace quillet {
namespace {

struct ValueCase {
    int identifier;
    int raw;
    std::string text;
};

void PrintTo(const ValueCase& c, std::ostream* out) {
    *out << "identifier " << c.identifier << ", raw " << c.raw << " -> \"" << c.text << '"';
}

class ChannelValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ChannelValueTest, WritesTheCellText) {
    const ValueCase& c = GetParam();
    EXPECT_EQ(
        ChannelValue(static_cast<std::uint8_t>(c.identifier), static_cast<std::uint8_t>(c.raw)),
        c.text);
}

INSTANTIATE_TEST_SUITE_P(Rpm, ChannelValueTest,
                         ::testing::Values(ValueCase{33, 0, ""}, ValueCase{33, 1, "31"},
                                           ValueCase{33, 2, "62"}, ValueCase{33, 6, "188"},
                                           ValueCase{33, 10, "312"}, ValueCase{33, 14, "438"},
                                           ValueCase{33, 254, "7938"}, ValueCase{33, 255, "7969"}));

INSTANTIATE_TEST_SUITE_P(PassThrough, ChannelValueTest,
                         ::testing::Values(ValueCase{38, 0, " 0"}, ValueCase{38, 255, " 255"},
                                           ValueCase{44, 0, " 0"}, ValueCase{44, 255, " 255"},
                                           ValueCase{22, 0, " 0"}, ValueCase{22, 9, " 9"},
                                           ValueCase{22, 255, " 255"}));

INSTANTIATE_TEST_SUITE_P(Timing, ChannelValueTest,
                         ::testing::Values(ValueCase{6, 0, " 0"}, ValueCase{6, 9, " 0"},
                                           ValueCase{6, 10, " 0"}, ValueCase{6, 11, " 1"},
                                           ValueCase{6, 255, " 245"}));

INSTANTIATE_TEST_SUITE_P(Airflow, ChannelValueTest,
                         ::testing::Values(ValueCase{26, 0, " 0"}, ValueCase{26, 5, " 32"},
                                           ValueCase{26, 15, " 95"}, ValueCase{26, 35, " 221"},
                                           ValueCase{26, 255, " 1607"}));

INSTANTIATE_TEST_SUITE_P(Quotients, ChannelValueTest,
                         ::testing::Values(ValueCase{19, 0, "0.00"}, ValueCase{19, 1, "0.02"},
                                           ValueCase{19, 255, "5.00"}, ValueCase{41, 0, "0.000"},
                                           ValueCase{41, 1, "0.256"}, ValueCase{41, 255, "65.385"},
                                           ValueCase{20, 0, ".00"}, ValueCase{20, 14, "1.03"},
                                           ValueCase{20, 86, "6.30"}, ValueCase{20, 255, "18.70"},
                                           ValueCase{21, 0, ".00"}, ValueCase{21, 1, ".00"},
                                           ValueCase{21, 2, ".01"}, ValueCase{21, 100, ".49"},
                                           ValueCase{21, 207, "1.00"}, ValueCase{21, 255, "1.24"}));

// Throttle position and acceleration enrichment compute one number and write it differently.
INSTANTIATE_TEST_SUITE_P(ThrottleAndEnrichment, ChannelValueTest,
                         ::testing::Values(ValueCase{23, 0, ""}, ValueCase{23, 1, ""},
                                           ValueCase{23, 2, "1"}, ValueCase{23, 14, "6"},
                                           ValueCase{23, 255, "100"}, ValueCase{29, 0, "0"},
                                           ValueCase{29, 1, "0"}, ValueCase{29, 2, "1"},
                                           ValueCase{29, 14, "6"}, ValueCase{29, 255, "100"}));

INSTANTIATE_TEST_SUITE_P(
    AirTempSegments, ChannelValueTest,
    ::testing::Values(ValueCase{58, 0, "363"}, ValueCase{58, 16, "241"}, ValueCase{58, 17, "238"},
                      ValueCase{58, 32, "185"}, ValueCase{58, 33, "184"}, ValueCase{58, 49, "152"},
                      ValueCase{58, 50, "151"}, ValueCase{58, 80, "115"}, ValueCase{58, 81, "112"},
                      ValueCase{58, 186, "27"}, ValueCase{58, 187, "25"}, ValueCase{58, 207, "1"},
                      ValueCase{58, 208, ""}, ValueCase{58, 209, "-1"}, ValueCase{58, 218, "-12"},
                      ValueCase{58, 219, "-8"}, ValueCase{58, 255, "-122"}));

INSTANTIATE_TEST_SUITE_P(CoolantSegments, ChannelValueTest,
                         ::testing::Values(ValueCase{7, 0, "313"}, ValueCase{7, 17, "212"},
                                           ValueCase{7, 18, "209"}, ValueCase{7, 45, "144"},
                                           ValueCase{7, 46, "147"}, ValueCase{7, 72, "115"},
                                           ValueCase{7, 73, "114"}, ValueCase{7, 220, "1"},
                                           ValueCase{7, 221, ""}, ValueCase{7, 222, ""},
                                           ValueCase{7, 223, "-1"}, ValueCase{7, 255, "-26"}));

INSTANTIATE_TEST_SUITE_P(Trims, ChannelValueTest,
                         ::testing::Values(ValueCase{15, 0, ""}, ValueCase{15, 1, "1"},
                                           ValueCase{15, 16, "12"}, ValueCase{15, 121, "95"},
                                           ValueCase{15, 255, "199"}, ValueCase{14, 1, "1"},
                                           ValueCase{14, 255, "199"}, ValueCase{13, 16, "12"},
                                           ValueCase{13, 255, "199"}, ValueCase{12, 121, "95"},
                                           ValueCase{12, 0, ""}));

INSTANTIATE_TEST_SUITE_P(UnknownIdentifiers, ChannelValueTest,
                         ::testing::Values(ValueCase{0, 0, ""}, ValueCase{1, 128, ""},
                                           ValueCase{34, 255, ""}, ValueCase{255, 7, ""},
                                           ValueCase{5, 0, ""}, ValueCase{8, 200, ""}));

struct NameCase {
    int identifier;
    std::string heading;
};

void PrintTo(const NameCase& c, std::ostream* out) { *out << "identifier " << c.identifier; }

class ChannelNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(ChannelNameTest, GivesTheHeading) {
    EXPECT_EQ(ChannelName(static_cast<std::uint8_t>(GetParam().identifier)), GetParam().heading);
}

INSTANTIATE_TEST_SUITE_P(
    AllRows, ChannelNameTest,
    ::testing::Values(NameCase{33, "RPM"}, NameCase{38, "Knock"}, NameCase{6, "Timing"},
                      NameCase{19, "O2"}, NameCase{26, "Airflow"}, NameCase{41, "Inj P/W"},
                      NameCase{44, "Air Volume"}, NameCase{58, "Air Temp"}, NameCase{23, "TPS"},
                      NameCase{7, "Coolant"}, NameCase{20, "Battery"}, NameCase{21, "Barometer"},
                      NameCase{22, "ISC"}, NameCase{29, "Accel Enrichment"},
                      NameCase{15, "O2 Trim"}, NameCase{14, "Fuel Trim High"},
                      NameCase{13, "Fuel Trim Mid"}, NameCase{12, "Fuel Trim Low"}, NameCase{0, ""},
                      NameCase{1, ""}, NameCase{34, ""}, NameCase{255, ""}));

struct PatternCase {
    double number;
    std::string pattern;
    std::string text;
};

void PrintTo(const PatternCase& c, std::ostream* out) {
    *out << c.number << " by \"" << c.pattern << '"';
}

class PatternTextTest : public ::testing::TestWithParam<PatternCase> {};

TEST_P(PatternTextTest, FollowsThePattern) {
    EXPECT_EQ(patternText(GetParam().number, GetParam().pattern), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, PatternTextTest,
    ::testing::Values(PatternCase{0.0733, "##.00", ".07"}, PatternCase{0.4854, "#.00", ".49"},
                      PatternCase{0.0196, "0.00", "0.02"}, PatternCase{0.3929, "0", "0"},
                      PatternCase{5, "0.00", "5.00"}, PatternCase{0, "0.000", "0.000"},
                      PatternCase{7969, "####", "7969"}, PatternCase{199, "#", "199"},
                      PatternCase{27, "###", "27"}, PatternCase{-122, "###", "-122"},
                      PatternCase{0, "###", ""}, PatternCase{0, "####", ""},
                      PatternCase{0.3929, "#", ""}, PatternCase{12345.678, "#.00", "12345.68"},
                      PatternCase{0.999, "#.00", "1.00"}, PatternCase{9.996, "##.00", "10.00"}));

TEST(SignColumnText, PutsTheSignInFrontOfTheDigits) {
    EXPECT_EQ(signColumnText(0), " 0");
    EXPECT_EQ(signColumnText(1607), " 1607");
    EXPECT_EQ(signColumnText(-12), "-12");
}

TEST(ChannelValue, EveryTextIsOneShortPlainCell) {
    for (int identifier = 0; identifier < 256; ++identifier) {
        for (int raw = 0; raw < 256; ++raw) {
            const std::string text =
                ChannelValue(static_cast<std::uint8_t>(identifier), static_cast<std::uint8_t>(raw));
            EXPECT_LE(text.size(), 6u) << identifier << " " << raw;
            EXPECT_EQ(text.find_first_not_of(" -.0123456789"), std::string::npos)
                << identifier << " " << raw << " " << text;
        }
    }
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

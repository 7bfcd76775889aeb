#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "csv_profile.h"
#include "file_access.h"

// The conversion of one log into its CSV file, reporting through services that its caller
// lends: the window, the console, or a test.
namespace quillet {

enum class MessageIcon { Exclamation, Critical };

class ReportingServices {
  public:
    virtual ~ReportingServices() = default;
    virtual void setBusyPointer(bool busy) = 0;
    virtual void setProgressMin(float min) = 0;
    virtual void setProgressMax(float max) = 0;
    virtual void setProgressValue(float value) = 0;
    // Lines of the text end in CR LF.
    virtual void showMessage(const std::string& text, MessageIcon icon) = 0;
    virtual void beep() = 0;
};

enum class ConversionOutcome { Converted, Failed };

// Converts the log at inputPath into the CSV at outputPath, written by the profile. Every
// failure ends in a message through the services; the returned outcome tells scripts which way
// the run ended.
ConversionOutcome convertLog(const std::string& inputPath, const std::string& outputPath,
                             ReportingServices& services, const CsvProfile& profile = {});
ConversionOutcome convertLog(const std::string& inputPath, OutputTarget& output,
                             ReportingServices& services, const CsvProfile& profile = {});

// The file name on the CSV's first line: the path after its last "\" or "/".
std::string_view inputFileName(std::string_view inputPath);

// A sample's time as minutes, seconds and hundredths: 754 s and 42 give "12:34.42".
std::string sampleTime(int seconds, std::uint8_t hundredths, char decimalMark = '.');

// The message a failure shows, and the icon that goes with it.
std::string failureMessage(int number, const std::string& description);
MessageIcon failureIcon(int number);

}  // namespace quillet

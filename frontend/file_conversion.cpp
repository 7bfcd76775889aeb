#include "frontend/file_conversion.h"

#include "conversion/csv_output.h"
#include "system/log_files.h"
#include "system/paths.h"

namespace quillet::frontend {

ConversionOutcome convertFiles(const std::string& inputPath, const std::string& outputPath,
                               ReportingServices& services) {
    FileLogInput log(inputPath);
    FileOutputTarget output(outputPath, inputPath);
    SpreadsheetProfile profile;
    profile.nameEncoding = kCsvNameEncoding;
    const OutputOrder csv[] = {{makeCsvOutput, output}};
    return writeLogOutputs(log, csv, services, profile);
}

}  // namespace quillet::frontend

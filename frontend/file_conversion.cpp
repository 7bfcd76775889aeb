#include "frontend/file_conversion.h"

#include "conversion/conversion_run.h"
#include "system/log_files.h"
#include "system/paths.h"

namespace quillet::frontend {

ConversionOutcome convertFiles(const std::string& inputPath, const std::string& outputPath,
                               ReportingServices& services) {
    FileLogInput log(inputPath);
    FileOutputTarget output(outputPath, inputPath);
    CsvProfile profile;
    profile.nameEncoding = kCsvNameEncoding;
    return convertLog(log, output, services, profile);
}

}  // namespace quillet::frontend

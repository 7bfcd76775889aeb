#pragma once

#include <string_view>

// The files the log page is made of, built into the program from page/ and the chart
// library that npm installed, so that quillet-convert needs nothing beside it.
namespace quillet::page_assets {

// The page's HTML, with a <!--slot:NAME--> where each part of the log goes.
extern const std::string_view kSkeleton;
extern const std::string_view kPageStyle;
// The page's own code: its modules bundled by esbuild into the one module script.
extern const std::string_view kPageScript;
// uPlot: its script, its style, its licence text and its version.
extern const std::string_view kChartScript;
extern const std::string_view kChartStyle;
extern const std::string_view kChartLicence;
extern const std::string_view kChartVersion;

}  // namespace quillet::page_assets

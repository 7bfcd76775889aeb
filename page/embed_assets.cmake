# Writes OUTPUT, a C++ source that holds the log page's files (from PAGE_DIR) and uPlot's (from
# CHART_DIR, its npm package) as byte arrays, for page_assets.h.
# Usage: cmake -DPAGE_DIR=... -DCHART_DIR=... -DOUTPUT=... -P embed_assets.cmake

# The bytes of a text as a C++ initialiser list, 32 to a line.
function(bytes_of text variable)
  string(HEX "${text}" hex)
  string(REGEX REPLACE "(................................................................)" "\\1\n"
    hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," hex "${hex}")
  set(${variable} "${hex}" PARENT_SCOPE)
endfunction()

# A text that could end the element holding it would cut the page short.
function(check_inside_element text element file)
  string(TOLOWER "${text}" lower)
  string(FIND "${lower}" "</${element}" closing)
  string(FIND "${lower}" "<!--" comment)
  if(NOT closing EQUAL -1 OR NOT comment EQUAL -1)
    message(FATAL_ERROR "${file} holds \"</${element}\" or \"<!--\", which would end its element")
  endif()
endfunction()

set(assets "")
function(add_asset name text)
  bytes_of("${text}" bytes)
  string(APPEND assets "constexpr char k${name}Bytes[] = {\n${bytes}};\n")
  set(assets "${assets}" PARENT_SCOPE)
  set(views "${views}const std::string_view k${name}(k${name}Bytes, sizeof k${name}Bytes);\n"
    PARENT_SCOPE)
endfunction()

file(READ ${PAGE_DIR}/page.html skeleton)
file(READ ${PAGE_DIR}/page.css page_style)
file(READ ${PAGE_DIR}/log_data.js log_data)
file(READ ${PAGE_DIR}/page.js page_glue)
set(page_script "${log_data}${page_glue}")
file(READ ${CHART_DIR}/dist/uPlot.iife.min.js chart_script)
file(READ ${CHART_DIR}/dist/uPlot.min.css chart_style)
file(READ ${CHART_DIR}/LICENSE chart_licence)
file(READ ${CHART_DIR}/package.json chart_package)
string(JSON chart_version GET "${chart_package}" version)

check_inside_element("${page_style}" style page.css)
check_inside_element("${chart_style}" style uPlot.min.css)
check_inside_element("${page_script}" script "log_data.js or page.js")
check_inside_element("${chart_script}" script uPlot.iife.min.js)
# The licence goes both into a comment of the script and, as it is, into the page's text.
if(chart_licence MATCHES "\\*/|[<&]")
  message(FATAL_ERROR "uPlot's LICENSE holds \"*/\", \"<\" or \"&\", which the page cannot carry as it is")
endif()

set(views "")
add_asset(Skeleton "${skeleton}")
add_asset(PageStyle "${page_style}")
add_asset(PageScript "${page_script}")
add_asset(ChartScript "${chart_script}")
add_asset(ChartStyle "${chart_style}")
add_asset(ChartLicence "${chart_licence}")
add_asset(ChartVersion "${chart_version}")

file(WRITE ${OUTPUT}.new "// Written by page/embed_assets.cmake from page/ and uPlot ${chart_version}.
#include \"page/page_assets.h\"

namespace quillet::page_assets {
namespace {

${assets}
}  // namespace

${views}
}  // namespace quillet::page_assets
")
file(RENAME ${OUTPUT}.new ${OUTPUT})

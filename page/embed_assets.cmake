# Writes OUTPUT, a C++ source that holds the log page's files (from PAGE_DIR, its modules bundled
# into PAGE_SCRIPT) and uPlot's (from CHART_DIR, its npm package) as byte arrays, for
# page_assets.h.
# Usage: cmake -DPAGE_DIR=... -DPAGE_SCRIPT=... -DCHART_DIR=... -DOUTPUT=... -P embed_assets.cmake
cmake_minimum_required(VERSION 3.25)

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
file(READ ${PAGE_SCRIPT} page_script)
file(READ ${CHART_DIR}/dist/uPlot.iife.min.js chart_script)
file(READ ${CHART_DIR}/dist/uPlot.min.css chart_style)
file(READ ${CHART_DIR}/LICENSE chart_licence)
file(READ ${CHART_DIR}/package.json chart_package)
string(JSON chart_version GET "${chart_package}" version)

check_inside_element("${page_style}" style page.css)
check_inside_element("${chart_style}" style uPlot.min.css)
check_inside_element("${page_script}" script "the page's modules")
check_inside_element("${chart_script}" script uPlot.iife.min.js)
# The licence goes both into a comment of the script and, as it is, into the page's text.
if(chart_licence MATCHES "\\*/|[<&]")
  message(FATAL_ERROR "uPlot's LICENSE holds \"*/\", \"<\" or \"&\", which the page cannot carry as it is")
endif()

# The page allows only its own scripts and styles to run: the hash of each <script> and <style>
# element's text, its slots filled with the built-in files, goes into its Content-Security-Policy
# in the place of "{{script-hashes}}" and "{{style-hashes}}".
function(csp_hash text variable)
  string(SHA256 hex "${text}")
  set(digits "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
  # 32 bytes: ten groups of three, then two bytes and a padding "=".
  string(APPEND hex "00")
  set(base64 "")
  foreach(offset RANGE 0 60 6)
    string(SUBSTRING "${hex}" ${offset} 6 group)
    math(EXPR bits "0x${group}")
    foreach(shift 18 12 6 0)
      math(EXPR digit "(${bits} >> ${shift}) & 63")
      string(SUBSTRING "${digits}" ${digit} 1 character)
      string(APPEND base64 "${character}")
    endforeach()
  endforeach()
  string(REGEX REPLACE ".$" "=" base64 "${base64}")
  set(${variable} "'sha256-${base64}'" PARENT_SCOPE)
endfunction()

function(element_hashes element variable)
  set(hashes "")
  set(rest "${skeleton}")
  while(TRUE)
    string(FIND "${rest}" "<${element}" start)
    if(start EQUAL -1)
      break()
    endif()
    string(SUBSTRING "${rest}" ${start} -1 rest)
    string(FIND "${rest}" ">" open)
    string(SUBSTRING "${rest}" 0 ${open} tag)
    string(FIND "${rest}" "</${element}>" close)
    math(EXPR length "${close} - ${open} - 1")
    math(EXPR after "${open} + 1")
    string(SUBSTRING "${rest}" ${after} ${length} text)
    string(SUBSTRING "${rest}" ${close} -1 rest)
    if(tag MATCHES "application/json")
      continue()
    endif()
    foreach(slot page-style chart-style page-script chart-script chart-licence chart-version)
      string(REPLACE "<!--slot:${slot}-->" "${slot_${slot}}" text "${text}")
    endforeach()
    if(text MATCHES "<!--slot:")
      message(FATAL_ERROR "a <${element}> of page.html holds a slot that is not a built-in file")
    endif()
    csp_hash("${text}" hash)
    list(APPEND hashes "${hash}")
  endwhile()
  list(JOIN hashes " " hashes)
  set(${variable} "${hashes}" PARENT_SCOPE)
endfunction()

set(slot_page-style "${page_style}")
set(slot_chart-style "${chart_style}")
set(slot_page-script "${page_script}")
set(slot_chart-script "${chart_script}")
set(slot_chart-licence "${chart_licence}")
set(slot_chart-version "${chart_version}")
element_hashes(script script_hashes)
element_hashes(style style_hashes)
string(REPLACE "{{script-hashes}}" "${script_hashes}" skeleton "${skeleton}")
string(REPLACE "{{style-hashes}}" "${style_hashes}" skeleton "${skeleton}")

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

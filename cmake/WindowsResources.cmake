# Gives a Windows program its resources, written from the project's version: a version block
# and a manifest that lets it take paths longer than 260 characters. A WINDOW also asks for
# common controls 6 and per-monitor DPI awareness, and carries the icon icons/ draws.
function(add_windows_resources target)
  cmake_parse_arguments(PARSE_ARGV 1 resource "WINDOW" "DESCRIPTION" "")
  math(EXPR minor "${PROJECT_VERSION_MINOR}")
  set(resource_version "${PROJECT_VERSION_MAJOR}.${minor}.0.0")
  set(resource_version_numbers "${PROJECT_VERSION_MAJOR},${minor},0,0")
  set(resource_name ${target})
  set(resource_identity "Quillet.${target}")
  set(resource_manifest ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  set(resource_icon "")
  set(resource_window_dependency "")
  set(resource_window_settings "")
  if(resource_WINDOW)
    set(resource_icon "#include \"win32/resource_ids.h\"\nIDI_QUILLET ICON \"${PROJECT_BINARY_DIR}/icons/quillet.ico\"")
    set(resource_window_dependency [=[
  <dependency>
    <dependentAssembly>
      <assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls" version="6.0.0.0"
                        processorArchitecture="*" publicKeyToken="6595b64144ccf1df" language="*"/>
    </dependentAssembly>
  </dependency>]=])
    set(resource_window_settings [=[
      <dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>
      <dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>]=])
    add_dependencies(${target} quillet_icon)
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/program.manifest.in ${resource_manifest} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/program.rc.in
    ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
endfunction()

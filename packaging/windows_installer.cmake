# The Windows installer's source, written with this build's version and icon for
# dist-windows.sh, which builds it with wixl.
#
# The upgrade code is the installer's lasting name: a later version finds the earlier one by it
# and replaces it. The product code follows from it and the version, so every build of one
# version is the same product: installing another build of it is refused rather than listed
# twice in "Apps & features".
set(QUILLET_UPGRADE_CODE F7D6886E-FA44-4172-B14C-BFBB7C4A323B)
string(UUID QUILLET_PRODUCT_CODE NAMESPACE ${QUILLET_UPGRADE_CODE} NAME "${QUILLET_VERSION}"
  TYPE SHA1 UPPER)
# wixl finds files by paths relative to the source's folder.
file(RELATIVE_PATH QUILLET_INSTALLER_ICON ${PROJECT_BINARY_DIR}/packaging
  ${PROJECT_BINARY_DIR}/icons/quillet.ico)
configure_file(${CMAKE_CURRENT_LIST_DIR}/quillet.wxs.in ${PROJECT_BINARY_DIR}/packaging/quillet.wxs
  @ONLY)
# The README of the downloads, with the version the build has.
configure_file(${PROJECT_SOURCE_DIR}/win32/README.txt.in ${PROJECT_BINARY_DIR}/packaging/README.txt
  @ONLY)

# Aztec symbols come from libzint; printed and scanned sheets are read back with zxing-cpp;
# sheet images are read with libpng and poppler (PDF).
find_package(PkgConfig REQUIRED)
pkg_check_modules(KESTREL_BARCODE_LIBS REQUIRED IMPORTED_TARGET zxing libpng poppler-cpp)
find_library(KESTREL_ZINT_LIBRARY zint REQUIRED)
target_link_libraries(kestrel_barcode PUBLIC PkgConfig::KESTREL_BARCODE_LIBS ${KESTREL_ZINT_LIBRARY})

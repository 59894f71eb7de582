# Outside libraries of kestrel_transfer: the HModem compression modes use zlib (deflate),
# the JPEG library (grayscale pictures) and liblzo2 (LZO1X-999); pictures are kept as PNG
# (libpng) and TIFF (libtiff, also the CCITT fax forms of binary pictures).
find_package(ZLIB REQUIRED)
find_package(JPEG REQUIRED)
find_path(LZO2_INCLUDE_DIR lzo/lzo1x.h REQUIRED)
find_library(LZO2_LIBRARY lzo2 REQUIRED)
target_include_directories(kestrel_transfer SYSTEM PUBLIC ${LZO2_INCLUDE_DIR})
target_link_libraries(kestrel_transfer PUBLIC ZLIB::ZLIB JPEG::JPEG ${LZO2_LIBRARY})
find_package(PNG REQUIRED)
find_package(TIFF REQUIRED)
target_link_libraries(kestrel_transfer PUBLIC PNG::PNG TIFF::TIFF)
# The read check of captured pictures decodes them with zxing-cpp.
find_package(PkgConfig REQUIRED)
pkg_check_modules(KESTREL_TRANSFER_ZXING REQUIRED IMPORTED_TARGET zxing)
target_link_libraries(kestrel_transfer PUBLIC PkgConfig::KESTREL_TRANSFER_ZXING)

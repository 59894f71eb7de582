# kestrel-cli draws its output files (report and barcode PDFs) through the same Qt canvas
# as the desktop program's printing: QtGui on the offscreen platform, never Widgets.
find_package(Qt6 REQUIRED COMPONENTS Gui Svg)
target_sources(kestrel-cli PRIVATE "${CMAKE_SOURCE_DIR}/ui/QtCanvas.cpp" "${CMAKE_SOURCE_DIR}/ui/PdfFile.cpp")
target_link_libraries(kestrel-cli PRIVATE Qt6::Gui Qt6::Svg)

# The encoder tests decode what the library draws with an independent decoder, and check
# the library's exported symbols with nm.
find_package(ZXing REQUIRED)
target_link_libraries(${exe} PRIVATE ZXing::ZXing)
# A C caller, compiled as C, proves the public header is plain C with C linkage.
target_sources(${exe} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/stripe32/CCaller.c)
target_compile_definitions(${exe} PRIVATE STRIPE32_LIBRARY_FILE="$<TARGET_FILE:stripe32>")

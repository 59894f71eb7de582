# libudev: serial adapter arrival and removal notices (UdevSerialMonitor).
find_package(PkgConfig REQUIRED)
pkg_check_modules(UDEV REQUIRED IMPORTED_TARGET libudev)
target_link_libraries(kestrel_platform PUBLIC PkgConfig::UDEV)

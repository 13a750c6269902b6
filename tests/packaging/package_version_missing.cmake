# Helper of package_files_test.cmake: asks for the version of a missing stamp.
include(${SOURCE_DIR}/cmake/PackageVersion.cmake)
qh_package_version("${CMAKE_CURRENT_LIST_DIR}/no-such-stamp.txt" 1.0.0 version seconds)

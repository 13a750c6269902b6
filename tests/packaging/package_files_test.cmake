# Checks the package's version and changelog for known build stamps.
#   cmake -DSOURCE_DIR=<repo> -DWORK_DIR=<scratch dir> -P package_files_test.cmake
include(${SOURCE_DIR}/cmake/PackageVersion.cmake)

set(failures 0)
macro(expect_equal what actual expected)
  if(NOT "${actual}" STREQUAL "${expected}")
    message(SEND_ERROR "${what}: got '${actual}', want '${expected}'")
    math(EXPR failures "${failures} + 1")
  endif()
endmacro()

# seconds | project version | package version | changelog date
set(cases
  "1714640000|1.0.0|1.0.0+202405020853|Thu, 02 May 2024 08:53:20 +0000"
  "1704054600|1.1.0|1.1.0+202312312030|Sun, 31 Dec 2023 20:30:00 +0000"
  "1796816400|2.0.10|2.0.10+202612091140|Wed, 09 Dec 2026 11:40:00 +0000")
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
set(stamp_file "${WORK_DIR}/link_stamp.txt")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 seconds)
  list(GET fields 1 project_version)
  list(GET fields 2 want_version)
  list(GET fields 3 want_date)
  file(WRITE "${stamp_file}" "${seconds}\n")

  qh_package_version("${stamp_file}" "${project_version}" version got_seconds)
  expect_equal("version of ${seconds}" "${version}" "${want_version}")
  expect_equal("seconds of ${seconds}" "${got_seconds}" "${seconds}")

  # The changelog as the package installs it: DESTDIR + prefix + doc folder.
  set(ENV{DESTDIR} "${WORK_DIR}/root")
  execute_process(COMMAND ${CMAKE_COMMAND} -DSTAMP_FILE=${stamp_file}
                          -DPROJECT_VERSION=${project_version} -DDEB_RELEASE=1
                          "-DMAINTAINER=QingHe Chart developers <dev@qinghesoft.cn>"
                          -DTEMPLATE=${SOURCE_DIR}/packaging/debian/changelog.in
                          -DDOC_DIR=/usr/share/doc/qinghechart
                          -P ${SOURCE_DIR}/cmake/DebianDocs.cmake
                  RESULT_VARIABLE result OUTPUT_QUIET)
  unset(ENV{DESTDIR})
  expect_equal("changelog script of ${seconds}" "${result}" "0")
  set(gz "${WORK_DIR}/root/usr/share/doc/qinghechart/changelog.Debian.gz")
  # gzip header: no file name, no time, best compression (what lintian asks).
  file(READ "${gz}" header LIMIT 10 HEX)
  expect_equal("gzip header of ${seconds}" "${header}" "1f8b0800000000000203")
  execute_process(COMMAND gzip -dc "${gz}" OUTPUT_VARIABLE text RESULT_VARIABLE result)
  expect_equal("gunzip of ${seconds}" "${result}" "0")
  string(REGEX MATCH "^[^\n]*" first_line "${text}")
  expect_equal("first line of ${seconds}" "${first_line}"
               "qinghechart (${want_version}-1) unstable; urgency=medium")
  string(REGEX MATCH "\n -- [^\n]*" trailer "${text}")
  expect_equal("trailer of ${seconds}" "${trailer}"
               "\n -- QingHe Chart developers <dev@qinghesoft.cn>  ${want_date}")
endforeach()

# No stamp yet: packing must stop, not invent a version.
execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${SOURCE_DIR} -P
                        ${CMAKE_CURRENT_LIST_DIR}/package_version_missing.cmake
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
if(result EQUAL 0)
  message(SEND_ERROR "a missing stamp file gave a version")
  math(EXPR failures "${failures} + 1")
endif()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} check(s) failed")
endif()

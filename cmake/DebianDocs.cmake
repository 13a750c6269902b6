# Runs at install time (also inside cpack): writes the Debian changelog for
# this build's version, compressed as Debian wants it (gzip -9n).
# Variables: STAMP_FILE, PROJECT_VERSION, DEB_RELEASE, MAINTAINER, TEMPLATE,
# DOC_DIR (absolute, without DESTDIR).
include(${CMAKE_CURRENT_LIST_DIR}/PackageVersion.cmake)
qh_package_version("${STAMP_FILE}" "${PROJECT_VERSION}" version seconds)
set(ENV{SOURCE_DATE_EPOCH} "${seconds}")
string(TIMESTAMP QH_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
string(TIMESTAMP QH_BUILD_TIME "%Y-%m-%d %H:%M" UTC)
unset(ENV{SOURCE_DATE_EPOCH})
set(QH_DEB_VERSION "${version}-${DEB_RELEASE}")
set(QH_PROJECT_VERSION "${PROJECT_VERSION}")
set(QH_MAINTAINER "${MAINTAINER}")

set(doc_dir "$ENV{DESTDIR}${DOC_DIR}")
file(MAKE_DIRECTORY "${doc_dir}")
configure_file("${TEMPLATE}" "${doc_dir}/changelog.Debian" @ONLY)
file(REMOVE "${doc_dir}/changelog.Debian.gz")
execute_process(COMMAND gzip -9n "${doc_dir}/changelog.Debian" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "could not compress ${doc_dir}/changelog.Debian")
endif()
message(STATUS "Installing: ${doc_dir}/changelog.Debian.gz (${QH_DEB_VERSION})")

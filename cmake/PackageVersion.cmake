# The package version grows with every build: the project version plus the
# build's UTC time to the minute, from the stamp linked into the programs
# (link_stamp.txt, seconds since 1970). 1.0.0 built on 2026-12-09 11:30 UTC
# gives 1.0.0+202612091130; the Debian revision -1 follows it.
#   qh_package_version(<stamp file> <project version> <out version> <out seconds>)
function(qh_package_version stamp_file project_version out_version out_seconds)
  if(NOT EXISTS "${stamp_file}")
    message(FATAL_ERROR "no build stamp at ${stamp_file}: build the programs first")
  endif()
  file(READ "${stamp_file}" seconds)
  string(STRIP "${seconds}" seconds)
  # TIMESTAMP formats SOURCE_DATE_EPOCH instead of the current time.
  set(ENV{SOURCE_DATE_EPOCH} "${seconds}")
  string(TIMESTAMP minute "%Y%m%d%H%M" UTC)
  unset(ENV{SOURCE_DATE_EPOCH})
  set(${out_version} "${project_version}+${minute}" PARENT_SCOPE)
  set(${out_seconds} "${seconds}" PARENT_SCOPE)
endfunction()

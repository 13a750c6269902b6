# Writes the build stamp as a one-line source file (linked into the programs,
# read as their version by update/local_version.cpp) and as seconds in
# link_stamp.txt (read by the package). The stamp is SOURCE_DATE_EPOCH when
# given, else the last commit's time, else FALLBACK (the configure time).
# Files whose content would not change are left alone, so nothing that
# depends on them is rebuilt.
#   cmake -DOUT_DIR=<dir> [-DSOURCE_DATE_EPOCH=<s>] [-DGIT=<git> -DSOURCE_DIR=<repo>]
#         [-DFALLBACK=<s>] -P link_stamp.cmake
set(stamp "")
if(DEFINED SOURCE_DATE_EPOCH)
  set(stamp "${SOURCE_DATE_EPOCH}")
elseif(DEFINED GIT)
  execute_process(COMMAND "${GIT}" log -1 --format=%ct
                  WORKING_DIRECTORY "${SOURCE_DIR}"
                  OUTPUT_VARIABLE stamp RESULT_VARIABLE result
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT result EQUAL 0)
    set(stamp "")
  endif()
endif()
if(NOT stamp MATCHES "^[0-9]+$")
  if(NOT FALLBACK MATCHES "^[0-9]+$")
    message(FATAL_ERROR "no build stamp: SOURCE_DATE_EPOCH '${stamp}' is not a number of seconds")
  endif()
  set(stamp "${FALLBACK}")
endif()

function(write_if_changed path content)
  if(EXISTS "${path}")
    file(READ "${path}" old)
    if(old STREQUAL content)
      return()
    endif()
  endif()
  file(WRITE "${path}" "${content}")
endfunction()

file(MAKE_DIRECTORY "${OUT_DIR}")
write_if_changed("${OUT_DIR}/link_stamp.cpp"
                 "extern \"C\" const long long qhLinkTimeStamp = ${stamp}LL;\n")
write_if_changed("${OUT_DIR}/link_stamp.txt" "${stamp}\n")

# Run once per build, before the programs are linked: compiles a one-line
# object holding the current time, so every build carries the time it was
# made. The programs read it as their version (update/local_version.cpp); the
# package takes link_stamp.txt (the same moment, UTC, to the minute).
#   cmake -DOUT_DIR=<dir> -DCXX=<compiler> -P link_stamp.cmake
string(TIMESTAMP now "%s" UTC)
# TIMESTAMP formats SOURCE_DATE_EPOCH when it is set: the same second twice.
set(ENV{SOURCE_DATE_EPOCH} ${now})
string(TIMESTAMP minute "%Y%m%d%H%M" UTC)
file(MAKE_DIRECTORY "${OUT_DIR}")
file(WRITE "${OUT_DIR}/link_stamp.cpp"
     "extern \"C\" const long long qhLinkTimeStamp = ${now}LL;\n")
execute_process(
  COMMAND "${CXX}" -fPIC -c "${OUT_DIR}/link_stamp.cpp" -o "${OUT_DIR}/link_stamp.o"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "could not compile the link time stamp")
endif()
file(WRITE "${OUT_DIR}/link_stamp.txt" "${minute}\n")

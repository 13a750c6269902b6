# Run once per build, before the programs are linked: compiles a one-line
# object holding the current time, so every build carries the time it was
# made. The programs read it as their version (update/local_version.cpp); the
# package reads the same seconds from link_stamp.txt.
#   cmake -DOUT_DIR=<dir> -DCXX=<compiler> -P link_stamp.cmake
string(TIMESTAMP now "%s" UTC)
file(MAKE_DIRECTORY "${OUT_DIR}")
file(WRITE "${OUT_DIR}/link_stamp.cpp"
     "extern \"C\" const long long qhLinkTimeStamp = ${now}LL;\n")
execute_process(
  COMMAND "${CXX}" -fPIC -c "${OUT_DIR}/link_stamp.cpp" -o "${OUT_DIR}/link_stamp.o"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "could not compile the link time stamp")
endif()
file(WRITE "${OUT_DIR}/link_stamp.txt" "${now}\n")

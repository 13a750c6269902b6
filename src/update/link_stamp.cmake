# Run right before the program is linked: compiles a one-line object holding
# the current time, so every link carries the time it was made. The program
# reads it as its version (update/local_version.cpp).
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

# Checks where the build stamp comes from and that an unchanged stamp leaves
# its files alone (so nothing is recompiled or relinked).
#   cmake -DSOURCE_DIR=<repo> -DWORK_DIR=<scratch dir> -DGIT=<git> -P link_stamp_test.cmake
cmake_minimum_required(VERSION 3.25)
set(script ${SOURCE_DIR}/src/update/link_stamp.cmake)
set(failures 0)
macro(expect_equal what actual expected)
  if(NOT "${actual}" STREQUAL "${expected}")
    message(SEND_ERROR "${what}: got '${actual}', want '${expected}'")
    math(EXPR failures "${failures} + 1")
  endif()
endmacro()

file(REMOVE_RECURSE "${WORK_DIR}")
set(repo ${WORK_DIR}/repo)
file(MAKE_DIRECTORY "${repo}")
# A repository whose only commit was made at 2026-12-09 10:00:00 UTC.
set(ENV{GIT_AUTHOR_DATE} "1796810400 +0000")
set(ENV{GIT_COMMITTER_DATE} "1796810400 +0000")
foreach(step "init -q" "-c user.name=t -c user.email=t@t commit -q --allow-empty -m one")
  separate_arguments(args UNIX_COMMAND "${step}")
  execute_process(COMMAND ${GIT} ${args} WORKING_DIRECTORY "${repo}" RESULT_VARIABLE result)
  expect_equal("git ${step}" "${result}" "0")
endforeach()

# arguments, separated by spaces | stamp (empty: the script must fail)
set(cases
  "-DSOURCE_DATE_EPOCH=1796816400 -DGIT=${GIT} -DSOURCE_DIR=${repo} -DFALLBACK=5|1796816400"
  "-DGIT=${GIT} -DSOURCE_DIR=${repo} -DFALLBACK=5|1796810400"
  "-DGIT=${GIT} -DSOURCE_DIR=${WORK_DIR}/nowhere -DFALLBACK=1700000000|1700000000"
  "-DFALLBACK=1700000000|1700000000"
  "-DSOURCE_DATE_EPOCH=yesterday|")
set(n 0)
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 arguments)
  list(LENGTH parts count)
  set(want "")
  if(count GREATER 1)
    list(GET parts 1 want)
  endif()
  separate_arguments(fields UNIX_COMMAND "${arguments}")
  math(EXPR n "${n} + 1")
  set(out ${WORK_DIR}/out${n})
  execute_process(COMMAND ${CMAKE_COMMAND} -DOUT_DIR=${out} ${fields} -P ${script}
                  RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
  if(want STREQUAL "")
    if(result EQUAL 0)
      message(SEND_ERROR "case ${n}: a stamp that is no number was accepted")
      math(EXPR failures "${failures} + 1")
    endif()
    continue()
  endif()
  expect_equal("case ${n} result" "${result}" "0")
  file(READ ${out}/link_stamp.txt txt)
  expect_equal("case ${n} link_stamp.txt" "${txt}" "${want}\n")
  file(READ ${out}/link_stamp.cpp cpp)
  expect_equal("case ${n} link_stamp.cpp" "${cpp}"
               "extern \"C\" const long long qhLinkTimeStamp = ${want}LL;\n")
endforeach()

# The same stamp again: the files keep their time, so ninja's restat sees
# nothing new and relinks nothing. A new stamp rewrites them.
file(TIMESTAMP ${WORK_DIR}/out2/link_stamp.cpp before "%s")
execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 1.1)
execute_process(COMMAND ${CMAKE_COMMAND} -DOUT_DIR=${WORK_DIR}/out2 -DGIT=${GIT}
                        -DSOURCE_DIR=${repo} -DFALLBACK=5 -P ${script})
file(TIMESTAMP ${WORK_DIR}/out2/link_stamp.cpp after "%s")
expect_equal("unchanged stamp rewrote the source" "${after}" "${before}")
execute_process(COMMAND ${CMAKE_COMMAND} -DOUT_DIR=${WORK_DIR}/out2 -DSOURCE_DATE_EPOCH=1796816400
                        -P ${script})
file(READ ${WORK_DIR}/out2/link_stamp.txt txt)
expect_equal("new stamp" "${txt}" "1796816400\n")

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} check(s) failed")
endif()

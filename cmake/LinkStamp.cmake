# The programs' build number comes from one time stamp, linked into both the
# window and the command-line tool so both report the same version, and read
# by the Debian package for its version (link_stamp.txt). The stamp is, in
# this order: SOURCE_DATE_EPOCH when set at configure time, the time of the
# last commit when the sources are a git checkout, the configure time
# otherwise. The same sources therefore give the same stamp and the same
# binaries, and a build with nothing changed relinks nothing.
set(QH_LINK_STAMP_DIR ${PROJECT_BINARY_DIR}/link_stamp)
if(WIN32)
  # Windows reads the link time from the program's own PE header.
  function(qh_link_with_stamp target)
  endfunction()
  return()
endif()

set(qh_stamp_args -DOUT_DIR=${QH_LINK_STAMP_DIR})
set(qh_stamp_depends ${PROJECT_SOURCE_DIR}/src/update/link_stamp.cmake)
if(DEFINED ENV{SOURCE_DATE_EPOCH} AND NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
  list(APPEND qh_stamp_args -DSOURCE_DATE_EPOCH=$ENV{SOURCE_DATE_EPOCH})
else()
  find_package(Git QUIET)
  set(qh_git_files)
  if(GIT_FOUND)
    # A commit, checkout or reset moves HEAD and writes its reflog; the stamp
    # is looked at again only then.
    execute_process(
      COMMAND ${GIT_EXECUTABLE} rev-parse --path-format=absolute --git-path HEAD
              --git-path logs/HEAD
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
      OUTPUT_VARIABLE qh_git_paths
      RESULT_VARIABLE qh_git_result
      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(qh_git_result EQUAL 0)
      string(REPLACE "\n" ";" qh_git_paths "${qh_git_paths}")
      foreach(path IN LISTS qh_git_paths)
        if(EXISTS "${path}")
          list(APPEND qh_git_files "${path}")
        endif()
      endforeach()
    endif()
  endif()
  if(qh_git_files)
    list(APPEND qh_stamp_args -DGIT=${GIT_EXECUTABLE} -DSOURCE_DIR=${PROJECT_SOURCE_DIR})
    list(APPEND qh_stamp_depends ${qh_git_files})
  endif()
  # Used only when git cannot tell.
  string(TIMESTAMP qh_configure_time "%s" UTC)
  list(APPEND qh_stamp_args -DFALLBACK=${qh_configure_time})
endif()

# The files are rewritten only when the stamp changes, so an unchanged stamp
# leaves the object and the programs as they are.
add_custom_command(
  OUTPUT ${QH_LINK_STAMP_DIR}/link_stamp.cpp ${QH_LINK_STAMP_DIR}/link_stamp.txt
  COMMAND ${CMAKE_COMMAND} ${qh_stamp_args} -P ${PROJECT_SOURCE_DIR}/src/update/link_stamp.cmake
  DEPENDS ${qh_stamp_depends}
  COMMENT "Reading the build stamp"
  VERBATIM)
add_library(qh_link_stamp OBJECT ${QH_LINK_STAMP_DIR}/link_stamp.cpp)
set_target_properties(qh_link_stamp PROPERTIES POSITION_INDEPENDENT_CODE ON AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)

# Links the build's time stamp into target.
function(qh_link_with_stamp target)
  target_sources(${target} PRIVATE $<TARGET_OBJECTS:qh_link_stamp>)
endfunction()

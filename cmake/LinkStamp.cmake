# The programs' version is the time they were built. Every build compiles one
# fresh object holding the current time and links it into both the window and
# the command-line tool, so both report the same version, and the Debian
# package takes its version from the same stamp (link_stamp.txt).
set(QH_LINK_STAMP_DIR ${PROJECT_BINARY_DIR}/link_stamp)
if(NOT WIN32)
  add_custom_target(qh_link_stamp
    COMMAND ${CMAKE_COMMAND} -DOUT_DIR=${QH_LINK_STAMP_DIR} -DCXX=${CMAKE_CXX_COMPILER}
            -P ${PROJECT_SOURCE_DIR}/src/update/link_stamp.cmake
    BYPRODUCTS ${QH_LINK_STAMP_DIR}/link_stamp.o ${QH_LINK_STAMP_DIR}/link_stamp.txt
    COMMENT "Stamping the build time"
    VERBATIM)
endif()

# Links the build's time stamp into target (Windows reads its PE header instead).
function(qh_link_with_stamp target)
  if(WIN32)
    return()
  endif()
  add_dependencies(${target} qh_link_stamp)
  target_link_options(${target} PRIVATE ${QH_LINK_STAMP_DIR}/link_stamp.o)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${QH_LINK_STAMP_DIR}/link_stamp.o)
endfunction()

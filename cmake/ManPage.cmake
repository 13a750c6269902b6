# Turns one hand-written scdoc page into roff, compressed as Debian wants it.
#   cmake -DSCDOC=<scdoc> -DIN=<page.1.scd> -DOUT=<page.1.gz> -P ManPage.cmake
get_filename_component(out_dir "${OUT}" DIRECTORY)
string(REGEX REPLACE "\\.gz$" "" roff "${OUT}")
execute_process(COMMAND "${SCDOC}" INPUT_FILE "${IN}" OUTPUT_FILE "${roff}"
                RESULT_VARIABLE result ERROR_VARIABLE error)
if(NOT result EQUAL 0)
  file(REMOVE "${roff}")
  message(FATAL_ERROR "scdoc could not read ${IN}: ${error}")
endif()
execute_process(COMMAND gzip -9nf "${roff}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "could not compress ${roff}")
endif()

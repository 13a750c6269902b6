# Installation layout and the Debian package.
include(GNUInstallDirs)

set(QH_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/qinghechart)

install(TARGETS qinghechart qinghechart-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The command-line tool's drawing module, found through its run path.
install(TARGETS qinghechart-render LIBRARY DESTINATION ${QH_MODULE_DIR})
# A stripped install (the package) also drops the compilers' notes, as
# Debian's own packages do.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(f bin/qinghechart bin/qinghechart-cli ${QH_MODULE_DIR}/qinghechart-render.so)
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                              \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${f}\")
    endforeach()
  endif()
")
install(FILES packaging/qinghechart.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/cn.qinghesoft.qinghechart.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES packaging/icons/qinghechart.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES packaging/icons/qinghechart-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME qinghechart.png)
endforeach()
install(FILES examples/sales.html DESTINATION ${QH_DOC_DIR}/examples)
install(FILES packaging/debian/copyright DESTINATION ${QH_DOC_DIR})
# What check --json, render --layout and render --json-summary print, as JSON Schema.
install(FILES schemas/qinghechart-check-1.schema.json schemas/qinghechart-layout-1.schema.json
              schemas/qinghechart-render-1.schema.json
        DESTINATION ${CMAKE_INSTALL_DATADIR}/qinghechart/schemas)
install(FILES packaging/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME qinghechart)

# Manual pages, written by hand in scdoc and turned into roff by the build.
find_program(QH_SCDOC scdoc)
if(QH_SCDOC)
  set(QH_MAN_PAGES)
  foreach(page qinghechart.1 qinghechart-cli.1)
    set(in ${PROJECT_SOURCE_DIR}/packaging/man/${page}.scd)
    set(out ${PROJECT_BINARY_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -DSCDOC=${QH_SCDOC} -DIN=${in} -DOUT=${out}
              -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
      DEPENDS ${in} ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
      COMMENT "Manual page ${page}"
      VERBATIM)
    list(APPEND QH_MAN_PAGES ${out})
  endforeach()
  add_custom_target(qh_man_pages ALL DEPENDS ${QH_MAN_PAGES})
  install(FILES ${QH_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(WARNING "scdoc not found: no manual pages (apt-get install scdoc)")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qinghechart)
set(CPACK_PACKAGE_VENDOR "青禾软件有限公司")
set(CPACK_PACKAGE_CONTACT "QingHe Chart developers <dev@qinghesoft.cn>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "chart generation tool: two-column tables as bar, pie or line charts")
set(CPACK_PACKAGE_DESCRIPTION
    "青禾图表生成工具 (QingHe Chart) draws a two-column table (item, value) from an
HTML export, a CSV file or an .xls/.xlsx workbook as a bar, pie or line chart,
saves it as PNG, JPEG, SVG or PDF, prints it or copies it to the clipboard.
qinghechart-cli checks files and renders charts without a display.")
# The version is set when cpack runs, from the build's stamp (see
# CPackProjectConfig.cmake.in); this is only the fallback.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake)
configure_file(cmake/CPackProjectConfig.cmake.in ${CPACK_PROJECT_CONFIG_FILE} @ONLY)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so shlibdeps cannot see them: the platform plugins, a
# font with the Chinese glyphs (without one every text is empty boxes), and
# libzip, opened by the first workbook (its package is named after its
# SONAME: libzip.so.4 comes in libzip4; libcrypto comes with the window's
# own link).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-noto-cjk | fonts-wqy-microhei")
if(QH_ZIP_LIBRARY MATCHES "^(lib[^.]+)\\.so\\.([0-9]+)$")
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", ${CMAKE_MATCH_1}${CMAKE_MATCH_2}")
endif()
# Native Wayland instead of Xwayland; Qt's own Chinese texts for its standard
# dialogs (the program carries the words of its own dialogs, so the rest is
# welcome but not needed).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)

# The changelog needs the version of this build, known only when installing.
install(CODE "
  execute_process(COMMAND \"${CMAKE_COMMAND}\"
      \"-DSTAMP_FILE=${QH_LINK_STAMP_DIR}/link_stamp.txt\"
      \"-DPROJECT_VERSION=${PROJECT_VERSION}\"
      \"-DDEB_RELEASE=${CPACK_DEBIAN_PACKAGE_RELEASE}\"
      \"-DMAINTAINER=${CPACK_PACKAGE_CONTACT}\"
      \"-DTEMPLATE=${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in\"
      \"-DDOC_DIR=\${CMAKE_INSTALL_PREFIX}/${QH_DOC_DIR}\"
      -P \"${PROJECT_SOURCE_DIR}/cmake/DebianDocs.cmake\"
    RESULT_VARIABLE qh_result)
  if(NOT qh_result EQUAL 0)
    message(FATAL_ERROR \"could not write the Debian changelog\")
  endif()
")

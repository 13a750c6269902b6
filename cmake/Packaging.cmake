# Installation layout and the Debian package.
include(GNUInstallDirs)

install(TARGETS qinghechart qinghechart-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The command-line tool's drawing module, found through its run path.
install(TARGETS qinghechart-render LIBRARY DESTINATION lib/qinghechart)
install(FILES packaging/qinghechart.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/icons/qinghechart.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES packaging/icons/qinghechart-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME qinghechart.png)
endforeach()
install(FILES examples/sales.html DESTINATION ${CMAKE_INSTALL_DATADIR}/qinghechart/examples)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qinghechart)
set(CPACK_PACKAGE_VENDOR "青禾软件有限公司")
set(CPACK_PACKAGE_CONTACT "QingHe Chart developers <dev@qinghesoft.cn>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Chart generation tool: two-column tables as bar, pie or line charts")
set(CPACK_PACKAGE_DESCRIPTION
    "青禾图表生成工具 (QingHe Chart) draws a two-column table (item, value) from an\n HTML export, a CSV file or an .xls/.xlsx workbook as a bar, pie or line chart,\n saves it as JPEG or copies it to the clipboard. qinghechart-cli checks files\n and renders charts without a display.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The platform plugins are loaded at run time, so shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)

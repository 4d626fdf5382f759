# Desktop integration and the Debian package. The executable's own install
# rule sits with its target; this adds the files a desktop needs to list and
# show it.
if(AVRTIMER_CORE_ONLY)
  return()
endif()

set(AVRTIMER_APP_ID org.avrtimer.avrtimer)

install(FILES ${CMAKE_SOURCE_DIR}/res/${AVRTIMER_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/res/${AVRTIMER_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 128)
  install(FILES ${CMAKE_SOURCE_DIR}/res/icons/avrtimer-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME avrtimer.png)
endforeach()

set(AVRTIMER_MAINTAINER "avrtimer developers <avrtimer@localhost>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME avrtimer)
set(CPACK_PACKAGE_VENDOR "avrtimer developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${AVRTIMER_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# CPack puts the summary first and indents these lines itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A desktop calculator, in Polish, for the 8-bit timer/counters of AVR
microcontrollers: tick, overflow, preload and compare values for the Normal,
CTC, Fast PWM and Phase Correct PWM modes, with the Timer0 and Timer2
clock-select tables at hand.")
# Dependencies come from the libraries the executable links (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The outline fonts that stand in for the windows' designed fonts.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-dejavu-extra")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)

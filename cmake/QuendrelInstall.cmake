# What `cmake --install` puts under the prefix: the program where games go,
# its desktop entry, icons, AppStream metadata, manual page and licence.
# The pictures in data/ were made once from the program's own run and are
# committed; nothing here renders them.
include(GNUInstallDirs)

set(QUENDREL_APP_ID org.quendrel.Quendrel)
set(QUENDREL_INSTALL_GAMESDIR games CACHE STRING
  "Where the program goes, under the prefix (Debian and the FHS: games)")

install(TARGETS quendrel RUNTIME DESTINATION ${QUENDREL_INSTALL_GAMESDIR})
install(FILES data/${QUENDREL_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES data/${QUENDREL_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
foreach(size 48x48 128x128 256x256)
  install(FILES data/icons/${size}/${QUENDREL_APP_ID}.png
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}/apps)
endforeach()
install(FILES data/quendrel.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
# The Debian package ships this text as its copyright file instead.
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/quendrel)

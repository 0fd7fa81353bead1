# Installation. The game reads its word files and font from its working
# folder and takes no options, so what is installed is the binary out of the
# way under libexec, the default word lists, a launcher on the PATH that gives
# each player a folder of their own, and a desktop entry naming the launcher.
include(GNUInstallDirs)

install(TARGETS hangman RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/hangman)
install(FILES ${CMAKE_BINARY_DIR}/data/angol.txt ${CMAKE_BINARY_DIR}/data/magyar.txt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/hangman)

# The launcher finds the binary and the word lists relative to itself, so the
# prefix can still be chosen at install time (cmake --install --prefix).
file(RELATIVE_PATH HANGMAN_BIN_TO_GAME "/${CMAKE_INSTALL_BINDIR}"
     "/${CMAKE_INSTALL_LIBEXECDIR}/hangman/hangman")
file(RELATIVE_PATH HANGMAN_BIN_TO_DATA "/${CMAKE_INSTALL_BINDIR}"
     "/${CMAKE_INSTALL_DATADIR}/hangman")
configure_file(${CMAKE_SOURCE_DIR}/packaging/hangman.sh.in
               ${CMAKE_BINARY_DIR}/packaging/hangman @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/hangman DESTINATION ${CMAKE_INSTALL_BINDIR})

# The desktop entry needs the launcher's absolute path, known only once the
# install step runs.
install(CODE "
  set(HANGMAN_DESKTOP_IN \"${CMAKE_SOURCE_DIR}/packaging/hangman.desktop.in\")
  set(HANGMAN_DESKTOP_OUT \"${CMAKE_BINARY_DIR}/packaging/hangman.desktop\")
  set(HANGMAN_BINDIR \"${CMAKE_INSTALL_BINDIR}\")
  set(HANGMAN_DATADIR \"${CMAKE_INSTALL_DATADIR}\")")
install(SCRIPT ${CMAKE_SOURCE_DIR}/packaging/desktop_entry.cmake)

# Installation. The game reads its word files and font from its working
# folder and takes no options, so what is installed is the binary out of the
# way, the default word lists, a launcher on the PATH that gives each player a
# folder of their own, hangman-solve, a desktop entry with its icon, and the
# manual pages.
#
# The layout is GNUInstallDirs' own: `cmake --install` puts the launcher in
# bin/, the binary in libexec/hangman/ and the word lists in share/hangman/.
# The Debian package (debian/rules) sets BINDIR, LIBEXECDIR and DATADIR to
# Debian's places for games: games/, lib/games/hangman/, share/games/hangman/.
include(GNUInstallDirs)
# Directories that the install makes are 0755 whatever the umask, as Debian
# requires of a package's directories.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(gamedir ${CMAKE_INSTALL_LIBEXECDIR}/hangman)
set(datadir ${CMAKE_INSTALL_DATADIR}/hangman)
set(out ${CMAKE_BINARY_DIR}/packaging)

install(TARGETS hangman RUNTIME DESTINATION ${gamedir})
# The solver takes its word file as an argument, so it goes on the PATH.
install(TARGETS hangman-solve RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/data/angol.txt ${CMAKE_BINARY_DIR}/data/magyar.txt DESTINATION ${datadir})

# The launcher finds the binary and the word lists relative to itself, so
# the prefix can still be chosen at install time (cmake --install --prefix).
file(RELATIVE_PATH HANGMAN_BIN_TO_GAME "/${CMAKE_INSTALL_BINDIR}" "/${gamedir}/hangman")
file(RELATIVE_PATH HANGMAN_BIN_TO_DATA "/${CMAKE_INSTALL_BINDIR}" "/${datadir}")
configure_file(${CMAKE_SOURCE_DIR}/packaging/hangman.sh.in ${out}/hangman @ONLY)
install(PROGRAMS ${out}/hangman DESTINATION ${CMAKE_INSTALL_BINDIR})

# gzip -n leaves out the name and time, so the same page always gives the
# same bytes.
foreach(page hangman hangman-solve)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/${page}.6.in ${out}/${page}.6 @ONLY)
  execute_process(COMMAND gzip -9nf ${out}/${page}.6 COMMAND_ERROR_IS_FATAL ANY)
  install(FILES ${out}/${page}.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
endforeach()

# What software centres show of the game, named by its AppStream id.
set(HANGMAN_APPSTREAM_ID example.c_seed_9b93b6ca.hangman)
configure_file(${CMAKE_SOURCE_DIR}/packaging/hangman.metainfo.xml.in
               ${out}/${HANGMAN_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${out}/${HANGMAN_APPSTREAM_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)

install(FILES ${CMAKE_SOURCE_DIR}/packaging/hangman.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
# The desktop entry needs the launcher's absolute path, known only once the
# install step runs.
install(CODE "
  set(HANGMAN_DESKTOP_IN \"${CMAKE_SOURCE_DIR}/packaging/hangman.desktop.in\")
  set(HANGMAN_DESKTOP_OUT \"${out}/hangman.desktop\")
  set(HANGMAN_BINDIR \"${CMAKE_INSTALL_BINDIR}\")
  set(HANGMAN_DATAROOTDIR \"${CMAKE_INSTALL_DATAROOTDIR}\")
  include(\"${CMAKE_SOURCE_DIR}/packaging/desktop_entry.cmake\")")

# Installation. The game reads its word files and font from its working
# folder and takes no options, so what is installed is the binary out of the
# way, the default word lists, a launcher on the PATH that gives each player a
# folder of their own, a desktop entry with its icon, and the manual page.
#
# There are two layouts of the same files. `cmake --install` uses the usual
# one (bin/, libexec/hangman/, share/hangman/); the component "deb", left out
# unless named, uses Debian's layout for games (games/, lib/games/hangman/,
# share/games/hangman/) and adds the files a Debian package must carry. The
# package is built from that component (see cmake/package.cmake).
include(GNUInstallDirs)
# Directories that the install makes are 0755 whatever the umask, as Debian
# requires of a package's directories.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Shared by both layouts. gzip -n leaves out the name and time, so the same
# page always gives the same bytes.
configure_file(${CMAKE_SOURCE_DIR}/packaging/hangman.6.in ${CMAKE_BINARY_DIR}/packaging/hangman.6 @ONLY)
execute_process(COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/packaging/hangman.6 COMMAND_ERROR_IS_FATAL ANY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/hangman-solve.6.in ${CMAKE_BINARY_DIR}/packaging/hangman-solve.6 @ONLY)
execute_process(COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/packaging/hangman-solve.6 COMMAND_ERROR_IS_FATAL ANY)

function(hangman_install component bindir gamedir datadir)
  set(args COMPONENT ${component} ${ARGN})
  set(out ${CMAKE_BINARY_DIR}/packaging/${component})
  install(TARGETS hangman RUNTIME DESTINATION ${gamedir} ${args})
  # The solver takes its word file as an argument, so it goes on the PATH.
  install(TARGETS hangman-solve RUNTIME DESTINATION ${bindir} ${args})
  install(FILES ${CMAKE_BINARY_DIR}/data/angol.txt ${CMAKE_BINARY_DIR}/data/magyar.txt
          DESTINATION ${datadir} ${args})

  # The launcher finds the binary and the word lists relative to itself, so
  # the prefix can still be chosen at install time (cmake --install --prefix).
  file(RELATIVE_PATH HANGMAN_BIN_TO_GAME "/${bindir}" "/${gamedir}/hangman")
  file(RELATIVE_PATH HANGMAN_BIN_TO_DATA "/${bindir}" "/${datadir}")
  configure_file(${CMAKE_SOURCE_DIR}/packaging/hangman.sh.in ${out}/hangman @ONLY)
  install(PROGRAMS ${out}/hangman DESTINATION ${bindir} ${args})

  install(FILES ${CMAKE_SOURCE_DIR}/packaging/hangman.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps ${args})
  install(FILES ${CMAKE_BINARY_DIR}/packaging/hangman.6.gz ${CMAKE_BINARY_DIR}/packaging/hangman-solve.6.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 ${args})

  # The desktop entry needs the launcher's absolute path, known only once the
  # install step runs.
  install(CODE "
    set(HANGMAN_DESKTOP_IN \"${CMAKE_SOURCE_DIR}/packaging/hangman.desktop.in\")
    set(HANGMAN_DESKTOP_OUT \"${out}/hangman.desktop\")
    set(HANGMAN_BINDIR \"${bindir}\")
    set(HANGMAN_DATADIR \"${CMAKE_INSTALL_DATADIR}\")
    include(\"${CMAKE_SOURCE_DIR}/packaging/desktop_entry.cmake\")" ${args})
endfunction()

hangman_install(main ${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_LIBEXECDIR}/hangman
                ${CMAKE_INSTALL_DATADIR}/hangman)
hangman_install(deb games lib/games/hangman share/games/hangman EXCLUDE_FROM_ALL)

# A Debian package carries its copyright and, being its own upstream, a
# changelog.gz in its documentation folder.
string(TIMESTAMP HANGMAN_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/deb/changelog @ONLY)
execute_process(COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/packaging/deb/changelog COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/packaging/deb/changelog.gz
        DESTINATION share/doc/hangman COMPONENT deb EXCLUDE_FROM_ALL)

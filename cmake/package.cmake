# The Debian package, built by CPack from the install component "deb" (Debian's
# layout for games, see cmake/install.cmake). ./package.sh builds it with
# Debian's build flags and checks it with lintian.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hangman)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Hangman developers <maintainers@users.noreply.c-seed-9b93b6ca.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "word guessing game against a computer that keeps changing its word")
set(CPACK_PACKAGE_DESCRIPTION "A hangman game for the desktop, in Hungarian and English.
The computer never commits to a word: it keeps every word of the chosen
length from its word list, and at each letter you guess it keeps the words
in which that letter is rarest, so winning takes letters that leave it
nowhere to hide. Players can add words of their own to the word lists.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries' packages come from the binary (dpkg-shlibdeps); the font is
# only opened by name at run time, so it is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-inconsolata)
set(CPACK_STRIP_FILES ON)
# Only the "deb" component, staged under DESTDIR with the prefix /usr, so the
# desktop entry names /usr/games/hangman and not the staging folder.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};hangman;deb;/")
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
include(CPack)

if(BUILD_TESTING)
  add_test(NAME package
           COMMAND ${CMAKE_SOURCE_DIR}/tests/package_test.sh ${CMAKE_CPACK_COMMAND}
                   ${CMAKE_BINARY_DIR}/CPackConfig.cmake ${PROJECT_VERSION})
  set_tests_properties(package PROPERTIES LABELS package TIMEOUT 60)
endif()

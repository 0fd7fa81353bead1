# Included at install time (see cmake/install.cmake): writes the desktop entry
# with the installed launcher's absolute path and installs it. Expects
# HANGMAN_DESKTOP_IN, HANGMAN_DESKTOP_OUT, HANGMAN_BINDIR and HANGMAN_DATAROOTDIR.
set(launcher "${CMAKE_INSTALL_PREFIX}/${HANGMAN_BINDIR}/hangman")

# A path with characters that Exec reserves is quoted: inside the quotes ",
# `, $ and \ take a backslash, and every backslash is then doubled once more
# because the whole value is itself an escaped string.
if(launcher MATCHES "[] \t\n\"'\\\\><~|&;$*?#()`[]")
  string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" quoted "${launcher}")
  string(REPLACE "\\" "\\\\" quoted "${quoted}")
  set(HANGMAN_EXEC "\"${quoted}\"")
else()
  set(HANGMAN_EXEC "${launcher}")
endif()

configure_file("${HANGMAN_DESKTOP_IN}" "${HANGMAN_DESKTOP_OUT}" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${HANGMAN_DATAROOTDIR}/applications"
     TYPE FILE FILES "${HANGMAN_DESKTOP_OUT}")

# The two files a Debian package keeps in its doc folder: the licence as a
# machine-readable copyright file, made from LICENSE so that it is written
# down once, and the changelog, compressed without a time stamp.
file(READ ${CMAKE_SOURCE_DIR}/LICENSE licence)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" ignored "${licence}")
set(holder "${CMAKE_MATCH_1}")
string(FIND "${licence}" "Permission" terms_start)
string(SUBSTRING "${licence}" ${terms_start} -1 terms)
string(STRIP "${terms}" terms)
# The format indents the text by a blank and marks an empty line with a dot.
string(REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REPLACE "\n" "\n " terms "${terms}")
set(debian_copyright ${CMAKE_BINARY_DIR}/copyright)
file(WRITE ${debian_copyright}
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: tunewerk\n"
  "\n"
  "Files: *\n"
  "Copyright: ${holder}\n"
  "License: Expat\n"
  " ${terms}\n")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/LICENSE)

set(debian_changelog ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${debian_changelog}
  COMMAND gzip -9 -n -c ${CMAKE_SOURCE_DIR}/doc/changelog > ${debian_changelog}
  DEPENDS doc/changelog)
add_custom_target(debian-changelog ALL DEPENDS ${debian_changelog})

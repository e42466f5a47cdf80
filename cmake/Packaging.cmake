# What "cmake --install" puts where, and the packages CPack makes of it:
# on Linux a Debian package of korvel-cli, from the MinGW build a .zip of
# the two Windows programs; beside it the target korvel_msi makes the
# Windows installer.

include(GNUInstallDirs)
set(KORVEL_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/korvel)

if(WIN32)
  install(TARGETS korvel korvel-cli RUNTIME DESTINATION .)
  # Text files with Windows line ends, named so that Notepad opens them.
  foreach(text README.md LICENSE)
    get_filename_component(stem ${text} NAME_WE)
    configure_file(${PROJECT_SOURCE_DIR}/${text} ${CMAKE_BINARY_DIR}/package/${stem}.txt NEWLINE_STYLE CRLF)
    install(FILES ${CMAKE_BINARY_DIR}/package/${stem}.txt DESTINATION .)
  endforeach()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME korvel-${PROJECT_VERSION}-windows-x86_64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  # The installer (MSI) beside the .zip: wixl, run on the files of this
  # build gathered in one folder with the installer's source.
  find_program(KORVEL_WIXL wixl)
  if(KORVEL_WIXL)
    # One product code a version, the same on every build of it.
    string(UUID msi_product NAMESPACE 6ba7b811-9dad-11d1-80b4-00c04fd430c8 NAME "korvel ${PROJECT_VERSION}" TYPE SHA1 UPPER)
    set(msi_folder ${CMAKE_BINARY_DIR}/msi)
    file(MAKE_DIRECTORY ${msi_folder})
    set(msi ${CMAKE_BINARY_DIR}/packages/korvel-${PROJECT_VERSION}-windows-x86_64.msi)
    add_custom_command(OUTPUT ${msi}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${msi_folder} ${CMAKE_BINARY_DIR}/packages
      COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:korvel> $<TARGET_FILE:korvel-cli>
              ${PROJECT_SOURCE_DIR}/resources/bitmaps/korvel.ico ${PROJECT_SOURCE_DIR}/cmake/windows/korvel.wxs
              ${CMAKE_BINARY_DIR}/package/README.txt ${CMAKE_BINARY_DIR}/package/LICENSE.txt ${msi_folder}
      COMMAND ${CMAKE_STRIP} ${msi_folder}/korvel.exe ${msi_folder}/korvel-cli.exe
      COMMAND ${KORVEL_WIXL} -a x64 -D Version=${PROJECT_VERSION} -D ProductCode=${msi_product} -o ${msi} korvel.wxs
      WORKING_DIRECTORY ${msi_folder}
      DEPENDS korvel korvel-cli ${PROJECT_SOURCE_DIR}/cmake/windows/korvel.wxs ${PROJECT_SOURCE_DIR}/resources/bitmaps/korvel.ico
      VERBATIM)
    add_custom_target(korvel_msi DEPENDS ${msi})
  endif()
else()
  install(TARGETS korvel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The manual page compressed, as Debian keeps them.
  set(manual ${CMAKE_BINARY_DIR}/package/korvel-cli.1.gz)
  add_custom_command(OUTPUT ${manual}
                     COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/cli/man/korvel-cli.1 > ${manual}
                     DEPENDS ${PROJECT_SOURCE_DIR}/cli/man/korvel-cli.1 VERBATIM)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${CMAKE_BINARY_DIR}/package/changelog @ONLY)
  set(changelog ${CMAKE_BINARY_DIR}/package/changelog.gz)
  add_custom_command(OUTPUT ${changelog}
                     COMMAND gzip -9n -c ${CMAKE_BINARY_DIR}/package/changelog > ${changelog}
                     DEPENDS ${CMAKE_BINARY_DIR}/package/changelog VERBATIM)
  add_custom_target(korvel_package_files ALL DEPENDS ${manual} ${changelog})
  install(FILES ${manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/cli/completion/korvel-cli.bash
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions RENAME korvel-cli)
  install(FILES ${PROJECT_SOURCE_DIR}/cli/completion/_korvel-cli DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/zsh/vendor-completions)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/cmake/debian/copyright ${changelog}
          DESTINATION ${KORVEL_DOC_DIR})

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # libsndfile is loaded when a file first needs it, which the computed
  # dependencies cannot see.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsndfile1 (>= 1.0.31)")
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://korvel.example/)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Korvel developers <support@korvel.example>")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "converter of sound files into Tessal ringtones
korvel-cli turns a sound file into a Tessal file (.mmf) for mobile handsets:
4-bit ADPCM, mono, 8000 or 4000 Hz, with a title, a copyright, the date and
whether a handset may save and pass the file on. It reads WAV and AIFF as the
Korvel desktop program does, and through libsndfile MP3, FLAC, Ogg Vorbis,
Opus and more; it cuts the excerpt wanted, fades it and sets its loudness.")
  # Directories the system owns are not the package's.
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

set(CPACK_PACKAGE_NAME korvel)
set(CPACK_PACKAGE_VENDOR "The Korvel developers")
set(CPACK_PACKAGE_CONTACT "The Korvel developers <support@korvel.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
include(CPack)

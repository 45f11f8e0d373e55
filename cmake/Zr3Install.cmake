# What `cmake --install` puts in place and what CPack packs: natively zr3ctl and zr3sim with their
# manual pages and zr3ctl's bash completion, each page and the completion printed by the program
# itself from the tables that drive its parser.
if(WIN32)
    return()
endif()
include(GNUInstallDirs)

set(generated ${CMAKE_BINARY_DIR}/generated)
add_custom_command(OUTPUT ${generated}/zr3ctl.1
    COMMAND zr3ctl --print-manual-page > ${generated}/zr3ctl.1
    DEPENDS zr3ctl VERBATIM)
add_custom_command(OUTPUT ${generated}/zr3ctl
    COMMAND zr3ctl --print-bash-completion > ${generated}/zr3ctl
    DEPENDS zr3ctl VERBATIM)
add_custom_command(OUTPUT ${generated}/zr3sim.1
    COMMAND zr3sim --print-manual-page > ${generated}/zr3sim.1
    DEPENDS zr3sim VERBATIM)
add_custom_target(zr3_documents ALL
    DEPENDS ${generated}/zr3ctl.1 ${generated}/zr3ctl ${generated}/zr3sim.1)

install(TARGETS zr3ctl zr3sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${generated}/zr3ctl.1 ${generated}/zr3sim.1
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${generated}/zr3ctl DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# The Debian package of both programs: scripts/release builds it and checks it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zr3ctl)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "ZR3 config developers <zr3config@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ZR3 conductivity converter from the command line, and its simulator")
set(CPACK_PACKAGE_DESCRIPTION
    "zr3ctl configures and calibrates a ZR3 conductivity converter on a serial port from a shell or a script; zr3sim simulates such a converter on a pseudo-terminal.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)

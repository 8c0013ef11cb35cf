# The Debian package: `cpack -G DEB` in a build folder (scripts/package.sh builds one
# with Debian's hardening flags and checks it with lintian). Its dependencies are those
# of the binaries (dpkg-shlibdeps) plus ppp; its maintainer scripts reload the udev rules.

set(VELTRO_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/data/packaging)

# Debian keeps a copyright file and a compressed changelog with every package.
set(VELTRO_CHANGELOG ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(
    OUTPUT ${VELTRO_CHANGELOG}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND gzip -9 -n -c ${VELTRO_PACKAGING_DIR}/changelog > ${VELTRO_CHANGELOG}
    DEPENDS ${VELTRO_PACKAGING_DIR}/changelog)
add_custom_target(veltro_changelog ALL DEPENDS ${VELTRO_CHANGELOG})
install(FILES ${VELTRO_PACKAGING_DIR}/copyright ${VELTRO_CHANGELOG}
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The maintainer scripts go in with the modes dpkg wants.
foreach(script postinst postrm conffiles)
    file(COPY ${VELTRO_PACKAGING_DIR}/${script} DESTINATION ${CMAKE_BINARY_DIR}/packaging)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veltrogprs)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the veltrogprs developers")
set(CPACK_PACKAGE_CONTACT "veltrogprs maintainers <veltrogprs@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "GSM/GPRS data card manager: GPRS dial-up, calls and SMS")
# CPack puts the summary first and indents these lines; an empty line is a paragraph.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "veltrogprs finds a GSM/GPRS modem data card on its serial port, sets it up,
checks the SIM and the packet registration and brings up the GPRS internet
connection through pppd, showing connection time, bytes and speeds. It places
and answers voice calls, sends and fetches short messages and keeps a
phonebook, in one window with a tray icon.

The package holds the window program, the command-line tool veltrogprs-cli
(with device table editing and a doctor that checks the machine), the virtual
data card veltrogprs-vcard, udev rules that name the supported cards' AT ports
and keep ModemManager off them, and the pppd peers file of the GPRS dial.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ppp")
# The window's text is set in a Song face; without one Qt falls back to another font.
# Qt's translations give the standard buttons of its questions in Chinese.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-arphic-uming, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_BINARY_DIR}/packaging/postinst ${CMAKE_BINARY_DIR}/packaging/postrm
    ${CMAKE_BINARY_DIR}/packaging/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

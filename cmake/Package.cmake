# The Debian package (scripts/package): the installed files above, library dependencies
# found by dpkg-shlibdeps, and a maintainer script that grants the companion command its
# file capabilities.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX ${TAVREN_PACKAGE_PREFIX})
set(CPACK_PACKAGE_NAME tavren-netstat)
set(CPACK_PACKAGE_VENDOR "Tavren NetStat developers")
set(CPACK_PACKAGE_CONTACT "Tavren NetStat developers <maintainers@tavren-netstat.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop monitor of the computer's TCP connections")
# The summary above is the first line; this is the long description below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tavren NetStat lists every TCP connection of the computer in one window, with
the program that owns it (icon, file name and path), local and remote port,
remote host and state. It refreshes by hand or when the number of connections
changes, ends the program behind a connection, copies rows to the clipboard and
keeps running in the system tray.
.
The package gives its connection-listing command, and only it, the file
capabilities cap_dac_read_search and cap_sys_ptrace, so that a normal user sees
the owners of other users' connections too. The command gives them up before it
prints anything.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# setcap, for the maintainer script.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcap2-bin")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)

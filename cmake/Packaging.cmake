# The Debian package, made with `cpack -G DEB` in a build folder (see
# scripts/package.sh). Included last, once every install rule is known.

# Without the window there is no program to install.
if(NOT NOLVETTA_BUILD_UI)
    return()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nolvetta)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Nolvetta developers")
set(CPACK_PACKAGE_CONTACT "The Nolvetta developers <developers@nolvetta.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://nolvetta.org")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "subscribe to and unsubscribe from Japanese e-mail magazines")
set(CPACK_PACKAGE_DESCRIPTION [=[
Nolvetta is a small desktop program, with a Japanese interface, for readers
of Japanese e-mail magazines. Pick a delivery service, type or drop a
magazine ID, and it opens the service's subscribe or unsubscribe page for one
of your own addresses in your default web browser. Dropping a newsletter you
received on the ID field opens its unsubscribe page at once.

It also moves a magazine to another of your addresses, signs you up for or
off the services' own newsletters, opens the news cancellation pages of
online shops, keeps two lists of your addresses and can stay on top of other
windows.

Its newsletter list finds every newsletter in your own mail, on disk or on
your IMAP server (read-only, over verified TLS), and leaves several at once.
It talks to the network only when you ask it to read a server: the password
stays in your desktop's secret store or is not kept at all.]=])

# A Debian revision: the package is not native, its changelog is changelog.Debian.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${CPACK_PACKAGE_HOMEPAGE_URL})
# The libraries come from dpkg-shlibdeps, the modules' (libetpan, libcurl)
# too; a Japanese font, Qt's window system plugins, Qt's own texts in
# Japanese, GMime (loaded when the first message is read) and GIO's TLS (for
# the IMAP module) are needed too, though the program does not link them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-noto-cjk, qt6-qpa-plugins, qt6-translations-l10n, libgmime-3.0-0, glib-networking")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/" "/\\\\.cache/")

include(CPack)

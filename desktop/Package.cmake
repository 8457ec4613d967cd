# The Debian package: `cpack -G DEB` in the build folder installs the same rules under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zarn-screensaver)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3D mechanical clock screen saver, with an XScreenSaver hack")
set(CPACK_PACKAGE_DESCRIPTION
    "A three-dimensional mechanical clock kept on the local time, drawn with OpenGL. It runs full\nscreen, in a host's preview window, or as the XScreenSaver hack zarn.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Zarn Screensaver developers <zarn-screensaver@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
# The libraries it links come from dpkg-shlibdeps (dpkg-dev) where it is installed, else from
# this list for Debian 12. Mesa's drivers are loaded at run time, so nothing links them.
find_program(ZARN_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(ZARN_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1-mesa-dri")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libgl1-mesa-dri, libc6, libstdc++6, libgcc-s1, libsdl2-2.0-0, libepoxy0, libegl1, libx11-6, libgtk-3-0")
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xscreensaver")
include(CPack)

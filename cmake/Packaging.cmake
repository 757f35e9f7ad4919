# A Debian package of the whole input method: `cpack -G DEB` in a build
# directory gives quvo_<version>_<arch>.deb with the Fcitx5 addon and its
# description files, the core library, the base dictionaries in
# /usr/share/fcitx5/quvo and quvo-cli.
set(CPACK_PACKAGE_NAME quvo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quvo developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Wubi and Pinyin Chinese input method for Fcitx5")
set(CPACK_PACKAGE_DESCRIPTION
    "Quvo (桐键) is a Chinese input method for Fcitx5 with two modes in one engine: Wubi (86 or 98 shape codes) and full Pinyin with words and whole sentences. It also offers emoji by keyword, Chinese numerals, full-width punctuation, follow-on words, word creation, learning from what you commit and two favourite dictionaries. quvo-cli types with the same engine in a terminal.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quvo developers")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The input method framework itself; the libraries the addon links are
# found by dpkg-shlibdeps where it is available.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fcitx5")
# Both need dpkg-shlibdeps (dpkg-dev) and the file utility at packaging time.
find_program(QUVO_DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(QUVO_FILE_UTILITY file)
if(QUVO_DPKG_SHLIBDEPS AND QUVO_FILE_UTILITY)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # libwubi_pinyin.so: a shlibs file and the ldconfig trigger.
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "fcitx5, libfcitx5core7, libfcitx5config6, libfcitx5utils2, libstdc++6, libgcc-s1, libc6")
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fcitx5-config-qt, fcitx5-frontend-gtk3, fcitx5-frontend-qt5")

include(CPack)

# Installs the build tree under a scratch DESTDIR with the prefix /usr, as
# the Debian package and scripts/install do, checks that quvo-cli and the
# addon with its description files land where they are looked for, then
# types with the installed program on the installed dictionaries.
# -DBUILD_DIR=<build tree> -DSCRATCH=<directory to use> [-DADDON=ON]
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${SCRATCH}
                        ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${out}\n${err}")
endif()

# The dictionaries themselves are checked with the data; here they only
# need to be where quvo-cli and the addon look.
set(dict_dir ${SCRATCH}/usr/share/fcitx5/quvo)
if(NOT EXISTS ${dict_dir}/wubi86.dict)
  message(FATAL_ERROR "no dictionaries in /usr/share/fcitx5/quvo")
endif()

set(cli ${SCRATCH}/usr/bin/quvo-cli)
if(NOT EXISTS ${cli})
  message(FATAL_ERROR "quvo-cli was not installed to /usr/bin")
endif()
if(ADDON)
  file(GLOB_RECURSE addon ${SCRATCH}/libquvo.so)
  file(GLOB_RECURSE descriptions ${SCRATCH}/quvo.conf)
  if(NOT addon MATCHES "/fcitx5/libquvo.so" OR NOT descriptions MATCHES "/fcitx5/addon/quvo.conf"
     OR NOT descriptions MATCHES "/fcitx5/inputmethod/quvo.conf")
    message(FATAL_ERROR "the Fcitx5 addon or its description was not installed")
  endif()
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E env TMPDIR=${SCRATCH}
                        ${cli} --system-dir ${dict_dir} --keys "wqvb "
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 0 OR NOT out MATCHES "\ncommitted: 你好\n$")
  message(FATAL_ERROR "the installed quvo-cli did not type wqvb as 你好 (${result}):\n${out}\n${err}")
endif()
file(REMOVE_RECURSE ${SCRATCH})

# Runs `cmake --install` of a build tree into a scratch DESTDIR and checks
# that the eight base dictionaries arrive, byte for byte and nothing else
# beside them, in share/fcitx5/quvo under the prefix: with the prefix /usr
# that packaging uses, and with another prefix given on the command line.
# DESTDIR is always set: some files (the Fcitx5 addon) install to absolute
# paths, which must never reach the real system from a test.
#
#   cmake -DBUILD_DIR=<build tree> -DDICT_DIR=<data/dict> -DWORK_DIR=<scratch>
#         -P check_install.cmake
foreach(var BUILD_DIR DICT_DIR WORK_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

set(base_dicts wubi86.dict wubi98.dict hanzi_pinyin.dict pinyin_word.dict emoji.dict
               char_freq.dict bigram.dict polyphonic.dict)

# Installs with the given prefix under DESTDIR and checks the dictionary
# directory that should result.
function(check_install prefix destdir expected_dir)
  set(ENV{DESTDIR} ${destdir})
  execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  unset(ENV{DESTDIR})
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmake --install --prefix ${prefix} failed (${rc}):\n${out}")
  endif()

  if(NOT IS_DIRECTORY ${expected_dir})
    message(FATAL_ERROR "no dictionary directory ${expected_dir}:\n${out}")
  endif()
  foreach(name ${base_dicts})
    if(NOT EXISTS ${expected_dir}/${name})
      message(FATAL_ERROR "${name} not installed in ${expected_dir}")
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${DICT_DIR}/${name}
                            ${expected_dir}/${name}
                    RESULT_VARIABLE differs)
    if(NOT differs EQUAL 0)
      message(FATAL_ERROR "installed ${name} differs from ${DICT_DIR}/${name}")
    endif()
  endforeach()
  # Only the base files: files a run left in the source directory (the
  # favourite templates an engine writes, say) must not be shipped.
  file(GLOB installed RELATIVE ${expected_dir} ${expected_dir}/*)
  list(SORT installed)
  set(wanted ${base_dicts})
  list(SORT wanted)
  if(NOT installed STREQUAL wanted)
    message(FATAL_ERROR "${expected_dir} holds ${installed}, expected ${wanted}")
  endif()
  message(STATUS "prefix ${prefix}, DESTDIR '${destdir}': ${expected_dir} holds the eight files")
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

check_install(/usr ${WORK_DIR}/destdir ${WORK_DIR}/destdir/usr/share/fcitx5/quvo)
check_install(/opt/quvo ${WORK_DIR}/destdir-opt ${WORK_DIR}/destdir-opt/opt/quvo/share/fcitx5/quvo)

file(REMOVE_RECURSE ${WORK_DIR})

# The version and the commit that a build is made from, written at build
# time (the target pako-version runs it on every build) so that a new
# commit changes one small header, not the whole build:
#
#   OUT_DIR/pako_version.h   PAKO_VERSION "1.0" and PAKO_COMMIT "<40 hex digits>"
#   OUT_DIR/version.txt      "version V", "commit C" and "time T" lines, T the
#                            commit's time in seconds since 1970 (the
#                            SOURCE_DATE_EPOCH of tools/release.sh and the
#                            packaging scripts), for the scripts
#   README_OUT               README_IN with @PROJECT_VERSION@ and @PAKO_COMMIT@
#                            filled in, with CR LF line ends (the Windows
#                            README), when README_IN is given
#
# Each is written only when its text changes.
#
# The commit is the one packaging/source-commit.txt names where git archive
# filled it in (a source tarball, which has no .git); otherwise git's HEAD
# where SOURCE_DIR is the top of a work tree, followed by " (modified)"
# when tracked files differ from it; otherwise "unknown".
#
#   cmake -DSOURCE_DIR=DIR -DVERSION=1.0 -DOUT_DIR=DIR
#         [-DREADME_IN=FILE -DREADME_OUT=FILE] -P packaging/version.cmake
cmake_minimum_required(VERSION 3.25)
foreach(var SOURCE_DIR VERSION OUT_DIR)
  if(NOT ${var})
    message(FATAL_ERROR "version.cmake: no ${var} given")
  endif()
endforeach()

set(commit "")
set(time "")
file(STRINGS "${SOURCE_DIR}/packaging/source-commit.txt" lines)
foreach(line IN LISTS lines)
  if(line MATCHES "^commit ([0-9a-f]+)$")
    set(commit "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^time ([0-9]+)$")
    set(time "${CMAKE_MATCH_1}")
  endif()
endforeach()
if(NOT commit MATCHES "^[0-9a-f]+$" OR time STREQUAL "")
  set(commit "unknown")
  set(time "")
  find_program(PAKO_GIT git)
  if(PAKO_GIT)
    # The checkout may belong to another user than the builder's (a CI's
    # clone built as root): its own source is trusted, it is being built.
    set(git "${PAKO_GIT}" -c "safe.directory=${SOURCE_DIR}" -C "${SOURCE_DIR}")
    # Only a work tree whose top is the source itself: a source tarball
    # unpacked inside some other repository is not that repository's commit.
    execute_process(COMMAND ${git} rev-parse --show-toplevel
                    OUTPUT_VARIABLE top RESULT_VARIABLE status ERROR_QUIET
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(status EQUAL 0)
      file(REAL_PATH "${top}" top)
      file(REAL_PATH "${SOURCE_DIR}" source)
    endif()
    if(status EQUAL 0 AND top STREQUAL source)
      execute_process(COMMAND ${git} log -1 --format=%H%n%ct
                      OUTPUT_VARIABLE head RESULT_VARIABLE status ERROR_QUIET)
      if(status EQUAL 0 AND head MATCHES "^([0-9a-f]+)\n([0-9]+)\n$")
        set(commit "${CMAKE_MATCH_1}")
        set(time "${CMAKE_MATCH_2}")
        execute_process(COMMAND ${git} status --porcelain
                                --untracked-files=no
                        OUTPUT_VARIABLE changes RESULT_VARIABLE status ERROR_QUIET)
        if(NOT status EQUAL 0 OR NOT changes STREQUAL "")
          string(APPEND commit " (modified)")
        endif()
      endif()
    endif()
  endif()
endif()

set(PAKO_VERSION "${VERSION}")
set(PAKO_COMMIT "${commit}")
set(PAKO_COMMIT_TIME "${time}")
file(CONFIGURE OUTPUT "${OUT_DIR}/pako_version.h" @ONLY CONTENT
[[// Made by packaging/version.cmake at build time; do not edit.
#define PAKO_VERSION "@PAKO_VERSION@"
#define PAKO_COMMIT "@PAKO_COMMIT@"
]])
file(CONFIGURE OUTPUT "${OUT_DIR}/version.txt" @ONLY CONTENT
[[version @PAKO_VERSION@
commit @PAKO_COMMIT@
time @PAKO_COMMIT_TIME@
]])
if(README_IN)
  set(PROJECT_VERSION "${VERSION}")
  configure_file("${README_IN}" "${README_OUT}" @ONLY NEWLINE_STYLE CRLF)
endif()

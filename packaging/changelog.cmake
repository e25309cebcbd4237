# CHANGELOG.md, read for what ships: a section for each version, newest
# first, headed "## VERSION (YYYY-MM-DD)".
#
# Included (packaging/CMakeLists.txt):
#   pako_changelog_release(FILE VERSION) sets, for the version's section,
#     PAKO_RELEASE_DATE        2026-12-09
#     PAKO_RELEASE_DATE_RFC    Wed, 09 Dec 2026 00:00:00 +0000
#     PAKO_RELEASE_MONTH       December 2026
#   and fails when the version has no section: a version is not built
#   before its changes are written down.
#   pako_changelog_debian(FILE PACKAGE MAINTAINER OUT_VAR): every section
#     as an entry of a Debian changelog.
#   pako_changelog_appstream(FILE OUT_VAR): every version as an AppStream
#     <release/> line.
# As a script (tools/release.sh):
#   cmake -DCHANGELOG=CHANGELOG.md -DVERSION=1.0 -DNOTES=OUT -P packaging/changelog.cmake
#   writes the version's section to OUT, headed "# Pako Tumbo VERSION (DATE)".
cmake_minimum_required(VERSION 3.25)

# CMake's lists split at ";" and keep "[...]" together: the text's own
# semicolons and brackets are kept out of the way while it is read.
set(_pako_cl_escapes "<pako-semicolon>" "<pako-open>" "<pako-close>")
function(_pako_cl_unescape text out_var)
  string(REPLACE "<pako-semicolon>" ";" text "${text}")
  string(REPLACE "<pako-open>" "[" text "${text}")
  string(REPLACE "<pako-close>" "]" text "${text}")
  set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

# Reads FILE into _pako_cl_count sections, each with _pako_cl_<i>_version,
# _pako_cl_<i>_date (YYYY-MM-DD) and _pako_cl_<i>_lines (escaped).
macro(_pako_cl_read file)
  file(READ "${file}" _pako_cl_text)
  string(REPLACE ";" "<pako-semicolon>" _pako_cl_text "${_pako_cl_text}")
  string(REPLACE "[" "<pako-open>" _pako_cl_text "${_pako_cl_text}")
  string(REPLACE "]" "<pako-close>" _pako_cl_text "${_pako_cl_text}")
  string(REPLACE "\r" "" _pako_cl_text "${_pako_cl_text}")
  string(REPLACE "\n" ";" _pako_cl_all "${_pako_cl_text}")
  set(_pako_cl_count 0)
  set(_pako_cl_seen "")
  foreach(_pako_cl_line IN LISTS _pako_cl_all)
    if(_pako_cl_line MATCHES "^## ")
      if(NOT _pako_cl_line MATCHES "^## ([0-9][0-9.]*) \\(([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9])\\)$")
        message(FATAL_ERROR "${file}: a version's heading is \"## VERSION (YYYY-MM-DD)\", "
                            "not \"${_pako_cl_line}\"")
      endif()
      if("${CMAKE_MATCH_1}" IN_LIST _pako_cl_seen)
        message(FATAL_ERROR "${file}: two sections for version ${CMAKE_MATCH_1}")
      endif()
      list(APPEND _pako_cl_seen "${CMAKE_MATCH_1}")
      math(EXPR _pako_cl_count "${_pako_cl_count} + 1")
      set(_pako_cl_${_pako_cl_count}_version "${CMAKE_MATCH_1}")
      set(_pako_cl_${_pako_cl_count}_date "${CMAKE_MATCH_2}")
      set(_pako_cl_${_pako_cl_count}_lines "")
    elseif(_pako_cl_count GREATER 0)
      list(APPEND _pako_cl_${_pako_cl_count}_lines "${_pako_cl_line}")
    endif()
  endforeach()
  if(_pako_cl_count EQUAL 0)
    message(FATAL_ERROR "${file}: no version's section \"## VERSION (YYYY-MM-DD)\"")
  endif()
endmacro()

# DATE (YYYY-MM-DD) as "Wed, 09 Dec 2026 00:00:00 +0000" and "December 2026".
function(_pako_cl_dates date rfc_var month_var)
  string(REGEX MATCH "^([0-9]+)-([0-9]+)-([0-9]+)$" _ "${date}")
  math(EXPR y "${CMAKE_MATCH_1}")
  math(EXPR m "${CMAKE_MATCH_2}")
  math(EXPR d "${CMAKE_MATCH_3}")
  if(m LESS 1 OR m GREATER 12 OR d LESS 1 OR d GREATER 31)
    message(FATAL_ERROR "CHANGELOG.md: no such day ${date}")
  endif()
  # The day of the week (0 Sunday), by Sakamoto's method.
  set(offsets 0 3 2 5 0 3 5 1 4 6 2 4)
  math(EXPR i "${m} - 1")
  list(GET offsets ${i} offset)
  set(yy ${y})
  if(m LESS 3)
    math(EXPR yy "${y} - 1")
  endif()
  math(EXPR wday "(${yy} + ${yy} / 4 - ${yy} / 100 + ${yy} / 400 + ${offset} + ${d}) % 7")
  set(days Sun Mon Tue Wed Thu Fri Sat)
  set(months January February March April May June July August September October
      November December)
  list(GET days ${wday} day)
  list(GET months ${i} month)
  string(SUBSTRING "${month}" 0 3 mon)
  string(SUBSTRING "${date}" 8 2 dd)
  set(${rfc_var} "${day}, ${dd} ${mon} ${y} 00:00:00 +0000" PARENT_SCOPE)
  set(${month_var} "${month} ${y}" PARENT_SCOPE)
endfunction()

function(pako_changelog_release file version)
  _pako_cl_read("${file}")
  foreach(i RANGE 1 ${_pako_cl_count})
    if("${_pako_cl_${i}_version}" STREQUAL "${version}")
      _pako_cl_dates("${_pako_cl_${i}_date}" rfc month)
      set(PAKO_RELEASE_DATE "${_pako_cl_${i}_date}" PARENT_SCOPE)
      set(PAKO_RELEASE_DATE_RFC "${rfc}" PARENT_SCOPE)
      set(PAKO_RELEASE_MONTH "${month}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "${file} has no section \"## ${version} (YYYY-MM-DD)\" for the version "
                      "in CMakeLists.txt: write down what changed for the players first")
endfunction()

function(pako_changelog_debian file package maintainer out_var)
  _pako_cl_read("${file}")
  set(out "")
  foreach(i RANGE 1 ${_pako_cl_count})
    _pako_cl_dates("${_pako_cl_${i}_date}" rfc month)
    string(APPEND out "${package} (${_pako_cl_${i}_version}) unstable; urgency=medium\n\n")
    # Each paragraph and each item of a list is an item of the entry; the
    # lines keep their breaks.
    set(blank TRUE)
    foreach(line IN LISTS _pako_cl_${i}_lines)
      if(line MATCHES "^[ \t]*$")
        set(blank TRUE)
        continue()
      endif()
      if(line MATCHES "^[-*] +(.*)$")
        string(APPEND out "  * ${CMAKE_MATCH_1}\n")
      elseif(blank)
        string(STRIP "${line}" line)
        string(APPEND out "  * ${line}\n")
      else()
        string(STRIP "${line}" line)
        string(APPEND out "    ${line}\n")
      endif()
      set(blank FALSE)
    endforeach()
    string(APPEND out "\n -- ${maintainer}  ${rfc}\n")
    if(i LESS _pako_cl_count)
      string(APPEND out "\n")
    endif()
  endforeach()
  _pako_cl_unescape("${out}" out)
  set(${out_var} "${out}" PARENT_SCOPE)
endfunction()

function(pako_changelog_appstream file out_var)
  _pako_cl_read("${file}")
  set(out "")
  foreach(i RANGE 1 ${_pako_cl_count})
    string(APPEND out "    <release version=\"${_pako_cl_${i}_version}\" date=\"${_pako_cl_${i}_date}\"/>\n")
  endforeach()
  string(STRIP "${out}" out)
  set(${out_var} "${out}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  if(NOT CHANGELOG OR NOT VERSION OR NOT NOTES)
    message(FATAL_ERROR "usage: cmake -DCHANGELOG=FILE -DVERSION=V -DNOTES=OUT -P changelog.cmake")
  endif()
  pako_changelog_release("${CHANGELOG}" "${VERSION}")
  _pako_cl_read("${CHANGELOG}")
  foreach(i RANGE 1 ${_pako_cl_count})
    if("${_pako_cl_${i}_version}" STREQUAL "${VERSION}")
      list(JOIN _pako_cl_${i}_lines "\n" body)
    endif()
  endforeach()
  _pako_cl_unescape("${body}" body)
  string(STRIP "${body}" body)
  file(WRITE "${NOTES}" "# Pako Tumbo ${VERSION} (${PAKO_RELEASE_DATE})\n\n${body}\n")
endif()

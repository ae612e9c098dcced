# SPDX-License-Identifier: MIT
# Writes the resource script's tables from the C++ headers that hold them, so
# that the program and its resources cannot drift apart:
#   IDS_OUT      #defines of every id in core/app/command_ids.h;
#   STRINGS_OUT  the STRINGTABLE of every entry of kStringTable in
#                linux/res/app_strings.h (the Linux shell's string table);
#   TEXTS_OUT    each of that header's named texts (kMenuExitText,
#                kAboutCaption, kPrintFailedText, ...) as a #define of the
#                same name with TEXT_ before it, for the resource script and
#                the Windows shell alike (UTF-8).
# Run with cmake -P, given SRC (the src/ folder), IDS_OUT, STRINGS_OUT and
# TEXTS_OUT.
file(STRINGS "${SRC}/core/app/command_ids.h" _id_lines REGEX "^constexpr UINT [A-Z_0-9]+ = [0-9]+;")
set(_ids "// Written by rc_tables.cmake from core/app/command_ids.h.\n")
foreach(_line IN LISTS _id_lines)
  string(REGEX REPLACE "^constexpr UINT ([A-Z_0-9]+) = ([0-9]+);.*" "#define \\1 \\2" _def "${_line}")
  string(APPEND _ids "${_def}\n")
endforeach()

file(READ "${SRC}/linux/res/app_strings.h" _header)
string(REGEX MATCH "kStringTable\\[\\] = {(.*)\n};" _table "${_header}")
if(NOT _table)
  message(FATAL_ERROR "rc_tables: no kStringTable in app_strings.h")
endif()
string(REGEX MATCHALL "{[A-Z_0-9]+, \"[^\"]*\"}" _entries "${CMAKE_MATCH_1}")
list(LENGTH _entries _count)
if(_count LESS 40)
  message(FATAL_ERROR "rc_tables: only ${_count} string entries found in app_strings.h")
endif()
set(_strings "// Written by rc_tables.cmake from linux/res/app_strings.h.\nSTRINGTABLE\nBEGIN\n")
foreach(_entry IN LISTS _entries)
  string(REGEX REPLACE "^{([A-Z_0-9]+), (\"[^\"]*\")}$" "  \\1, \\2" _row "${_entry}")
  string(APPEND _strings "${_row}\n")
endforeach()
string(APPEND _strings "END\n")

string(REGEX MATCHALL "inline constexpr const char\\* k[A-Za-z]+ = \"[^\"]*\"" _named "${_header}")
set(_texts "// Written by rc_tables.cmake from linux/res/app_strings.h.\n#pragma once\n")
foreach(_text IN LISTS _named)
  string(REGEX REPLACE "^inline constexpr const char\\* (k[A-Za-z]+) = (\"[^\"]*\")$" "#define TEXT_\\1 \\2" _def "${_text}")
  string(APPEND _texts "${_def}\n")
endforeach()

# Rewritten only when changed, so that the resources are not rebuilt for nothing.
foreach(_pair "IDS_OUT;_ids" "STRINGS_OUT;_strings" "TEXTS_OUT;_texts")
  list(GET _pair 0 _file_var)
  list(GET _pair 1 _text_var)
  set(_old "")
  if(EXISTS "${${_file_var}}")
    file(READ "${${_file_var}}" _old)
  endif()
  if(NOT _old STREQUAL "${${_text_var}}")
    file(WRITE "${${_file_var}}" "${${_text_var}}")
  endif()
endforeach()

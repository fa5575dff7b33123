# Checks the built DLL, the one that ships, with objdump -p -h: it imports system DLLs
# only (the static runtime must not leave a libstdc++, libgcc, winpthread or libpng DLL
# behind), exports exactly CreatePluginObject @1 and DeletePluginObject @2, keeps ASLR,
# high-entropy addresses and NX, carries no time stamp, is stripped with a debug link
# to its .debug file, and is at most 1 MB. Through the link, the debug information of
# the plug-in's sources names them without the folders they were built in.
# Usage: cmake -DOBJDUMP=<objdump> -DDLL=<path> -DSOURCE_DIR=<dir> -DBINARY_DIR=<dir> -P check_dll_binary.cmake
if(NOT EXISTS "${DLL}")
  message(FATAL_ERROR "DLL not found: ${DLL}")
endif()
execute_process(COMMAND "${OBJDUMP}" -p -h "${DLL}" OUTPUT_VARIABLE dump ERROR_VARIABLE dump_errors
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed (${status}): ${dump_errors}")
endif()

set(failures "")

# Imports.
set(allowed kernel32.dll user32.dll gdi32.dll winspool.drv advapi32.dll shell32.dll shlwapi.dll comctl32.dll
    version.dll msvcrt.dll ucrtbase.dll)
string(REGEX MATCHALL "DLL Name: [^\r\n]+" import_lines "${dump}")
if(NOT import_lines)
  string(APPEND failures "  no import table found\n")
endif()
foreach(line IN LISTS import_lines)
  string(REGEX REPLACE "^DLL Name: *" "" name "${line}")
  string(STRIP "${name}" name)
  string(TOLOWER "${name}" lower)
  list(FIND allowed "${lower}" index)
  if(index EQUAL -1 AND NOT lower MATCHES "^api-ms-win-crt-[a-z0-9-]+\\.dll$")
    string(APPEND failures "  imports a DLL that is not a system DLL: ${name}\n")
  endif()
  message(STATUS "import: ${name}")
endforeach()

# Exports: the ordinal base, the address-table size and the named entries.
if(NOT dump MATCHES "Ordinal Base[ \t]+([0-9]+)")
  string(APPEND failures "  no export table found\n")
else()
  set(base ${CMAKE_MATCH_1})
  if(dump MATCHES "Export Address Table[ \t]+([0-9a-fA-F]+)")
    math(EXPR count "0x${CMAKE_MATCH_1}")
    if(NOT count EQUAL 2)
      string(APPEND failures "  the export address table has ${count} entries, expected 2\n")
    endif()
  endif()
  string(FIND "${dump}" "[Ordinal/Name Pointer] Table" at)
  string(SUBSTRING "${dump}" ${at} -1 names_part)
  # Up to the first blank line after the heading.
  string(REGEX REPLACE "\n[ \t]*\n.*" "" names_part "${names_part}")
  string(REGEX MATCHALL "\\[ *[0-9]+\\] (\\+base\\[ *[0-9]+\\] +)?[A-Za-z_][A-Za-z0-9_@?$]*" entries
         "${names_part}")
  set(exports "")
  foreach(entry IN LISTS entries)
    if(entry MATCHES "\\+base\\[ *([0-9]+)\\] +([^ ]+)$")
      set(ordinal ${CMAKE_MATCH_1})
      set(name ${CMAKE_MATCH_2})
    elseif(entry MATCHES "^\\[ *([0-9]+)\\] ([^ ]+)$")
      math(EXPR ordinal "${CMAKE_MATCH_1} + ${base}")
      set(name ${CMAKE_MATCH_2})
    endif()
    list(APPEND exports "${name}@${ordinal}")
    message(STATUS "export: ${name} @${ordinal}")
  endforeach()
  list(SORT exports)
  if(NOT exports STREQUAL "CreatePluginObject@1;DeletePluginObject@2")
    list(LENGTH exports total)
    if(total GREATER 10)
      list(SUBLIST exports 0 10 exports)
      list(APPEND exports "... ${total} in all")
    endif()
    string(APPEND failures "  exports are [${exports}], expected [CreatePluginObject@1;DeletePluginObject@2]\n")
  endif()
endif()

# What ships.
file(SIZE "${DLL}" size)
if(size GREATER 1048576)
  string(APPEND failures "  ${size} bytes, more than 1 MB\n")
endif()
if(NOT dump MATCHES "DllCharacteristics[ \t]+([0-9a-fA-F]+)")
  string(APPEND failures "  no DllCharacteristics\n")
else()
  math(EXPR flags "0x${CMAKE_MATCH_1}")
  # HIGH_ENTROPY_VA 0x20, DYNAMIC_BASE 0x40, NX_COMPAT 0x100.
  foreach(flag 32 64 256)
    math(EXPR set "${flags} & ${flag}")
    if(NOT set EQUAL flag)
      math(EXPR missing "${flag}" OUTPUT_FORMAT HEXADECIMAL)
      string(APPEND failures "  DllCharacteristics 0x${CMAKE_MATCH_1} lacks ${missing}\n")
    endif()
  endforeach()
endif()
if(NOT dump MATCHES "Time/Date[ \t]+Thu Jan  1 00:00:00 1970")
  string(REGEX MATCH "Time/Date[^\n]*" stamp "${dump}")
  string(APPEND failures "  the PE header carries a time stamp: ${stamp}\n")
endif()
if(dump MATCHES " [.]debug_")
  string(APPEND failures "  debug sections left in the DLL\n")
endif()
if(NOT dump MATCHES " [.]gnu_debuglink ")
  string(APPEND failures "  no debug link to the .debug file\n")
endif()
# objdump follows the debug link to the .debug file; the top level of each compile unit suffices.
execute_process(COMMAND "${OBJDUMP}" --dwarf=info --dwarf-depth=1 "${DLL}" OUTPUT_VARIABLE units
                ERROR_QUIET)
string(REGEX MATCHALL "DW_AT_(name|comp_dir)[^\n]*" unit_paths "${units}")
if(NOT unit_paths MATCHES "src/plugin/exports[.]cpp")
  string(APPEND failures "  the debug link leads to no debug information of src/plugin/exports.cpp\n")
endif()
# Mapped paths: no file named under the source folder, no unit compiled in the build
# folder. (The runtime's own units name "/build", where the toolchain was built.)
string(FIND "${unit_paths}" "${SOURCE_DIR}/" source_at)
string(FIND "${unit_paths};" "${BINARY_DIR};" binary_at)
if(NOT source_at EQUAL -1 OR NOT binary_at EQUAL -1)
  string(APPEND failures "  the debug information names the folders of the build, ${SOURCE_DIR}\n")
endif()

if(failures)
  message(FATAL_ERROR "${DLL}:\n${failures}")
endif()
message(STATUS "${DLL}: system imports only, exports CreatePluginObject @1 and DeletePluginObject @2, "
               "${size} bytes, ASLR, high-entropy VA, NX, no time stamp, stripped with a debug link, paths mapped")

# Windows modules: fails unless the exports of the DLL MODULE are exactly the comma-separated
# EXPECTED and every DLL it imports is one of Windows' own (the runtimes are linked in).
# OBJDUMP is the mingw objdump.
cmake_minimum_required(VERSION 3.25)
include("${CMAKE_CURRENT_LIST_DIR}/ExpectExports.cmake")
set(system_dlls
    advapi32 comctl32 comdlg32 gdi32 kernel32 msvcrt ole32 oleaut32 shell32 user32 wininet)
execute_process(COMMAND "${OBJDUMP}" -p "${MODULE}" OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${MODULE}")
endif()

# The export table lists names after "[Ordinal/Name Pointer] Table" as "[   n] Name".
string(FIND "${out}" "[Ordinal/Name Pointer] Table" at)
set(found)
if(at GREATER_EQUAL 0)
    string(SUBSTRING "${out}" ${at} -1 table)
    string(REGEX MATCHALL "\n[ \t]*\\[ *[0-9]+\\] [^\n]+" rows "${table}")
    foreach(row ${rows})
        string(REGEX REPLACE "^\n[ \t]*\\[ *[0-9]+\\] " "" name "${row}")
        list(APPEND found "${name}")
    endforeach()
endif()
expect_exports("${found}")

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${out}")
set(foreign)
foreach(line ${imports})
    string(REGEX REPLACE "^DLL Name: ([^.]+)\\.[dD][lL][lL].*$" "\\1" dll "${line}")
    string(TOLOWER "${dll}" dll)
    if(NOT dll IN_LIST system_dlls)
        list(APPEND foreign "${line}")
    endif()
endforeach()
if(foreign)
    message(FATAL_ERROR "imports outside Windows: ${foreign}")
endif()
message(STATUS "exports ${found}; imports ${imports}")

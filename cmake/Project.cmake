# Shared settings and helpers for every target of the project.

# Flags of our own code. SSE arithmetic keeps floating-point results the same on every machine
# (x87 extended precision changes rounding of values that are compared and printed).
set(VADAZ_CXX_FLAGS
  -msse2 -mfpmath=sse
  -Wall -Wextra -Wsuggest-override -Wlogical-not-parentheses -Werror
  -Wno-missing-field-initializers -Wno-cast-function-type)
set(VADAZ_DEFINES
  UNICODE _UNICODE NOMINMAX WINVER=0x0601 _WIN32_WINNT=0x0601 _WIN32_IE=0x0600
  STRICT)

# Stack frames are checked as Windows libraries' are: a frame with an array or a local whose
# address is taken gets a guard value that is checked before it returns, and the string and
# memory functions check the size of a destination the compiler knows (with optimisation). A
# failed check ends the process instead of letting it go on with a corrupted stack. Every object
# of every binary gets them (GoogleTest's too); the link adds the checks' runtime, statically as
# the rest of the runtime.
add_compile_options(-fstack-protector-strong)
add_compile_definitions(_FORTIFY_SOURCE=2)
add_link_options(-fstack-protector-strong)

# A folder that holds only a link to Boost's headers, so that the system include folder never
# ends up on the cross compiler's path.
set(VADAZ_BOOST_DIR ${CMAKE_BINARY_DIR}/boost-include)
if(EXISTS /usr/include/boost AND NOT EXISTS ${VADAZ_BOOST_DIR}/boost)
  file(MAKE_DIRECTORY ${VADAZ_BOOST_DIR})
  file(CREATE_LINK /usr/include/boost ${VADAZ_BOOST_DIR}/boost SYMBOLIC)
endif()

# The shipped control is the 32-bit DLL. The same sources also build as 64-bit Windows code, so
# that they can be built and tested under 64-bit Wine where the machine runs no 32-bit programs.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VADAZ_WIN64 ON)
  set(VADAZ_WIDL_ARCH --win64)
  set(VADAZ_WINE_WINDOWS_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
else()
  set(VADAZ_WIN64 OFF)
  set(VADAZ_WIDL_ARCH --win32)
  set(VADAZ_WINE_WINDOWS_DIR /usr/lib/i386-linux-gnu/wine/i386-windows)
endif()

# Where widl finds Wine's interface definitions and stdole2.tlb.
find_program(VADAZ_WIDL NAMES ${TOOLCHAIN_PREFIX}-widl widl REQUIRED)
set(VADAZ_WIDL_INCLUDE /usr/include/wine/wine/windows CACHE PATH "Folder with oaidl.idl")
set(VADAZ_WIDL_TLBDIR ${VADAZ_WINE_WINDOWS_DIR} CACHE PATH "Folder with stdole2.tlb")

# Debian's wine, wineboot and winepath start the 32-bit loader whenever wine32 is installed, which a
# kernel without 32-bit support cannot run. A 64-bit build tree has its own three, which always
# start the 64-bit loader; the top-level scripts and the tests put them first on the PATH.
set(VADAZ_WINE_BIN "")
if(VADAZ_WIN64)
  set(VADAZ_WINE_BIN ${CMAKE_BINARY_DIR}/wine64-bin)
  file(MAKE_DIRECTORY ${VADAZ_WINE_BIN})
  file(WRITE ${VADAZ_WINE_BIN}/wine
       "#!/bin/sh\n# The 64-bit Wine loader, whatever else is installed.\n"
       "WINELOADER=/usr/lib/wine/wine64 exec /usr/lib/wine/wine64 \"$@\"\n")
  foreach(tool wineboot winepath)
    file(WRITE ${VADAZ_WINE_BIN}/${tool} "#!/bin/sh\nexec \"$(dirname \"$0\")/wine\" ${tool} \"$@\"\n")
  endforeach()
  file(CHMOD ${VADAZ_WINE_BIN}/wine ${VADAZ_WINE_BIN}/wineboot ${VADAZ_WINE_BIN}/winepath
       PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endif()

# vadaz_idl(<name> <idl file>): header, GUID definitions and type library into
# ${CMAKE_BINARY_DIR}/generated. Defines target <name>_idl and variables <name>_TLB, <name>_IID_C.
function(vadaz_idl name idlfile)
  set(out ${CMAKE_BINARY_DIR}/generated)
  file(MAKE_DIRECTORY ${out})
  get_filename_component(idlabs ${idlfile} ABSOLUTE)
  get_filename_component(idldir ${idlabs} DIRECTORY)
  add_custom_command(
    OUTPUT ${out}/${name}.h ${out}/${name}_i.c ${out}/${name}.tlb
    COMMAND ${VADAZ_WIDL} ${VADAZ_WIDL_ARCH} -I${idldir} -I${CMAKE_SOURCE_DIR}/idl -I${VADAZ_WIDL_INCLUDE}
            -L${VADAZ_WIDL_TLBDIR}
            -h -H ${out}/${name}.h -u -U ${out}/${name}_i.c -t -T ${out}/${name}.tlb ${idlabs}
    DEPENDS ${idlabs} ${ARGN}
    COMMENT "widl ${name}")
  add_custom_target(${name}_idl DEPENDS ${out}/${name}.h ${out}/${name}_i.c ${out}/${name}.tlb)
  set(${name}_TLB ${out}/${name}.tlb PARENT_SCOPE)
  set(${name}_IID_C ${out}/${name}_i.c PARENT_SCOPE)
endfunction()

# Applies our compile settings to a target of our own.
function(vadaz_target target)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${VADAZ_CXX_FLAGS}>)
  target_compile_definitions(${target} PRIVATE ${VADAZ_DEFINES})
  target_include_directories(${target} SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/generated ${VADAZ_BOOST_DIR})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
  get_target_property(kind ${target} TYPE)
  if(kind STREQUAL "SHARED_LIBRARY" OR kind STREQUAL "EXECUTABLE" OR kind STREQUAL "MODULE_LIBRARY")
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--enable-stdcall-fixup)
  endif()
endfunction()

# Generated GUID files compile as C with no warnings of ours.
function(vadaz_guid_library name)
  add_library(${name} STATIC ${ARGN})
  target_compile_definitions(${name} PRIVATE ${VADAZ_DEFINES})
  target_include_directories(${name} SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/generated)
endfunction()

set(VADAZ_SYSTEM_LIBS ole32 oleaut32 uuid gdiplus gdi32 user32 comctl32 comdlg32 advapi32 shlwapi shell32
    urlmon wininet ws2_32 secur32 winspool version)

# vadaz_add_wine_test(<name> <seconds> <command> ...): a test whose command starts programs under
# Wine in the test prefix. The command runs through run_wine_test.sh, which keeps Wine's background
# programs away from ctest's pipes and stops the command after <seconds>, printing what it wrote;
# ctest's own timeout comes later and only catches the runner itself.
set(VADAZ_WINE_TEST_RUNNER ${CMAKE_SOURCE_DIR}/tests/support/run_wine_test.sh)
function(vadaz_add_wine_test name seconds)
  add_test(NAME ${name} COMMAND bash ${VADAZ_WINE_TEST_RUNNER} ${seconds} ${ARGN})
  math(EXPR ctest_seconds "${seconds} + 30")
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "WINEPREFIX=${VADAZ_WINEPREFIX};WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=;VADAZ_WINE_BIN=${VADAZ_WINE_BIN}"
    TIMEOUT ${ctest_seconds})
endfunction()

# The C runtime locale of a host that shows numbers its user's way, with a decimal comma.
set(VADAZ_COMMA_LOCALE "German_Germany.1252")

# vadaz_add_test(<name> SOURCES ... [LIBS ...] [SERIAL] [COMMA_LOCALE] [LAUNCHER <command> ...]
# [PARTS <filter> ...]): a GoogleTest program run under Wine in the test prefix; with LAUNCHER, the
# command runs the program (its last arguments are Wine and the program). One ctest entry per
# program: every Wine process start costs. A long program may be cut into PARTS, GoogleTest filters
# that each run as an entry <name>_<n> of their own, so that the parts run side by side (or, SERIAL,
# each in a process of its own: what a process keeps for its life starts afresh in each part).
# COMMA_LOCALE runs each entry a second time, as <entry>_comma, in a process whose C runtime has
# the locale VADAZ_COMMA_LOCALE, and which fails unless that runtime then writes a decimal comma;
# its files go to folders of their own (testsupport::RunFolder).
# RUNNING_OBJECT_TABLE keeps the entries from running beside any other that uses the table: the
# host's package manager a map finds there lives in the process that started it, and a map of
# another process calling into it while that process is busy drawing would wait for it.
function(vadaz_add_test name)
  cmake_parse_arguments(T "SERIAL;COMMA_LOCALE;RUNNING_OBJECT_TABLE" "" "SOURCES;LIBS;LAUNCHER;PARTS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  vadaz_target(${name})
  target_link_libraries(${name} PRIVATE vadaz_testsupport ${T_LIBS} gtest ${VADAZ_SYSTEM_LIBS})
  set(program ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}>)
  set(entries)
  set(runs ${name})
  if(T_PARTS)
    set(runs)
    set(n 0)
    foreach(filter ${T_PARTS})
      math(EXPR n "${n} + 1")
      list(APPEND runs "${name}_${n}|--gtest_filter=${filter}")
    endforeach()
  endif()
  foreach(run ${runs})
    string(REPLACE "|" ";" run "${run}")
    list(POP_FRONT run entry)
    vadaz_add_wine_test(${entry} 300 ${T_LAUNCHER} ${program} ${run})
    list(APPEND entries ${entry})
    if(T_COMMA_LOCALE)
      vadaz_add_wine_test(${entry}_comma 300 ${T_LAUNCHER} ${program} ${run})
      set_property(TEST ${entry}_comma APPEND PROPERTY ENVIRONMENT
                   "VADAZ_TEST_CRT_LOCALE=${VADAZ_COMMA_LOCALE}" "VADAZ_TEST_CRT_DECIMAL_POINT=,"
                   "VADAZ_TEST_RUN_SUFFIX=-comma")
      list(APPEND entries ${entry}_comma)
    endif()
  endforeach()
  if(T_SERIAL)
    set_tests_properties(${entries} PROPERTIES RUN_SERIAL TRUE)
  endif()
  if(T_RUNNING_OBJECT_TABLE)
    set_tests_properties(${entries} PROPERTIES RESOURCE_LOCK running_object_table)
  endif()
endfunction()

# vadaz_add_script_test(<name> <script>): a JScript or VBScript client run by cscript in the test
# prefix; it passes when the script reaches its end, which it says with a last line beginning
# "completed: ", and ends with WScript.Quit(0). Wine's cscript ends a script that an uncaught error
# stopped with 0 and says nothing, so the line is what tells a finished script from a stopped one.
function(vadaz_add_script_test name script)
  get_filename_component(abs ${script} ABSOLUTE)
  # cscript wants a Windows path: Wine maps the Unix root to drive Z:.
  string(REPLACE "/" "\\" winpath "Z:${abs}")
  vadaz_add_wine_test(${name} 120 wine cscript //nologo ${winpath})
  set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT "VADAZ_TEST_LAST_LINE=completed: ")
endfunction()

# vadaz_subsystem(<folder> [SOURCES ...] [USES <folder> ...]): the static library vadaz_<folder> of
# one folder of the control library, made of the listed sources or, without a list, of every .cpp
# file of the folder. USES names the folders it may include and call; the list is written to the
# build tree, where the layering test compares it with every #include line, so an include against
# the direction of the dependencies fails the tests.
function(vadaz_subsystem folder)
  cmake_parse_arguments(S "" "" "SOURCES;USES" ${ARGN})
  if(NOT S_SOURCES)
    file(GLOB S_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  add_library(vadaz_${folder} STATIC ${S_SOURCES})
  vadaz_target(vadaz_${folder})
  add_dependencies(vadaz_${folder} VadAZ_idl HostInterfaces_idl)
  set(libs platform vadaz_guids)
  foreach(used ${S_USES})
    list(APPEND libs vadaz_${used})
  endforeach()
  target_link_libraries(vadaz_${folder} PUBLIC ${libs})
  string(REPLACE ";" "," uses_text "${S_USES}")
  set_property(GLOBAL APPEND PROPERTY VADAZ_LAYERING "${folder}:${uses_text}")
endfunction()

# Helpers shared by the library folders.

# tarvolin_library(NAME <Shared> CORE <core> EXPORT_DEFINE <macro> [LINK <libs...>])
# Builds src/*.cpp once as objects, then:
#   <Shared>       the shared library that ships (only exported names visible),
#   <core>_static  the same objects as a static library, for tests, fuzzers and
#                  benchmarks that reach internal classes.
function(tarvolin_library)
  cmake_parse_arguments(L "" "NAME;CORE;EXPORT_DEFINE" "LINK" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/src/*.c)
  if(NOT srcs)
    return()
  endif()
  add_library(${L_CORE}_obj OBJECT ${srcs})
  # internal/: header-only pieces every library core compiles in for itself.
  target_include_directories(${L_CORE}_obj PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include ${CMAKE_CURRENT_SOURCE_DIR}/src
                                                  ${CMAKE_SOURCE_DIR}/internal)
  target_compile_definitions(${L_CORE}_obj PUBLIC ${L_EXPORT_DEFINE})
  target_link_libraries(${L_CORE}_obj PUBLIC ${L_LINK})
  add_library(${L_NAME} SHARED)
  target_link_libraries(${L_NAME} PRIVATE ${L_CORE}_obj)
  target_include_directories(${L_NAME} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
  target_link_libraries(${L_NAME} PUBLIC ${L_LINK})
  add_library(${L_CORE}_static STATIC)
  target_link_libraries(${L_CORE}_static PUBLIC ${L_CORE}_obj)
endfunction()

# tarvolin_tests(<target> LINK <libs...>): one GoogleTest program from tests/*.cpp,
# every test case its own ctest entry (and so its own process).
function(tarvolin_tests target)
  cmake_parse_arguments(T "" "" "LINK" ${ARGN})
  if(TARVOLIN_FUZZ)
    return()
  endif()
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${target} ${srcs})
  target_link_libraries(${target} PRIVATE ${T_LINK} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/testsupport)
  target_compile_definitions(${target} PRIVATE
    TARVOLIN_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
    TARVOLIN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
  tarvolin_label_discovered(${target} ${srcs})
endfunction()

# tarvolin_label_discovered(<target> <sources...>): after the target's
# gtest_discover_tests, labels its cases "unit", "live" (they start a local
# server) or "e2e" (whole-program runs) by their source files, when ctest
# reads the test list (cmake/testlabels.cmake). Tests added by add_test carry
# their LABELS themselves; the fuzz targets are "fuzz".
#
# It also adds <target>.whole (label "whole"): the program run whole once, in
# a shuffled order, so state leaking from one case into another shows. Cases
# marked RUN_IN_OWN_PROCESS (testsupport/ownprocess.h) are left to their own
# entries there.
function(tarvolin_label_discovered target)
  set(file ${CMAKE_CURRENT_BINARY_DIR}/${target}_labels.cmake)
  file(WRITE ${file}
    "include(\"${CMAKE_SOURCE_DIR}/cmake/testlabels.cmake\")\n"
    "tarvolin_label_cases(\"\${${target}_TESTS}\" \"${ARGN}\")\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${file})
  add_test(NAME ${target}.whole COMMAND ${target} --gtest_shuffle --gtest_brief=1)
  set_tests_properties(${target}.whole PROPERTIES LABELS whole TIMEOUT 900
    ENVIRONMENT "TARVOLIN_TEST_WHOLE=1;QT_QPA_PLATFORM=offscreen;QTWEBENGINE_DISABLE_SANDBOX=1")
endfunction()

# tarvolin_qt_printers(<target>): the test program prints Qt values (QString,
# QColor, QVariant, ...) readably in its failures: every file of it starts
# with testsupport/qtprinters.h.
function(tarvolin_qt_printers target)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/testsupport)
  target_compile_options(${target} PRIVATE "SHELL:-include ${CMAKE_SOURCE_DIR}/testsupport/qtprinters.h")
endfunction()

# tarvolin_exports_test(<shared target> <prefix> [COUNT n]): the shared library
# exports only functions and variables whose names start with <prefix>.
function(tarvolin_exports_test lib prefix)
  cmake_parse_arguments(E "" "COUNT;ALSO" "" ${ARGN})
  if(TARVOLIN_FUZZ OR NOT TARGET ${lib})
    return()
  endif()
  add_test(NAME ${lib}.exports
    COMMAND ${CMAKE_COMMAND} -DLIB=$<TARGET_FILE:${lib}> -DPREFIX=${prefix} -DCOUNT=${E_COUNT} -DALSO=${E_ALSO}
            -P ${CMAKE_SOURCE_DIR}/cmake/check_exports.cmake)
  set_tests_properties(${lib}.exports PROPERTIES LABELS unit)
endfunction()

# The static core a fuzz target or benchmark links, chosen by its file name:
# <kind>_b2c_* -> Brastel, <kind>_quote_* -> Pelmar, <kind>_fml_* -> Fennodex.
function(tarvolin_core_for name out)
  if(name MATCHES "_b2c_")
    set(${out} brastel_static PARENT_SCOPE)
  elseif(name MATCHES "_quote_")
    set(${out} pelmar_static brastel_static PARENT_SCOPE)
  elseif(name MATCHES "_fml_")
    set(${out} fennodex_static PARENT_SCOPE)
  elseif(name MATCHES "_app_")
    set(${out} appcore_static PARENT_SCOPE)
  elseif(name MATCHES "_qt_")
    set(${out} tarvolin_app PARENT_SCOPE)
  else()
    message(FATAL_ERROR "${name}: name it <kind>_b2c_*, <kind>_quote_*, <kind>_fml_*, <kind>_app_* (Qt-free program code) or <kind>_qt_* (the program's Qt code)")
  endif()
endfunction()

# tarvolin_export_only(<target> <symbol patterns...>): a linker version script
# that keeps every other symbol local, so the standard library's template
# instances and Boost's inline statics stay inside the library.
function(tarvolin_export_only target)
  if(NOT TARGET ${target})
    return()
  endif()
  list(JOIN ARGN "; " globals)
  set(map ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
  file(WRITE ${map} "{ global: ${globals}; local: *; };\n")
  target_link_options(${target} PRIVATE "LINKER:--version-script=${map}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${map})
endfunction()

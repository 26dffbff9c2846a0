# Formula catalogue: the statement generator (a build-time tool), the build
# functions it writes from the statement data, and the generator's tests.
set(formulas_dir ${CMAKE_CURRENT_LIST_DIR})
set(formulas_gen_dir ${CMAKE_CURRENT_BINARY_DIR}/formulas_generated)

add_library(formulagen_core STATIC ${formulas_dir}/generator/statementcompiler.cpp)
target_include_directories(formulagen_core PUBLIC ${formulas_dir}/generator)
add_executable(formulagen ${formulas_dir}/generator/main.cpp)
target_link_libraries(formulagen PRIVATE formulagen_core)
set_target_properties(formulagen_core formulagen PROPERTIES AUTOMOC OFF AUTORCC OFF)

# One generated header/source pair per statement data file.
function(tarvolin_formula_programs data space)
  set(h ${formulas_gen_dir}/formulas/${space}programs.h)
  set(cpp ${formulas_gen_dir}/formulas/${space}programs.cpp)
  add_custom_command(
    OUTPUT ${h} ${cpp}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${formulas_gen_dir}/formulas
    COMMAND formulagen ${formulas_dir}/${data} ${space} ${h} ${cpp} formulas/${space}programs.h
    DEPENDS formulagen ${formulas_dir}/${data}
    COMMENT "Generating ${space} formula programs from ${data}"
    VERBATIM)
  target_sources(tarvolin_app PRIVATE ${h} ${cpp})
endfunction()

tarvolin_formula_programs(standard.fml standard)
tarvolin_formula_programs(own.fml own)
target_include_directories(tarvolin_app PUBLIC ${formulas_gen_dir})

file(GLOB formulagen_tests CONFIGURE_DEPENDS ${formulas_dir}/generator/tests/*.cpp)
if(formulagen_tests)
  add_executable(formulagen_tests ${formulagen_tests})
  target_link_libraries(formulagen_tests PRIVATE formulagen_core GTest::gtest GTest::gtest_main)
  set_target_properties(formulagen_tests PROPERTIES AUTOMOC OFF AUTORCC OFF)
  target_compile_definitions(formulagen_tests PRIVATE TARVOLIN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  gtest_discover_tests(formulagen_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
  tarvolin_label_discovered(formulagen_tests ${formulagen_tests})
endif()

# The program loads the indicator plug-in at run time; build it with the program's code.
if(TARGET Ostrilug)
  add_dependencies(tarvolin_app Ostrilug)
endif()

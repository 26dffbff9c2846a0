# The models' live tests run the local quote server.
cmake_language(DEFER CALL _tarvolin_models_test_deps)
function(_tarvolin_models_test_deps)
  if(TARGET app_models_tests)
    add_dependencies(app_models_tests quoteserver)
  endif()
endfunction()

# The quote panels' screenshot needs a real window: the display of the test run
# (xcb, drawn by Qt Quick's software renderer). Under offscreen it skips itself.
add_test(NAME models.price_panels COMMAND app_models_tests --gtest_filter=PricePanels.*)
set_tests_properties(models.price_panels PROPERTIES TIMEOUT 120 LABELS live
                     ENVIRONMENT "QT_QPA_PLATFORM=xcb;QT_QUICK_BACKEND=software")

# The screening bridge reads the records of the screening library's header and
# loads the library at run time (not linked): the program, its model tests and
# its QML tests find libQuorvex.so beside them.
target_include_directories(tarvolin_app PUBLIC ${CMAKE_SOURCE_DIR}/screener/include)
cmake_language(DEFER CALL _tarvolin_models_quorvex_deps)
function(_tarvolin_models_quorvex_deps)
  if(TARGET Quorvex)
    foreach(t Tarvolin app_models_tests app_qmltests)
      if(TARGET ${t})
        add_dependencies(${t} Quorvex)
      endif()
    endforeach()
    if(TARGET app_models_tests AND TARGET backend)
      add_dependencies(app_models_tests backend)
    endif()
  endif()
endfunction()

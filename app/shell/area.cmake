# The shell's tests run the program itself and the local quote server.
cmake_language(DEFER CALL _tarvolin_shell_test_deps)
function(_tarvolin_shell_test_deps)
  if(TARGET app_shell_tests)
    add_dependencies(app_shell_tests Tarvolin quoteserver)
  endif()
endfunction()

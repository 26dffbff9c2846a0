# The shell's tests run the program itself, the local quote server and the local
# back end.
cmake_language(DEFER CALL _tarvolin_shell_test_deps)
function(_tarvolin_shell_test_deps)
  if(TARGET app_shell_tests)
    add_dependencies(app_shell_tests Tarvolin quoteserver backend)
  endif()
endfunction()

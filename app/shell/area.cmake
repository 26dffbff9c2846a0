# The shell's tests run the program itself, the local quote server and the local
# back end.
cmake_language(DEFER CALL _tarvolin_shell_test_deps)
function(_tarvolin_shell_test_deps)
  if(TARGET app_shell_tests)
    add_dependencies(app_shell_tests Tarvolin quoteserver backend)
  endif()
endfunction()

# The web view test needs a real window: the display of the test run (xcb) and,
# as root, WebEngine without its sandbox. Under offscreen it skips itself.
add_test(NAME shell.webengine_interceptor
         COMMAND app_shell_tests --gtest_filter=WebEngineInterceptor.*)
set_tests_properties(shell.webengine_interceptor PROPERTIES TIMEOUT 120 LABELS live
                     ENVIRONMENT "QT_QPA_PLATFORM=xcb;QTWEBENGINE_DISABLE_SANDBOX=1")

# The sign-in window's screenshot, on the test run's display.
add_test(NAME shell.login_screenshot COMMAND app_shell_tests --gtest_filter=LoginFlow.Screenshot)
set_tests_properties(shell.login_screenshot PROPERTIES TIMEOUT 120 LABELS live
                     ENVIRONMENT "QT_QPA_PLATFORM=xcb;QT_QUICK_BACKEND=software")

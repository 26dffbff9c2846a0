# The shell's tests run the program itself, the local quote server and the local
# back end.
cmake_language(DEFER CALL _tarvolin_shell_test_deps)
function(_tarvolin_shell_test_deps)
  if(TARGET app_shell_tests)
    add_dependencies(app_shell_tests Tarvolin quoteserver backend)
    target_link_libraries(app_shell_tests PRIVATE TarvolinWeb Qt5::WebEngine)
  endif()
  add_dependencies(Tarvolin TarvolinWeb)
  # An install the updater left cut short is settled at the start.
  target_link_libraries(tarvolin_app PUBLIC updater_journal)
  # The browser tests' web views: the runner initialises the web engine.
  target_link_libraries(app_qmltests PRIVATE Qt5::WebEngine)
endfunction()

# libTarvolinWeb.so: the program's code that links the web engine (shell/web/).
# The program loads it by name once the sign-in window is on screen.
file(GLOB web_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/shell/web/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/shell/web/*.h)
add_library(TarvolinWeb SHARED ${web_srcs})
target_include_directories(TarvolinWeb PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(TarvolinWeb PRIVATE Qt5::Core Qt5::Network Qt5::WebEngine Qt5::WebEngineCore)

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

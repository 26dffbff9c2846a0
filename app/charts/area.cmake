# The chart screenshots need a real display (xcb, Qt Quick's software
# renderer) and the local quote server; the stock view's tests also start
# the local back end. Under offscreen the screenshot test skips itself.
cmake_language(DEFER CALL _tarvolin_charts_test_deps)
function(_tarvolin_charts_test_deps)
  if(TARGET app_charts_tests AND TARGET quoteserver)
    add_dependencies(app_charts_tests quoteserver)
  endif()
  if(TARGET app_charts_tests AND TARGET backend)
    add_dependencies(app_charts_tests backend)
  endif()
endfunction()

add_test(NAME charts.screenshots COMMAND app_charts_tests --gtest_filter=ChartScreenshots.*)
set_tests_properties(charts.screenshots PROPERTIES TIMEOUT 120 LABELS live
                     ENVIRONMENT "QT_QPA_PLATFORM=xcb;QT_QUICK_BACKEND=software")

add_test(NAME charts.mqview_screenshot COMMAND app_charts_tests --gtest_filter=MQViewScreenshot.*)
set_tests_properties(charts.mqview_screenshot PROPERTIES TIMEOUT 120 LABELS live
                     ENVIRONMENT "QT_QPA_PLATFORM=xcb;QT_QUICK_BACKEND=software")

add_test(NAME charts.dialogs_screenshot COMMAND app_charts_tests --gtest_filter=ChartDialogsScreenshot.*)
set_tests_properties(charts.dialogs_screenshot PROPERTIES TIMEOUT 120 LABELS live
                     ENVIRONMENT "QT_QPA_PLATFORM=xcb;QT_QUICK_BACKEND=software")

add_test(NAME charts.minicharts_screenshot COMMAND app_charts_tests --gtest_filter=MiniChartsScreenshot.*)
set_tests_properties(charts.minicharts_screenshot PROPERTIES TIMEOUT 120 LABELS live
                     ENVIRONMENT "QT_QPA_PLATFORM=xcb;QT_QUICK_BACKEND=software")

# It grabs the screen (the palette and dialogs are windows of their own), so
# no other test's window may be on the shared display meanwhile.
add_test(NAME charts.drawing_screenshots COMMAND app_charts_tests --gtest_filter=DrawingScreenshots.*)
set_tests_properties(charts.drawing_screenshots PROPERTIES TIMEOUT 180 LABELS live RUN_SERIAL TRUE
                     ENVIRONMENT "QT_QPA_PLATFORM=xcb;QT_QUICK_BACKEND=software")

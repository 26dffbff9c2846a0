# Read by ctest (script mode), after a program's discovered GoogleTest cases
# are added: labels each case by what its source file starts.
#   e2e   the file runs the whole program (build/bin/Tarvolin, a virtual display);
#   live  it starts a local server (the quote server, the back end);
#   unit  anything else.
# Reading the files here rather than at configure time keeps an edit to a
# test file from re-running cmake.

# tarvolin_label_cases(<tests> <sources>): tests as gtest_discover_tests
# lists them ("Suite.Case", "Prefix/Suite.Case/Value").
function(tarvolin_label_cases tests sources)
  set(e2e_suites)
  set(live_suites)
  foreach(src IN LISTS sources)
    if(NOT src MATCHES "\\.cpp$" OR NOT EXISTS "${src}")
      continue()
    endif()
    file(READ "${src}" text)
    if(text MATCHES "programPath\\(|VirtualDisplay|\"/Tarvolin\"")
      set(kind e2e)
    elseif(text MATCHES "ServerProcess|LiveQuoteEngine|LocalServers|with-backend")
      set(kind live)
    else()
      continue()
    endif()
    string(REGEX MATCHALL "TEST(_F|_P)?\\([ \t\r\n]*[A-Za-z0-9_]+[ \t\r\n]*," found "${text}")
    foreach(m IN LISTS found)
      string(REGEX REPLACE "^TEST(_F|_P)?\\([ \t\r\n]*([A-Za-z0-9_]+).*$" "\\2" suite "${m}")
      list(APPEND ${kind}_suites ${suite})
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES e2e_suites)
  list(REMOVE_DUPLICATES live_suites)
  list(JOIN e2e_suites "|" e2e)
  list(JOIN live_suites "|" live)
  foreach(t IN LISTS tests)
    set(label unit)
    set(timeout)
    if(e2e AND t MATCHES "^([^/.]*/)?(${e2e})\\.")
      # A whole-program run may take minutes with every core busy
      # (kTourBudgetMs in app/testsupport/programrun.h, and 30 s to spare).
      set(label e2e)
      set(timeout TIMEOUT 300)
    elseif(live AND t MATCHES "^([^/.]*/)?(${live})\\.")
      set(label live)
    endif()
    set_tests_properties("${t}" PROPERTIES LABELS ${label} ${timeout})
  endforeach()
endfunction()

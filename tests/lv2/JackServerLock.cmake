# Read by CTest after the discovered tests: the tests that start a JACK
# server take turns. Three dummy servers with their clients at once make
# clients fail to connect (JACK's shared-memory registry is one per machine).
foreach(list test_lv2_jalv_TESTS test_lv2_jalv_gtk_TESTS)
  if(DEFINED ${list})
    set_tests_properties(${${list}} PROPERTIES RESOURCE_LOCK jack_server)
  endif()
endforeach()

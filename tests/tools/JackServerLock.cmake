# Read by CTest after the discovered tests: the gui tests start a JACK
# server, so they take turns with the other tests that do (same lock name).
if(DEFINED test_corvane_gui_TESTS)
  set_tests_properties(${test_corvane_gui_TESTS} PROPERTIES RESOURCE_LOCK jack_server)
endif()

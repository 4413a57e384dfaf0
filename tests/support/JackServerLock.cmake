# Read by CTest after the discovered tests of each folder that adds it to
# its TEST_INCLUDE_FILES: the tests that start a JACK server take turns.
# Three dummy servers with their clients at once make clients fail to
# connect (JACK's shared-memory registry is one per machine).
foreach(target test_lv2_jalv test_lv2_jalv_gtk test_corvane_gui)
  if(DEFINED ${target}_TESTS)
    set_tests_properties(${${target}_TESTS} PROPERTIES RESOURCE_LOCK jack_server)
  endif()
endforeach()

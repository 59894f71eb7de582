# The protocol tests talk to the in-process simulated reader.
if(TARGET kestrel_sim)
  target_link_libraries(${exe} PRIVATE kestrel_sim)
endif()

# The long fault soak: 200 cycles on a line that drops and garbles bytes. Not part of the
# default run (./test leaves out the "soak" label); run it with: ctest -L soak
add_test(NAME soak_fault_line COMMAND ${exe} --gtest_filter=FaultSoakTest.*)
set_tests_properties(soak_fault_line PROPERTIES LABELS soak TIMEOUT 3600
  ENVIRONMENT "KESTREL_SOAK_CYCLES=200;KESTREL_SOURCE_DIR=${CMAKE_SOURCE_DIR}")

# The scanner of the simulated reader is tested with the sheets printed here.
if(TARGET kestrel_sim)
  target_link_libraries(tests_barcode PRIVATE kestrel_sim)
endif()

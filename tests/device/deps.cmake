# The protocol tests talk to the in-process simulated reader.
if(TARGET kestrel_sim)
  target_link_libraries(${exe} PRIVATE kestrel_sim)
endif()

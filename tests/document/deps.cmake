# The document flows run against the in-process simulated reader.
if(TARGET kestrel_sim)
  target_link_libraries(${exe} PRIVATE kestrel_sim)
endif()

# Gauge data to records: a whole 5000-reading memory file and 5000 reading lines.
if(TARGET zenu_data)
  add_executable(bench_decode ${CMAKE_CURRENT_LIST_DIR}/decode_bench.cpp)
  target_link_libraries(bench_decode PRIVATE zenu_data benchmark::benchmark)
endif()

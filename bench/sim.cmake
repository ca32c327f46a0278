# The simulated stack alone, at zero latency: what a GATT operation and a notification cost
# before the control adds its share.
if(TARGET zenu_sim)
  add_executable(bench_sim ${CMAKE_CURRENT_LIST_DIR}/sim_bench.cpp)
  target_link_libraries(bench_sim PRIVATE zenu_sim benchmark::benchmark)
endif()

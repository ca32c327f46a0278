# The control's hot paths: a late-bound property get, a Config query, an event to a sink,
# and the code page conversions every value goes through.
if(TARGET corvel_control)
  add_executable(bench_corvel ${CMAKE_CURRENT_LIST_DIR}/corvel_bench.cpp)
  target_link_libraries(bench_corvel PRIVATE corvel_control corvel_core zenu_com benchmark::benchmark)
endif()

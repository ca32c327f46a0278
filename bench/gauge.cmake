# A whole family "5" memory read through the gauge session and the control on the simulated
# stack with a fixed latency per GATT operation: time against the floor of the link, and the
# processor time the program uses while it waits on the link.
if(TARGET zenu_gauge AND TARGET corvelctl)
  add_executable(bench_gauge_download ${CMAKE_CURRENT_LIST_DIR}/gauge_download_bench.cpp)
  target_link_libraries(bench_gauge_download PRIVATE zenu_gauge benchmark::benchmark Qt6::Core)
  add_dependencies(bench_gauge_download corvelctl)
endif()

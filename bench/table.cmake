# The measurement table: filling the grid and statistics with 5000 readings, and adding one
# reading to a table of 4999 (model alone and through the main window, offscreen).
if(TARGET zenu_app)
  add_executable(bench_table ${CMAKE_CURRENT_LIST_DIR}/table_bench.cpp)
  target_link_libraries(bench_table PRIVATE zenu_app benchmark::benchmark Qt6::Widgets)
endif()

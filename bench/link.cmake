# The control over the simulated stack: the cost of a GATT operation and of a notification
# through the control, and the processor time of a long wait.
if(TARGET corvel_control AND TARGET zenu_sim)
  add_executable(bench_link ${CMAKE_CURRENT_LIST_DIR}/link_bench.cpp)
  target_link_libraries(bench_link PRIVATE corvel_control corvel_ble zenu_com zenu_sim benchmark::benchmark Qt6::Core)
  set_target_properties(bench_link PROPERTIES AUTOMOC OFF)
endif()

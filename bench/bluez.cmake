# The control on BlueZ against Bleak on the same BlueZ stand-in: per-operation times side by
# side. Run it on a private bus: scripts/on_bluez.sh build/bin/bench_bluez
if(TARGET corvel_control AND TARGET zenu_bluez_sim_service)
  add_executable(bench_bluez ${CMAKE_CURRENT_LIST_DIR}/bluez_bench.cpp)
  target_link_libraries(bench_bluez PRIVATE corvel_control corvel_ble zenu_com zenu_bluez_sim_service Qt6::Core)
  target_compile_definitions(bench_bluez PRIVATE BLEAK_SCRIPT="${CMAKE_CURRENT_LIST_DIR}/bluez_bleak.py")
  set_target_properties(bench_bluez PROPERTIES AUTOMOC OFF)
endif()

# tests of the engine thread
set(_engine_peers
  TARVICO_FAKELINK_DIR="${CMAKE_BINARY_DIR}/fakelink"
  TARVICO_FAKELINK_INCOMPLETE_DIR="${CMAKE_BINARY_DIR}/fakelink_incomplete"
  TARVICO_FAKELINK_NOWAIT_DIR="${CMAKE_BINARY_DIR}/fakelink_nowait")

tarvico_add_test(engine_binding_tests
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/BindingTest.cpp
  LIBS tarvico_engine fake_link
  LABELS engine)
target_compile_definitions(engine_binding_tests PRIVATE ${_engine_peers})
add_dependencies(engine_binding_tests fake_link fake_link_incomplete fake_link_nowait checksum_standin)
target_include_directories(engine_binding_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})

tarvico_add_test(engine_checksum_tests
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ChecksumStandInTest.cpp
  LIBS checksum_standin
  LABELS engine)

tarvico_add_test(engine_deviceinit_tests
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/DeviceInitBlocksTest.cpp
  LIBS tarvico_engine
  LABELS engine)

tarvico_add_test(engine_deviceinit_link_tests
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/DeviceInitTest.cpp
  LIBS tarvico_engine fake_link
  LABELS engine)
target_compile_definitions(engine_deviceinit_link_tests PRIVATE ${_engine_peers})
target_include_directories(engine_deviceinit_link_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
add_dependencies(engine_deviceinit_link_tests fake_link checksum_standin)

tarvico_add_test(engine_loop_tests
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/LoopTest.cpp
  LIBS tarvico_engine
  LABELS engine)
target_include_directories(engine_loop_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})

tarvico_add_test(engine_unknown_tests
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/UnknownRequestTest.cpp
  LIBS tarvico_engine
  LABELS engine)
target_include_directories(engine_unknown_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})

# The engine on its own thread: every test here runs two threads.
tarvico_add_test(engine_thread_tests
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/EngineTest.cpp
  LIBS tarvico_engine fake_link
  LABELS engine concurrency)
target_compile_definitions(engine_thread_tests PRIVATE ${_engine_peers})
target_include_directories(engine_thread_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
add_dependencies(engine_thread_tests fake_link fake_link_incomplete checksum_standin)

# End to end through the engine: CAN_Standard and KL_KW2000 exchanges, and the frame-structure rows
# of checksum routines 0, 3 and 4, frame by frame on the fake link library that the engine loads
# itself; the protocol record comes from the frame-structure table as the window builds it.
tarvico_add_test(engine_end_to_end_tests
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/EndToEndCanTest.cpp ${CMAKE_CURRENT_SOURCE_DIR}/EndToEndKLineTest.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/EndToEndChecksumTest.cpp
  LIBS tarvico_engine tarvico_uilogic fake_link
  LABELS engine concurrency)
target_compile_definitions(engine_end_to_end_tests PRIVATE ${_engine_peers})
target_include_directories(engine_end_to_end_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests/support)
add_dependencies(engine_end_to_end_tests fake_link checksum_standin)

# Waiting for frames on the real clock through the fake link library's WaitRxFrame, and without it.
tarvico_add_test(engine_frame_wait_tests
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/EngineFrameWaitTest.cpp
  LIBS tarvico_engine fake_link ${CMAKE_DL_LIBS}
  LABELS engine concurrency)
target_compile_definitions(engine_frame_wait_tests PRIVATE ${_engine_peers})
target_include_directories(engine_frame_wait_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
add_dependencies(engine_frame_wait_tests fake_link fake_link_nowait checksum_standin)

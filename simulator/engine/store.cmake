# The request store with the frame codec and the store operations: the part of the engine that
# needs neither the device link nor a thread of its own.
add_library(tarvico_store STATIC
  ${CMAKE_CURRENT_LIST_DIR}/FrameCodec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CodecSelection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UDStructures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StoreOperations.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StoreEditing.cpp
)
target_include_directories(tarvico_store PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(tarvico_store PUBLIC tarvico_platform)
tarvico_warnings(tarvico_store)

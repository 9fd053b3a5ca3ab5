# engine thread, binding, device initialisation, loop, unknown-request rules
add_library(tarvico_engine STATIC
  ${CMAKE_CURRENT_LIST_DIR}/DynamicLibrary.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LibraryBinding.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DeviceInitBlocks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DeviceInit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EngineProtocolSelection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UnknownRequestAnswers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UnknownRequest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RequestLoop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KRIXCommunicationThread.cpp
)
target_include_directories(tarvico_engine PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(tarvico_engine PUBLIC
  tarvico_store tarvico_protocols tarvico_platform krix_link_api ${CMAKE_DL_LIBS})
tarvico_warnings(tarvico_engine)

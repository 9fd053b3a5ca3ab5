# Tests of the frame codec, the store classes and the store operations; the two-thread stress
# test is a program of its own so that only it carries the concurrency label.
tarvico_add_test(store_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/CodecTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StoreItemTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StoreOperationsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StoreGrowthTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StorePublicationTest.cpp
  LIBS tarvico_store
  LABELS engine)

tarvico_add_test(store_stress_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/StoreStressTest.cpp
  LIBS tarvico_store
  LABELS engine concurrency)

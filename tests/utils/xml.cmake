lintwrap_add_test(xml_tests LIBS utils SOURCES ${CMAKE_CURRENT_LIST_DIR}/XmlTest.cpp)

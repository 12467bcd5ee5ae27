lintwrap_add_test(xml_results_tests LIBS codeanalysis
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/FxCopReaderTest.cpp ${CMAKE_CURRENT_LIST_DIR}/XmlResultsTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/CategoryListXmlTest.cpp)

lintwrap_add_test(results_tests LIBS codeanalysis
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/IssueTest.cpp ${CMAKE_CURRENT_LIST_DIR}/PcLintTextReaderTest.cpp)

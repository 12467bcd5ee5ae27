lintwrap_add_test(results_tests LIBS codeanalysis wrapper_core
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/IssueTest.cpp ${CMAKE_CURRENT_LIST_DIR}/PcLintTextReaderTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/PcLintSessionsTest.cpp)
target_compile_definitions(results_tests PRIVATE EXAMPLES_FOLDER="${CMAKE_SOURCE_DIR}/examples")

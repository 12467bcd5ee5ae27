# Issues, the results readers and the front.
target_sources(codeanalysis PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/AnalysisResultsReader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AnalysisResultsReaderImpl.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Issue.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PcLintAnalysisResultsReaderImpl.cpp
)
target_sources(codeanalysis PRIVATE ${CMAKE_CURRENT_LIST_DIR}/PcLintXmlAnalysisResultsReaderImpl.cpp)

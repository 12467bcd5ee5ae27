# The FxCop reader, the results writer and the category list as XML.
target_sources(codeanalysis PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CategoryListXml.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FxCopAnalysisResultsReaderImpl.cpp
    ${CMAKE_CURRENT_LIST_DIR}/XmlResultsWriter.cpp
)

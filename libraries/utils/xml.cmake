# The XML services over libxml2 and the XML reading framework.
find_package(LibXml2 REQUIRED)
target_sources(utils PRIVATE ${CMAKE_CURRENT_LIST_DIR}/XmlServices.cpp)
target_link_libraries(utils PUBLIC LibXml2::LibXml2)

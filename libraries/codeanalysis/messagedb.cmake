# The message database (queries, creation, the message list import, over SQLite) and the
# messages of a category.
find_package(SQLiteCpp REQUIRED)
target_sources(codeanalysis PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/MessageDatabase.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MessageListImport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CategoryMessages.cpp
)
target_link_libraries(codeanalysis PUBLIC SQLiteCpp)

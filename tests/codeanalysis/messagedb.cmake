# The message database, on real SQLite files in a temporary folder.
lintwrap_add_test(message_database_tests LIBS codeanalysis
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/MessageDatabaseTest.cpp)

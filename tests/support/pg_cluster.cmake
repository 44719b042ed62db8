# The PostgreSQL server of the tests' and benches' own (pg_cluster.h): one library for both, made by
# whichever comes first.
if(NOT TARGET rx48p_pg_cluster)
  find_package(${RX48P_QT} REQUIRED COMPONENTS Sql)
  add_library(rx48p_pg_cluster STATIC ${CMAKE_CURRENT_LIST_DIR}/pg_cluster.cpp ${CMAKE_CURRENT_LIST_DIR}/pg_cluster.h)
  target_include_directories(rx48p_pg_cluster PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(rx48p_pg_cluster PUBLIC rx48p_results ${RX48P_QT}::Core ${RX48P_QT}::Sql)
  rx48p_warnings(rx48p_pg_cluster)
endif()

# The undo history on a 40,000-object drawing: the memory of 200 single-object steps, and the
# commit, undo and redo of a 1,000-object copy against saving the drawing.
tubra_benchmark(history SOURCES ${CMAKE_CURRENT_LIST_DIR}/history.cpp DEPS tubra_model tubra_testsupport platform)

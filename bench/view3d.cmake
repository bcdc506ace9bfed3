# A frame of the 3D view (what each step of a drag costs) and the model built anew (what each
# edit costs) on a 5,000-object drawing, against the drawing's own full paint of it.
if(TARGET tubra_app)
  tubra_benchmark(view3d SOURCES ${CMAKE_CURRENT_LIST_DIR}/view3d.cpp
    DEPS tubra_app tubra_testsupport)
endif()

# Read by libjpeg-turbo's own CMake project (CMAKE_PROJECT_INCLUDE) in the control's build
# of it: the decoder's inner loops optimised for speed in a library otherwise built small.
set_source_files_properties(jdhuff.c jidctfst.c PROPERTIES COMPILE_OPTIONS -O2)

# find_package(Sprox): the imported target Sprox::sproxrt (the library and the
# folder of sprox.h). The game links SDL2 itself for its window.
include("${CMAKE_CURRENT_LIST_DIR}/SproxTargets.cmake")

# The editor's window on Linux: an Xlib child window of the host's, drawn through MIT-SHM where
# the server offers it. Included by graphics/CMakeLists.txt; adds to tesselor_graphics.
find_package(X11 REQUIRED)
if(NOT TARGET X11::Xext)
    message(FATAL_ERROR "libXext not found (scripts/setup installs libxext-dev)")
endif()
target_sources(tesselor_graphics PRIVATE
    "${CMAKE_CURRENT_LIST_DIR}/GraphicsX11.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/X11Input.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/XdgOpen.cpp"
)
target_link_libraries(tesselor_graphics PRIVATE X11::X11 X11::Xext)
set(TESSELOR_GRAPHICS_WINDOW ON)

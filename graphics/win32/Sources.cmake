# The editor's Windows window: a child window of the host's, drawn with GDI, with the dialogs and
# services of the Windows user interface. Included by graphics/CMakeLists.txt on Windows.
target_sources(tesselor_graphics PRIVATE
    "${CMAKE_CURRENT_LIST_DIR}/GraphicsWin.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/GraphicsWinServices.cpp"
)
target_link_libraries(tesselor_graphics PUBLIC
    user32 gdi32 comctl32 comdlg32 shell32 wininet)
set(TESSELOR_GRAPHICS_WINDOW ON)

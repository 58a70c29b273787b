# Windows builds (i686: the shipped exe; x86_64: the exe the Wine tests run).
enable_language(RC)

set(ART_DIR ${CMAKE_BINARY_DIR}/art)
set(ART_FILES ${ART_DIR}/MAINICON.ico ${ART_DIR}/emblem.bmp ${ART_DIR}/box.bmp)
add_custom_command(OUTPUT ${ART_FILES}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/resources/art/make_art.py ${ART_DIR}
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/art/make_art.py
    COMMENT "Drawing the icon and the banner pictures")
add_custom_target(artwork DEPENDS ${ART_FILES})

# Small, static, reproducible: no timestamps or build paths in the image.
set(WIN_COMPILE_FLAGS -Os -ffunction-sections -fdata-sections
    -ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
set(WIN_LINK_FLAGS -static -s -Wl,--gc-sections -Wl,--no-insert-timestamp
    -Wl,--dynamicbase -Wl,--nxcompat)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    list(APPEND WIN_LINK_FLAGS -Wl,--high-entropy-va)
endif()
set(WIN_LIBS user32 gdi32 shell32 ole32 advapi32)

set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 1250 -I${ART_DIR} -I${CMAKE_SOURCE_DIR}/resources")

# The widget layer and the wizard, shared by the exe and the test programs.
add_library(wizard_win32 STATIC
    ${WIZARD_SOURCES}
    widgets/Widgets.cpp
    widgets/win32/Native_win.cpp
    widgets/win32/Platform_win.cpp)
target_include_directories(wizard_win32 PUBLIC src widgets widgets/win32 resources)
target_compile_options(wizard_win32 PUBLIC ${TEXT_FLAGS} ${WARN_FLAGS} ${WIN_COMPILE_FLAGS})

# Runtime_win.cpp is an object of the exe itself, not of the library: an
# archive member would come too late to replace libstdc++'s handler.
add_executable(AktualizacjaSiec WIN32
    src/AktualizacjaSiec.cpp
    widgets/win32/Runtime_win.cpp
    resources/AktualizacjaSiec.rc
    resources/templates.rc)
target_link_libraries(AktualizacjaSiec PRIVATE wizard_win32 ${WIN_LIBS})
target_link_options(AktualizacjaSiec PRIVATE ${WIN_LINK_FLAGS})
add_dependencies(AktualizacjaSiec artwork)
set_source_files_properties(resources/AktualizacjaSiec.rc PROPERTIES
    OBJECT_DEPENDS "${ART_FILES};${CMAKE_SOURCE_DIR}/resources/AktualizacjaSiec.manifest")
set_source_files_properties(resources/templates.rc PROPERTIES OBJECT_DEPENDS "${TEMPLATE_FILES}")

add_subdirectory(tests/fixtures)
foreach(dir tests/wine tests/i686 tests/bench)
    if(EXISTS ${CMAKE_SOURCE_DIR}/${dir}/CMakeLists.txt)
        add_subdirectory(${dir})
    endif()
endforeach()

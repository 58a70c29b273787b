# Native Linux build: the wizard's code against the headless backend, tested
# with GoogleTest under CTest.
enable_testing()
find_package(GTest REQUIRED)

set(EMBEDDED_CPP ${CMAKE_BINARY_DIR}/EmbeddedResources.cpp)
add_custom_command(OUTPUT ${EMBEDDED_CPP}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/embed_resources.py ${EMBEDDED_CPP} ${TEMPLATE_PAIRS}
    DEPENDS ${TEMPLATE_FILES} ${CMAKE_SOURCE_DIR}/tools/embed_resources.py ${CMAKE_SOURCE_DIR}/resources/templates.rc
    COMMENT "Embedding the template set for the headless backend")

add_library(wizard_headless STATIC
    ${WIZARD_SOURCES}
    widgets/Widgets.cpp
    widgets/headless/Headless.cpp
    ${EMBEDDED_CPP})
target_include_directories(wizard_headless PUBLIC src widgets widgets/headless resources)
target_compile_options(wizard_headless PUBLIC ${TEXT_FLAGS} ${WARN_FLAGS})

# The native tests run under AddressSanitizer and UndefinedBehaviorSanitizer:
# an overrun of the owner's buffer or of a resource view fails the test.
option(WIZARD_SANITIZE "Build the native tree with ASan and UBSan" ON)
if(WIZARD_SANITIZE)
    target_compile_options(wizard_headless PUBLIC -fsanitize=address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=undefined)
    target_link_options(wizard_headless PUBLIC -fsanitize=address,undefined)
endif()

file(GLOB NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(native_tests ${NATIVE_TESTS})
target_link_libraries(native_tests PRIVATE wizard_headless GTest::gtest GTest::gtest_main)
target_compile_definitions(native_tests PRIVATE TEMPLATES_DIR="${CMAKE_SOURCE_DIR}/resources/templates")
include(GoogleTest)
gtest_discover_tests(native_tests)

add_test(NAME artwork COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/art/check_art.py)

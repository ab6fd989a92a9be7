option(PELMORA_TESTS "Build the tests" ON)

# The program's version, as resources/Version.h defines it once: for the version resource's manifest
# and the name of the release.
file(STRINGS ${PROJECT_SOURCE_DIR}/resources/Version.h version_parts REGEX "^#define PELMORA_VERSION_[A-Z]+ [0-9]+$")
list(TRANSFORM version_parts REPLACE "^#define PELMORA_VERSION_[A-Z]+ " "")
list(JOIN version_parts "." PELMORA_VERSION)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/Version.h)

# Sources are UTF-8 and their narrow texts are compiled to code page 932, the program's own text
# encoding: a Japanese text stands readable where it is defined. TRANSLIT: libstdc++'s C++20 <chrono>
# writes a "µ" that code page 932 lacks, and without it every file that includes <chrono> fails.
add_compile_options("$<$<COMPILE_LANGUAGE:CXX>:-finput-charset=UTF-8;-fexec-charset=CP932//TRANSLIT>")

function(pelmora_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow)
endfunction()

if(WIN32)
  # Wide Win32 calls only: texts are CP932 inside and converted explicitly at the API boundary.
  # windows.h brings only the core API; each file includes the other headers it uses.
  add_compile_definitions(UNICODE _UNICODE _WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX WIN32_LEAN_AND_MEAN)
  # No DLL beyond what Windows ships.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # The program waits on the network, not on its own code: optimised for size, each function and
  # datum in a section of its own, so that the linker drops what nothing calls.
  set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG")
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections)
else()
  set(PELMORA_SANITIZE "-fsanitize=address,undefined;-fno-omit-frame-pointer;-fno-sanitize-recover=all")
  add_compile_options(${PELMORA_SANITIZE})
  add_link_options(${PELMORA_SANITIZE})
endif()

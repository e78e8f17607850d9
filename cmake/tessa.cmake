# Shared compile settings and helpers for both trees.

if(TESSA_WIN32)
  # Everything is linked statically: the installer and the test programs are
  # single files that need no DLL of ours.
  add_compile_options(-Os -ffunction-sections -fdata-sections -Wall -Wextra)
  add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections)
  # Test programs run through Wine (see scripts/wine-run); the prefix lives in
  # this build tree.
  set(TESSA_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(TESSA_WINEARCH win64)
  else()
    set(TESSA_WINEARCH win32)
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_SOURCE_DIR}/scripts/wine-run --arch ${TESSA_WINEARCH} --prefix ${TESSA_WINEPREFIX})
  set(TESSA_WIN32_LIBS ole32 uuid shell32 comctl32 version advapi32 gdi32 user32 comdlg32)
else()
  add_compile_options(-Wall -Wextra -g)
  if(TESSA_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
  endif()
endif()

# Code that goes into the installer itself: no exceptions, no RTTI.
# The program is single-threaded, so function-local statics need no guards
# (the guards pull libstdc++'s exception support in). On i686 the unwind tables
# are dead weight without exceptions; on x86-64 Windows they are part of the ABI
# (longjmp unwinds through them), so they stay there.
function(tessa_installer_code target)
  if(TESSA_WIN32)
    target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti -fno-threadsafe-statics)
    # Arrays and texts aligned as the ABI asks, not to 32 bytes for speed.
    target_compile_options(${target} PRIVATE -malign-data=abi)
    if(NOT CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
      # The 32-bit Windows convention keeps the stack aligned to 4 bytes, not
      # 16; without SSE nothing of ours needs more, and 16 costs an alignment
      # adjustment in many functions. The frame pointer only serves debuggers.
      target_compile_options(${target} PRIVATE -fno-asynchronous-unwind-tables
                             -mpreferred-stack-boundary=2 -fomit-frame-pointer)
      # Inlining by the early, per-function pass and of every function with a
      # single caller makes the shipped program larger at -Os (2 KB: the large
      # sequences grow frames and spill registers); the whole-program inliner
      # still inlines what it finds smaller inlined.
      target_compile_options(${target} PRIVATE -fno-early-inlining -fno-inline-functions-called-once)
      # Size before speed wherever the time is not spent in our own loops
      # (GCC 12's -Oz; the codec, which has them, keeps -Os: archive/).
      target_compile_options(${target} PRIVATE -Oz)
    endif()
    # Link-time optimisation of the installer: the libraries carry both the
    # intermediate code (used when the program links with -flto) and ordinary
    # code (used by the test programs, which link without it, and by a plain
    # ar, which cannot index intermediate code).
    target_compile_options(${target} PRIVATE -flto -ffat-lto-objects)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      # No relocation table: the program always loads at its preferred base
      # (the linker marks it so and drops the address randomisation flag).
      # One partition: with the default split, the MinGW compiler's link-time
      # optimiser (GCC 12) crashes on some programs ("internal compiler error
      # in binds_to_current_def_p"), and the installer is small enough to be
      # optimised whole.
      target_link_options(${target} PRIVATE -flto -flto-partition=one -Wl,--disable-reloc-section)
    endif()
  endif()
endfunction()

# Programs other than the installer link the ordinary code of the libraries:
# through the linker plugin, MinGW's ld sees template instances both in the
# intermediate code and in the program's own objects and calls them duplicates.
function(tessa_plain_link target)
  if(TESSA_WIN32)
    target_link_options(${target} PRIVATE -fno-lto -fno-use-linker-plugin)
  endif()
endfunction()

# tessa_add_win32_test(name SOURCES ... LIBS ...): a Win32 GoogleTest program
# run under Wine by CTest. Its time limit is given at run time
# (scripts/windows-tests): the same program takes many times longer in the
# emulated PC than under Wine on this machine.
function(tessa_add_win32_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest gtest_main ${TESSA_WIN32_LIBS})
  tessa_plain_link(${name})
  add_test(NAME ${name} COMMAND ${name})
endfunction()

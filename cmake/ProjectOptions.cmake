# Flags every target of ours gets. Included after GoogleTest so that it keeps its own.

add_compile_options(-Wall -Wextra -Wshadow -Werror)
if(WIN32)
  # Reproducible Windows images: no link time stamp in the PE header.
  add_link_options(-Wl,--no-insert-timestamp)
endif()

if(TSV_SANITIZE)
  if(WIN32)
    message(FATAL_ERROR "TSV_SANITIZE is for the host build only")
  endif()
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(TSV_FUZZ)
  # Coverage feedback from every library the fuzz targets link, not just their own code.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Code that goes into the setup program (everything under src/) is built without
# exceptions and RTTI: the program carries no C++ runtime beyond what it calls, and
# nothing may throw across its modules. Tools and tests link these libraries freely.
function(tsv_program_code target)
  target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti)
  if(WIN32)
    # The shipped image has a size limit: optimise for size, without unwind tables
    # (nothing unwinds), one section per function so the linker drops unused ones.
    target_compile_options(${target} PRIVATE -Os -fno-asynchronous-unwind-tables -ffunction-sections)
  endif()
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()

# Windows executables carry their runtime with them: the setup must need no DLL
# beside the system's, and test programs run in a bare wine prefix.
function(tsv_static_windows_exe target)
  if(WIN32)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()

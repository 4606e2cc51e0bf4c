# Post-build check of the setup program image:
#   cmake -DIMAGE=setup.exe -DMAP=setup.map -DSIZE_LIMIT=n -DOBJDUMP=objdump -P CheckSetupImage.cmake
# - prints the image size and fails above SIZE_LIMIT (0: no limit);
# - fails if the upper-case payload marker occurs anywhere in the image, since the
#   program finds its payload by the first occurrence of that text in its own file;
# - fails if the image imports a DLL that is not part of Windows itself;
# - fails if the C++ exception or stream runtime was linked in.

cmake_minimum_required(VERSION 3.25)

file(SIZE "${IMAGE}" image_size)
get_filename_component(image_name "${IMAGE}" NAME)
message(STATUS "${image_name}: ${image_size} bytes")
if(SIZE_LIMIT GREATER 0 AND image_size GREATER SIZE_LIMIT)
  message(FATAL_ERROR "${image_name} is ${image_size} bytes, above the limit of ${SIZE_LIMIT}")
endif()

# Spelled in lower case here so that no file of ours carries the marker itself.
string(TOUPPER "<vozip file begins here>" marker)
file(READ "${IMAGE}" image_hex HEX)
string(HEX "${marker}" marker_hex)
string(TOLOWER "${marker_hex}" marker_hex)
# Hex digits come in pairs: only a match at an even position is a byte match.
set(search_from 0)
while(TRUE)
  string(SUBSTRING "${image_hex}" ${search_from} -1 rest)
  string(FIND "${rest}" "${marker_hex}" found)
  if(found LESS 0)
    break()
  endif()
  math(EXPR found "${search_from} + ${found}")
  math(EXPR parity "${found} % 2")
  if(parity EQUAL 0)
    math(EXPR offset "${found} / 2")
    message(FATAL_ERROR "${image_name} contains the payload marker at offset ${offset}")
  endif()
  math(EXPR search_from "${found} + 1")
endwhile()

execute_process(COMMAND "${OBJDUMP}" -p "${IMAGE}" OUTPUT_VARIABLE headers RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${IMAGE} failed")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
set(system_dlls kernel32.dll user32.dll gdi32.dll advapi32.dll msvcrt.dll shell32.dll ole32.dll
    oleaut32.dll mpr.dll comctl32.dll)
foreach(line IN LISTS imports)
  string(REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" dll)
  list(FIND system_dlls "${dll}" known)
  if(known LESS 0)
    message(FATAL_ERROR "${image_name} imports ${dll}, which is not a system DLL")
  endif()
  list(APPEND imported "${dll}")
endforeach()
message(STATUS "${image_name} imports: ${imported}")

file(READ "${MAP}" link_map)
foreach(unwanted "libstdc\\+\\+\\.a\\([^)]*(eh_|ios|stream)[^)]*\\)" "__cxa_throw" "__gxx_personality")
  if(link_map MATCHES "${unwanted}")
    message(FATAL_ERROR "${image_name} links C++ runtime it must not carry: ${CMAKE_MATCH_0}")
  endif()
endforeach()

# The program runs without the C runtime's start-up code, so nothing may need what
# that code does: fixing up data imported without dllimport (pseudo-relocations) or
# setting up thread-local storage.
if(NOT link_map MATCHES "0x0+ +__rt_psrelocs_size = ")
  message(FATAL_ERROR "${image_name} needs runtime pseudo-relocations, which its entry does not apply")
endif()
if(link_map MATCHES "\n\\.tls +0x[0-9a-f]+ +0x[1-9a-f]")
  message(FATAL_ERROR "${image_name} has thread-local data, which its entry does not set up")
endif()

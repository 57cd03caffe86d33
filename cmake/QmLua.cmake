# Lua 5.3 from Debian's source package, configured for 32-bit integers, single
# floats printed with "%.5g", no process pipes and no native modules.
if(NOT EXISTS "${QM_LUA_SRC}/src/lapi.c")
  message(FATAL_ERROR "Lua source not found in ${QM_LUA_SRC}; run scripts/setup-deps.sh")
endif()

set(_lua_out "${CMAKE_BINARY_DIR}/lua-src")
file(GLOB _lua_all "${QM_LUA_SRC}/src/*.c" "${QM_LUA_SRC}/src/*.h" "${QM_LUA_SRC}/src/*.hpp")
file(COPY ${_lua_all} DESTINATION "${_lua_out}")
file(READ "${QM_LUA_SRC}/src/luaconf.h" _luaconf)
string(REPLACE "/* #define LUA_32BITS */" "#define LUA_32BITS" _luaconf "${_luaconf}")
string(REPLACE "#define LUA_NUMBER_FMT\t\t\"%.7g\"" "#define LUA_NUMBER_FMT\t\t\"%.5g\"" _luaconf "${_luaconf}")
if(NOT _luaconf MATCHES "#define LUA_32BITS" OR NOT _luaconf MATCHES "\"%.5g\"")
  message(FATAL_ERROR "luaconf.h of ${QM_LUA_SRC} has an unexpected layout")
endif()
file(WRITE "${_lua_out}/luaconf.h" "${_luaconf}")
# Debian's packaging patch asks for its multiarch header
set(_arch "${CMAKE_LIBRARY_ARCHITECTURE}")
if(NOT _arch)
  set(_arch "unknown")
endif()
file(WRITE "${_lua_out}/lua5.3-deb-multiarch.h" "#define DEB_HOST_MULTIARCH \"${_arch}\"\n")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${QM_LUA_SRC}/src/luaconf.h")

set(_lua_core lapi lcode lctype ldebug ldo ldump lfunc lgc llex lmem lobject lopcodes
    lparser lstate lstring ltable ltm lundump lvm lzio
    lauxlib lbaselib lbitlib lcorolib ldblib liolib lmathlib loslib lstrlib ltablib
    lutf8lib loadlib linit)
list(TRANSFORM _lua_core PREPEND "${_lua_out}/")
list(TRANSFORM _lua_core APPEND ".c")
add_library(qm_lua STATIC ${_lua_core})
# No LUA_USE_POSIX / LUA_USE_DLOPEN: io.popen and package.loadlib report "not supported".
target_compile_definitions(qm_lua PUBLIC LUA_COMPAT_5_2)
target_include_directories(qm_lua SYSTEM PUBLIC "${_lua_out}")
target_compile_options(qm_lua PRIVATE -w)
target_link_libraries(qm_lua PUBLIC m)

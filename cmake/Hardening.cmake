# Debian's hardening flags (dpkg-buildflags with hardening=+all: fortified
# functions, the stack protector, format checks, relro and bindnow) for the
# normal build, whose programs the packages ship (scripts/build-package.sh),
# so the package needs no build of its own. The source folder's and the build
# folder's paths are mapped out of the programs, so that where they were built
# leaves no trace. Sanitizer and fuzz builds, and machines without dpkg-dev,
# go without.
option(VELUMIX_HARDENING "Build with Debian's hardening flags (dpkg-buildflags)" ON)
if(NOT VELUMIX_HARDENING OR VELUMIX_ASAN OR VELUMIX_TSAN OR VELUMIX_FUZZ)
    return()
endif()
find_program(DPKG_BUILDFLAGS_PROGRAM dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS_PROGRAM)
    message(STATUS "dpkg-buildflags not found: building without Debian's hardening flags")
    return()
endif()
function(velumix_dpkg_flags variable kind)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                ${DPKG_BUILDFLAGS_PROGRAM} --get ${kind}
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    # The build type chooses the optimisation and debug information.
    list(FILTER flags EXCLUDE REGEX "^-(O[0-9s]?|g)$")
    set(${variable} ${flags} PARENT_SCOPE)
endfunction()
velumix_dpkg_flags(velumix_cxxflags CXXFLAGS)
velumix_dpkg_flags(velumix_cppflags CPPFLAGS)
velumix_dpkg_flags(velumix_ldflags LDFLAGS)
# Fortified functions need the optimiser: not in a Debug build.
list(TRANSFORM velumix_cppflags REPLACE "^(-D_FORTIFY_SOURCE=.*)$" "$<$<NOT:$<CONFIG:Debug>>:\\1>")
add_compile_options(${velumix_cxxflags} ${velumix_cppflags}
                    -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
add_link_options(${velumix_ldflags})
message(STATUS "Debian's hardening flags: ${velumix_cxxflags} ${velumix_cppflags} ${velumix_ldflags}")

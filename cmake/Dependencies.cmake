# The four libraries the program and the tools link, and GoogleTest, as
# imported targets with one name for both builds:
#   dep::crypto (OpenSSL libcrypto), dep::mbedcrypto (mbed TLS), dep::jsoncpp,
#   dep::tinyxml, GTest::gtest / GTest::gtest_main.
# Windows: the static cross builds under PELLIS_DEPS_PREFIX (scripts/build-deps.sh).
# Native: Debian's -dev packages.

function(pellis_import name library include_dir)
  add_library(${name} UNKNOWN IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION "${library}"
                                           INTERFACE_INCLUDE_DIRECTORIES "${include_dir}")
endfunction()

if(WIN32)
  if(NOT PELLIS_DEPS_PREFIX OR NOT EXISTS "${PELLIS_DEPS_PREFIX}/.complete")
    message(FATAL_ERROR "PELLIS_DEPS_PREFIX must name the cross-built dependencies: "
                        "-DPELLIS_DEPS_PREFIX=$(scripts/build-deps.sh)")
  endif()
  set(inc "${PELLIS_DEPS_PREFIX}/include")
  set(lib "${PELLIS_DEPS_PREFIX}/lib")
  pellis_import(dep::crypto "${lib}/libcrypto.a" "${inc}")
  set_property(TARGET dep::crypto PROPERTY INTERFACE_LINK_LIBRARIES ws2_32 crypt32 bcrypt)
  pellis_import(dep::mbedcrypto "${lib}/libmbedcrypto.a" "${inc}")
  set_property(TARGET dep::mbedcrypto PROPERTY INTERFACE_LINK_LIBRARIES bcrypt)
  pellis_import(dep::jsoncpp "${lib}/libjsoncpp.a" "${inc}")
  pellis_import(dep::tinyxml "${lib}/libtinyxml.a" "${inc}")
  set_property(TARGET dep::tinyxml PROPERTY INTERFACE_COMPILE_DEFINITIONS TIXML_USE_STL)
  find_package(GTest CONFIG REQUIRED PATHS "${lib}/cmake/GTest" NO_DEFAULT_PATH)
else()
  find_package(OpenSSL 3.0 REQUIRED COMPONENTS Crypto)
  add_library(dep::crypto INTERFACE IMPORTED GLOBAL)
  target_link_libraries(dep::crypto INTERFACE OpenSSL::Crypto)

  find_library(MBEDCRYPTO_LIBRARY mbedcrypto REQUIRED)
  find_path(MBEDTLS_INCLUDE_DIR mbedtls/rsa.h REQUIRED)
  pellis_import(dep::mbedcrypto "${MBEDCRYPTO_LIBRARY}" "${MBEDTLS_INCLUDE_DIR}")

  # The fuzz tree compiles the parsers of outside bytes in from Debian's
  # sources: the installed libraries are not instrumented, and a read past the
  # end inside a parser would go unseen by the sanitizers.
  set(PELLIS_JSONCPP_SOURCE "" CACHE PATH "Debian's jsoncpp sources, compiled in with the sanitizers (fuzz tree)")
  set(PELLIS_TINYXML_SOURCE "" CACHE PATH "Debian's TinyXML sources, compiled in with the sanitizers (fuzz tree)")
  function(pellis_compile_dependency name include_dir)
    add_library(pellis_${name} STATIC ${ARGN})
    target_compile_options(pellis_${name} PRIVATE -w)
    target_include_directories(pellis_${name} SYSTEM PUBLIC "${include_dir}")
    add_library(dep::${name} ALIAS pellis_${name})
  endfunction()

  if(PELLIS_JSONCPP_SOURCE)
    pellis_compile_dependency(jsoncpp "${PELLIS_JSONCPP_SOURCE}/include" ${PELLIS_JSONCPP_SOURCE}/src/lib_json/json_reader.cpp
                              ${PELLIS_JSONCPP_SOURCE}/src/lib_json/json_value.cpp
                              ${PELLIS_JSONCPP_SOURCE}/src/lib_json/json_writer.cpp)
    target_include_directories(pellis_jsoncpp PRIVATE "${PELLIS_JSONCPP_SOURCE}/src/lib_json")
  else()
    find_library(JSONCPP_LIBRARY jsoncpp REQUIRED)
    find_path(JSONCPP_INCLUDE_DIR json/json.h PATH_SUFFIXES jsoncpp REQUIRED)
    pellis_import(dep::jsoncpp "${JSONCPP_LIBRARY}" "${JSONCPP_INCLUDE_DIR}")
  endif()

  if(PELLIS_TINYXML_SOURCE)
    pellis_compile_dependency(tinyxml "${PELLIS_TINYXML_SOURCE}" ${PELLIS_TINYXML_SOURCE}/tinyxml.cpp
                              ${PELLIS_TINYXML_SOURCE}/tinystr.cpp ${PELLIS_TINYXML_SOURCE}/tinyxmlerror.cpp
                              ${PELLIS_TINYXML_SOURCE}/tinyxmlparser.cpp)
    target_compile_definitions(pellis_tinyxml PUBLIC TIXML_USE_STL)
  else()
    find_library(TINYXML_LIBRARY tinyxml REQUIRED)
    find_path(TINYXML_INCLUDE_DIR tinyxml.h REQUIRED)
    pellis_import(dep::tinyxml "${TINYXML_LIBRARY}" "${TINYXML_INCLUDE_DIR}")
    set_property(TARGET dep::tinyxml PROPERTY INTERFACE_COMPILE_DEFINITIONS TIXML_USE_STL)
  endif()

  find_package(GTest REQUIRED)
endif()

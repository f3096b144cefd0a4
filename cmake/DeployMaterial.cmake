# Compiles the chosen deployment folder's public material into the program:
# the envelope key pair and IV (envelope.keys) and the manifest-signing public
# key (signing.pub.pem), the Ed25519 manifest key when the deployment has one
# (signing-ed25519.pub.pem), and the name of the runtime packages' publisher
# (runtime-publisher.txt). No private key is ever read here.

function(pellis_read_deploy_keys dir out_var)
  set(keys_file "${dir}/envelope.keys")
  set(pem_file "${dir}/signing.pub.pem")
  foreach(f "${keys_file}" "${pem_file}")
    if(NOT EXISTS "${f}")
      message(FATAL_ERROR "deployment folder ${dir} lacks ${f} (tools/keygen writes a new one)")
    endif()
  endforeach()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${keys_file}" "${pem_file}")

  file(STRINGS "${keys_file}" lines REGEX "^[A-Z]+=")
  foreach(line IN LISTS lines)
    string(REGEX MATCH "^([A-Z]+)=([0-9a-f]*)$" ok "${line}")
    if(NOT ok)
      message(FATAL_ERROR "${keys_file}: malformed line '${line}'")
    endif()
    set(key_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
  endforeach()
  foreach(field N:256 E:6 D:256 P:128 Q:128 DP:128 DQ:128 QP:128 IV:8)
    string(REPLACE ":" ";" field "${field}")
    list(GET field 0 name)
    list(GET field 1 digits)
    string(LENGTH "${key_${name}}" len)
    if(NOT len EQUAL digits)
      message(FATAL_ERROR "${keys_file}: ${name} must have ${digits} digits, has ${len}")
    endif()
    set(PELLIS_KEY_${name} "${key_${name}}" PARENT_SCOPE)
  endforeach()
  if(NOT key_IV MATCHES "^[0-9]+$")
    message(FATAL_ERROR "${keys_file}: IV must be 8 decimal digits")
  endif()

  file(READ "${pem_file}" pem)
  string(LENGTH "${pem}" pem_len)
  if(NOT pem_len EQUAL 247 OR NOT pem MATCHES "^\n-----BEGIN RSA PUBLIC KEY-----\n")
    message(FATAL_ERROR "${pem_file}: expected the 247-character PKCS#1 public key text with a leading line feed")
  endif()
  string(REPLACE "\n" "\\n" pem_c "${pem}")
  set(PELLIS_SIGNING_PEM_C "${pem_c}" PARENT_SCOPE)

  set(detached_file "${dir}/signing-ed25519.pub.pem")
  set(detached_c "")
  if(EXISTS "${detached_file}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${detached_file}")
    file(READ "${detached_file}" detached)
    if(NOT detached MATCHES "^-----BEGIN PUBLIC KEY-----\n[A-Za-z0-9+/=\n]+-----END PUBLIC KEY-----\n?$")
      message(FATAL_ERROR "${detached_file}: expected a SubjectPublicKeyInfo PEM text (pellis-keygen writes one)")
    endif()
    string(REPLACE "\n" "\\n" detached_c "${detached}")
  endif()
  set(PELLIS_DETACHED_PEM_C "${detached_c}" PARENT_SCOPE)

  pellis_read_runtime_publisher("${dir}" publisher_c)
  set(PELLIS_RUNTIME_PUBLISHER_C "${publisher_c}" PARENT_SCOPE)
  set(${out_var} TRUE PARENT_SCOPE)
endfunction()

# The common name in the subject of the certificate that must have signed the
# runtime packages the program starts with administrator rights: one line of
# UTF-8, compared byte for byte. A deployment without it does not build. Were
# any signer a trusted root vouches for accepted instead, whoever answers the
# packages' plain-HTTP download could have any signed program run elevated,
# and a bank would not notice the missing file.
function(pellis_read_runtime_publisher dir out_var)
  set(publisher_file "${dir}/runtime-publisher.txt")
  if(NOT EXISTS "${publisher_file}")
    message(FATAL_ERROR "deployment folder ${dir} lacks ${publisher_file}: one line naming the common name of the "
                        "runtime packages' signer, as in their certificate (Microsoft Corporation for the vendor's)")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${publisher_file}")
  file(READ "${publisher_file}" publisher)
  string(REGEX REPLACE "\r?\n$" "" publisher "${publisher}")
  if(publisher STREQUAL "" OR publisher MATCHES "[\r\n\t]" OR publisher MATCHES "^ " OR publisher MATCHES " $")
    message(FATAL_ERROR "${publisher_file}: expected one line holding the signer's common name, "
                        "without leading or trailing blanks")
  endif()
  string(REPLACE "\\" "\\\\" publisher_c "${publisher}")
  string(REPLACE "\"" "\\\"" publisher_c "${publisher_c}")
  set(${out_var} "${publisher_c}" PARENT_SCOPE)
endfunction()

# The public key that verifies the update host's documents. A release build names the release
# key; otherwise a development key pair is made once in the build folder, and its private half
# signs the documents of the demo and test update hosts. No private key lives in the sources.
set(DUSKMERE_KEY_DIR ${CMAKE_BINARY_DIR}/keys)
if(DUSKMERE_RELEASE_PUBLIC_KEY)
  set(DUSKMERE_PUBLIC_KEY_FILE ${DUSKMERE_RELEASE_PUBLIC_KEY})
  set(DUSKMERE_DEV_PRIVATE_KEY_FILE "")
else()
  find_program(OPENSSL_COMMAND openssl REQUIRED)
  set(DUSKMERE_DEV_PRIVATE_KEY_FILE ${DUSKMERE_KEY_DIR}/dev_private.pem)
  set(DUSKMERE_PUBLIC_KEY_FILE ${DUSKMERE_KEY_DIR}/dev_public.pem)
  if(NOT EXISTS ${DUSKMERE_PUBLIC_KEY_FILE})
    file(MAKE_DIRECTORY ${DUSKMERE_KEY_DIR})
    execute_process(
      COMMAND ${OPENSSL_COMMAND} genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048
              -out ${DUSKMERE_DEV_PRIVATE_KEY_FILE}
      RESULT_VARIABLE key_result OUTPUT_QUIET ERROR_QUIET)
    if(NOT key_result EQUAL 0)
      message(FATAL_ERROR "Could not generate the development signing key")
    endif()
    execute_process(
      COMMAND ${OPENSSL_COMMAND} pkey -in ${DUSKMERE_DEV_PRIVATE_KEY_FILE} -pubout
              -out ${DUSKMERE_PUBLIC_KEY_FILE}
      RESULT_VARIABLE key_result OUTPUT_QUIET ERROR_QUIET)
    if(NOT key_result EQUAL 0)
      message(FATAL_ERROR "Could not derive the development public key")
    endif()
  endif()
endif()
file(READ ${DUSKMERE_PUBLIC_KEY_FILE} DUSKMERE_PUBLIC_KEY_PEM)
if(NOT DUSKMERE_PUBLIC_KEY_PEM MATCHES "-----BEGIN PUBLIC KEY-----")
  message(FATAL_ERROR "${DUSKMERE_PUBLIC_KEY_FILE} is not a PEM SubjectPublicKeyInfo public key")
endif()

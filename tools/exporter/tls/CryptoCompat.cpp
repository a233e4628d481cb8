// libcrypto.so for Debian's civetweb: the name it loads OpenSSL's crypto library by; every
// symbol comes from libcrypto.so.3, which this library depends on (see CMakeLists.txt).
#include <openssl/crypto.h>

extern "C" __attribute__((visibility("default"))) unsigned long tessovarCryptoCompatVersion() {
    return OpenSSL_version_num();
}

// libssl.so for Debian's civetweb: the name it loads OpenSSL's TLS library by, with the
// one function it asks for that OpenSSL 3 no longer exports (see CMakeLists.txt).
#include <openssl/ssl.h>

#undef SSL_get_peer_certificate

extern "C" __attribute__((visibility("default"))) X509* SSL_get_peer_certificate(const SSL* ssl) {
    return SSL_get1_peer_certificate(ssl); // a new reference, as civetweb frees it
}

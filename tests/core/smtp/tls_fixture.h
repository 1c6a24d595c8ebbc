#pragma once

// The test authority and server certificates shared by the TLS tests of one test program, made
// once and removed when the program ends.

#include "core/smtp/smtp_client.h"
#include "scripted_server.h"
#include "test_pki.h"

namespace tlsfixture {

inline testpki::TestPki& pki() {
    static testpki::TestPki instance;
    return instance;
}

// A certificate for "localhost" and 127.0.0.1.
inline const testpki::ServerCert& localhostCert() {
    static const testpki::ServerCert cert = pki().issue();
    return cert;
}

inline ScriptedTls serverTls(bool implicit, const testpki::ServerCert& cert = localhostCert()) {
    return ScriptedTls{cert.certFile, cert.keyFile, implicit};
}

// The client trusts the test authority alone.
inline void trustTestAuthority(TIdSMTP& smtp) {
    smtp.Environment.TrustFile = pki().caFile();
}

} // namespace tlsfixture

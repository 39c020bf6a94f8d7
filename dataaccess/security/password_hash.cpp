// Password hashes through libsodium; only this file sees its header.
#include "dataaccess/security/password_hash.h"

#include <sodium.h>

namespace qrv::dao::detail {

namespace {
// sodium_init is safe to call more than once; the static makes it once per process.
bool sodiumReady() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}
}  // namespace

Result<std::string> hashPassword(std::string_view password) {
    if (!sodiumReady()) return makeError(err::kReservedError, "The password library cannot start.");
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        return makeError(3035, "System resource exceeded.");
    return std::string(out);
}

bool verifyPassword(const std::string& hash, std::string_view password) {
    if (!sodiumReady() || hash.empty() || hash.size() >= crypto_pwhash_STRBYTES) return false;
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

}  // namespace qrv::dao::detail

#include "accounts/password_hash.h"

#include <sodium.h>

#include <cstring>
#include <string>

namespace {

// Interactive costs: a sign-in stays well under a second.
constexpr unsigned long long kOpsLimit = crypto_pwhash_OPSLIMIT_INTERACTIVE;
constexpr std::size_t kMemLimit = crypto_pwhash_MEMLIMIT_INTERACTIVE;

bool SodiumReady() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

}  // namespace

std::optional<Text> HashPassword(const Text& password) {
    if (!SodiumReady()) return std::nullopt;
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, password.data(), password.size(), kOpsLimit, kMemLimit) != 0) return std::nullopt;
    return Text::fromBytes(hash, std::strlen(hash));
}

bool IsPasswordHash(const Text& stored) {
    // The prefix libsodium writes for Argon2id; a plain password that merely
    // starts like it is not verified as a hash unless it parses as one, which
    // crypto_pwhash_str_needs_rehash tells (-1 for a malformed string).
    static constexpr char kPrefix[] = crypto_pwhash_argon2id_STRPREFIX;
    if (stored.bytes().rfind(kPrefix, 0) != 0 || !SodiumReady()) return false;
    return crypto_pwhash_str_needs_rehash(stored.data(), kOpsLimit, kMemLimit) != -1;
}

bool PasswordMatches(const Text& typed, const Text& stored) {
    if (!IsPasswordHash(stored)) return typed == stored;
    return crypto_pwhash_str_verify(stored.data(), typed.data(), typed.size()) == 0;
}

bool PasswordNeedsRehash(const Text& stored) {
    if (!IsPasswordHash(stored)) return true;
    return crypto_pwhash_str_needs_rehash(stored.data(), kOpsLimit, kMemLimit) != 0;
}

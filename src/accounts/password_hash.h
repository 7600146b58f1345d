#pragma once
// Account passwords as one-way hashes: the 密码 field holds an Argon2id hash
// string (the algorithm, its costs, the salt and the hash in one text). A
// field that does not hold one is a password kept in plain text by an older
// book; it still signs in, compared exactly, and is replaced by its hash then.

#include "services/core/text.h"

#include <optional>

// The hash string of a password (its GBK bytes); nothing when the hash
// cannot be computed (the memory it needs is not available).
std::optional<Text> HashPassword(const Text& password);

// True when the stored text is a hash string rather than a plain password.
bool IsPasswordHash(const Text& stored);

// The typed password against the stored text: a hash string verifies the
// password, any other text is compared byte for byte.
bool PasswordMatches(const Text& typed, const Text& stored);

// True when the stored text should be replaced by a fresh hash: a plain
// password, or a hash made with other costs than the current ones.
bool PasswordNeedsRehash(const Text& stored);

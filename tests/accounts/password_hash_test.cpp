// Password hashes: what is stored, what verifies, and which stored texts are
// replaced at the next sign-in. Hashes are checked with libsodium directly.

#include "accounts/password_hash.h"

#include <gtest/gtest.h>

#include <sodium.h>

namespace {

std::string Hash(const std::string& utf8) {
    const std::optional<Text> hash = HashPassword(Text::fromUtf8(utf8));
    EXPECT_TRUE(hash.has_value());
    return hash ? hash->bytes() : std::string();
}

}  // namespace

TEST(PasswordHash, IsAnArgon2idStringThatOnlyThePasswordVerifies) {
    ASSERT_GE(sodium_init(), 0);
    const std::string hash = Hash("张三的密码");
    EXPECT_EQ(hash.rfind("$argon2id$", 0), 0u) << hash;
    EXPECT_EQ(hash.find("张三"), std::string::npos);
    const std::string gbk = Text::fromUtf8("张三的密码").bytes();
    EXPECT_EQ(crypto_pwhash_str_verify(hash.c_str(), gbk.data(), gbk.size()), 0);
    EXPECT_NE(crypto_pwhash_str_verify(hash.c_str(), "x", 1), 0);
    // Salted: the same password never gives the same text twice.
    EXPECT_NE(Hash("张三的密码"), hash);
}

TEST(PasswordHash, MatchesVerifyHashesAndComparePlainTextExactly) {
    const Text hash = Text::fromBytes(Hash("s3cret"));
    EXPECT_TRUE(IsPasswordHash(hash));
    EXPECT_TRUE(PasswordMatches(T("s3cret"), hash));
    EXPECT_FALSE(PasswordMatches(T("S3cret"), hash));
    EXPECT_FALSE(PasswordMatches(hash, hash));  // knowing the stored text is not enough

    EXPECT_FALSE(IsPasswordHash(T("123456")));
    EXPECT_TRUE(PasswordMatches(T("123456"), T("123456")));
    EXPECT_FALSE(PasswordMatches(T("123456 "), T("123456")));
    EXPECT_TRUE(PasswordMatches(Text(), Text()));
    // A plain password that merely starts like a hash is still plain text.
    EXPECT_FALSE(IsPasswordHash(T("$argon2id$hello")));
    EXPECT_TRUE(PasswordMatches(T("$argon2id$hello"), T("$argon2id$hello")));
}

TEST(PasswordHash, PlainTextAndOtherCostsNeedAFreshHash) {
    EXPECT_TRUE(PasswordNeedsRehash(T("123456")));
    EXPECT_TRUE(PasswordNeedsRehash(Text()));
    EXPECT_FALSE(PasswordNeedsRehash(Text::fromBytes(Hash("pw"))));

    ASSERT_GE(sodium_init(), 0);
    char weak[crypto_pwhash_STRBYTES];
    ASSERT_EQ(crypto_pwhash_str(weak, "pw", 2, crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN), 0);
    EXPECT_TRUE(PasswordMatches(T("pw"), Text::fromBytes(weak)));
    EXPECT_TRUE(PasswordNeedsRehash(Text::fromBytes(weak)));
}

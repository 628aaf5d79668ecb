#include "base/sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace tidewarden {
namespace {

struct DigestCase {
  std::string key;  // empty: plain SHA-256 of the message
  std::string message;
  const char* digest;
};

// FIPS 180-4's examples and RFC 4231's test cases 1, 2 and 6.
TEST(Sha256Test, PublishedTestVectors) {
  const DigestCase cases[] = {
      {"", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"", std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      {std::string(20, '\x0b'), "Hi There",
       "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
      {"Jefe", "what do ya want for nothing?",
       "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
      {std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
       "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
  };
  for (const DigestCase& c : cases) {
    const Sha256Digest digest = c.key.empty() ? Sha256(c.message) : HmacSha256(c.key, c.message);
    EXPECT_EQ(HexText(digest), c.digest) << c.message.substr(0, 60);
  }
}

}  // namespace
}  // namespace tidewarden

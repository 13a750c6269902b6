#pragma once
// Short texts drawn from an alphabet, for tests that hold a quick road
// against the general one on many inputs.
#include <random>
#include <string>
#include <string_view>

namespace qh::test {

// Up to maxLength characters of alphabet, picked by random.
inline std::string RandomText(std::mt19937& random, std::string_view alphabet, unsigned maxLength) {
  std::string text;
  const unsigned length = static_cast<unsigned>(random() % (maxLength + 1));
  for (unsigned k = 0; k < length; ++k) text += alphabet[random() % alphabet.size()];
  return text;
}

}  // namespace qh::test

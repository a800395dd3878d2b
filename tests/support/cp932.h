// Test support: decoding the program's Shift_JIS text for comparison with
// its readable UTF-8 spelling.
#ifndef QUORVANE_TESTS_SUPPORT_CP932_H_
#define QUORVANE_TESTS_SUPPORT_CP932_H_

#include <string>
#include <string_view>

namespace quorvane {

// UTF-8 for the code page 932 bytes; "<invalid>" when they do not decode.
std::string DecodeCp932(std::string_view bytes);

}  // namespace quorvane

#endif  // QUORVANE_TESTS_SUPPORT_CP932_H_

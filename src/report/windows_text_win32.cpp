#include <windows.h>

#include "report/windows_text.h"

namespace quorvane {

namespace {

UINT CodePage(const Message::Piece& piece) {
  return piece.source == Message::Source::kOwnText ? 932 : CP_ACP;
}

}  // namespace

std::wstring WideText(const Message& message) {
  std::wstring wide;
  for (const Message::Piece& piece : message.pieces) {
    int size = static_cast<int>(piece.bytes.size());
    int length = MultiByteToWideChar(CodePage(piece), 0, piece.bytes.data(),
                                     size, nullptr, 0);
    if (length <= 0) continue;
    std::wstring part(length, L'\0');
    MultiByteToWideChar(CodePage(piece), 0, piece.bytes.data(), size,
                        part.data(), length);
    wide += part;
  }
  return wide;
}

Message Cut(const Message& message, size_t limit) {
  Message cut;
  size_t used = 0;
  for (const Message::Piece& piece : message.pieces) {
    std::string bytes;
    for (size_t i = 0; i < piece.bytes.size(); ++i) {
      bool lead = IsDBCSLeadByteEx(CodePage(piece), piece.bytes[i]);
      size_t width = lead && i + 1 < piece.bytes.size() ? 2 : 1;
      if (used + width > limit) {
        if (!bytes.empty()) cut.pieces.push_back({bytes, piece.source});
        return cut;
      }
      bytes.append(piece.bytes, i, width);
      used += width;
      i += width - 1;
    }
    cut.pieces.push_back({bytes, piece.source});
  }
  return cut;
}

}  // namespace quorvane

// The conversions between the code pages of a message's pieces (932 for
// the program's own text, the ANSI code page for outside bytes, UTF-8 for
// paths) and UTF-16, through MultiByteToWideChar and WideCharToMultiByte.
#include <windows.h>

#include <algorithm>

#include "report/windows_text.h"

namespace quorvane {

namespace {

UINT CodePage(const Message::Piece& piece) {
  switch (piece.source) {
    case Message::Source::kOwnText:
      return 932;
    case Message::Source::kPath:
      return CP_UTF8;
    default:
      return CP_ACP;
  }
}

std::wstring Decoded(std::string_view bytes, UINT code_page) {
  int size = static_cast<int>(bytes.size());
  int length =
      MultiByteToWideChar(code_page, 0, bytes.data(), size, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(length, L'\0');
  MultiByteToWideChar(code_page, 0, bytes.data(), size, wide.data(), length);
  return wide;
}

// `wide` in `code_page`; `*lacking` (where given) says whether a character
// had no bytes there and became "?". No best fit: "?" says so plainly, where
// a look-alike letter would name another file or host.
std::string Encoded(std::wstring_view wide, UINT code_page,
                    bool* lacking = nullptr) {
  DWORD flags = code_page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL defaulted = FALSE;
  BOOL* used = code_page == CP_UTF8 ? nullptr : &defaulted;
  int size = static_cast<int>(wide.size());
  int length = WideCharToMultiByte(code_page, flags, wide.data(), size, nullptr,
                                   0, nullptr, used);
  std::string bytes(std::max(length, 0), '\0');
  if (length > 0) {
    WideCharToMultiByte(code_page, flags, wide.data(), size, bytes.data(),
                        length, nullptr, used);
  }
  if (lacking != nullptr) *lacking = defaulted;
  return bytes;
}

// The bytes of the character that starts at `bytes[i]`, in its code page.
size_t Width(const Message::Piece& piece, size_t i) {
  auto byte = static_cast<unsigned char>(piece.bytes[i]);
  size_t width = 1;
  if (piece.source != Message::Source::kPath) {
    width = IsDBCSLeadByteEx(CodePage(piece), byte) ? 2 : 1;
  } else if (byte >= 0xf0) {
    width = 4;
  } else if (byte >= 0xe0) {
    width = 3;
  } else if (byte >= 0xc0) {
    width = 2;
  }
  return std::min(width, piece.bytes.size() - i);
}

}  // namespace

std::wstring WideText(const Message& message) {
  std::wstring wide;
  for (const Message::Piece& piece : message.pieces) {
    wide += Decoded(piece.bytes, CodePage(piece));
  }
  return wide;
}

Message Cut(const Message& message, size_t limit) {
  Message cut;
  size_t used = 0;
  for (const Message::Piece& piece : message.pieces) {
    std::string bytes;
    for (size_t i = 0; i < piece.bytes.size();) {
      size_t width = Width(piece, i);
      if (used + width > limit) {
        if (!bytes.empty()) cut.pieces.push_back({bytes, piece.source});
        return cut;
      }
      bytes.append(piece.bytes, i, width);
      used += width;
      i += width;
    }
    cut.pieces.push_back({bytes, piece.source});
  }
  return cut;
}

std::string PieceBytes(const Message::Piece& piece) {
  if (piece.source != Message::Source::kPath) return piece.bytes;
  return Encoded(Decoded(piece.bytes, CP_UTF8), CP_ACP);
}

std::optional<std::string> CodePageBytes(std::string_view utf8) {
  bool lacking = false;
  std::string bytes = Encoded(Decoded(utf8, CP_UTF8), CP_ACP, &lacking);
  if (lacking) return std::nullopt;
  return bytes;
}

std::wstring Wide(std::string_view utf8) { return Decoded(utf8, CP_UTF8); }

std::string Utf8(std::wstring_view wide) { return Encoded(wide, CP_UTF8); }

}  // namespace quorvane

#include "report/message.h"

#include <cassert>

namespace quorvane {

std::string Message::Bytes() const {
  std::string all;
  for (const Piece& piece : pieces) all += piece.bytes;
  return all;
}

namespace {

void AddPiece(Message* message, std::string_view bytes,
              Message::Source source) {
  if (bytes.empty()) return;
  if (!message->pieces.empty() && message->pieces.back().source == source) {
    message->pieces.back().bytes += bytes;
  } else {
    message->pieces.push_back({std::string(bytes), source});
  }
}

}  // namespace

Message Format(std::string_view format, std::initializer_list<FormatArg> args) {
  Message message;
  const FormatArg* arg = args.begin();
  size_t start = 0;
  // A '%' never occurs inside a Shift_JIS double-byte character (trail bytes
  // start at 0x40), so a plain byte scan finds every placeholder.
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 == format.size()) continue;
    AddPiece(&message, format.substr(start, i - start),
             Message::Source::kOwnText);
    char kind = format[i + 1];
    if (kind == '%') {
      AddPiece(&message, "%", Message::Source::kOwnText);
    } else {
      assert(arg != args.end());
      if (kind == 'd') {
        assert(arg->is_number());
        AddPiece(&message, std::to_string(arg->number()),
                 Message::Source::kOwnText);
      } else {
        assert(kind == 's' && !arg->is_number());
        AddPiece(&message, arg->bytes(),
                 arg->is_path() ? Message::Source::kPath
                                : Message::Source::kOutside);
      }
      ++arg;
    }
    ++i;
    start = i + 1;
  }
  AddPiece(&message, format.substr(start), Message::Source::kOwnText);
  assert(arg == args.end());
  return message;
}

Message Format(const Text& text, std::initializer_list<FormatArg> args) {
  return Format(text.In(CurrentLanguage()), args);
}

Message& Message::operator+=(const Message& more) {
  for (const Piece& piece : more.pieces)
    AddPiece(this, piece.bytes, piece.source);
  return *this;
}

Message Raw(std::string_view bytes) {
  Message message;
  AddPiece(&message, bytes, Message::Source::kOutside);
  return message;
}

}  // namespace quorvane
